#pragma once
// The statements sqlsim understands, as the parser hands them to the executor.

#include "sqlsim/engine/Tokens.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace sqlsim {

// A one- to three-part name: [db.][owner.]name, db..name.
struct ObjectName {
    QString database;
    QString owner;
    QString name;
    QString written;  // as it stood in the statement
    bool empty() const { return name.isEmpty(); }
};

struct Expr {
    enum class Kind { Literal, Column, Variable, Function, Binary, Star, Negate };
    Kind kind = Kind::Literal;
    Cell value;    // Literal
    QString name;  // Column, Variable (@@version), Function (lower case), Binary operator
    std::vector<std::shared_ptr<Expr>> args;
    QString written;  // source text, for error messages and result column names
};
using ExprPtr = std::shared_ptr<Expr>;

struct Condition {
    ExprPtr left;
    QString op;  // = <> != < > <= >= like
    ExprPtr right;
};

struct Statement;
using StatementPtr = std::shared_ptr<Statement>;

struct SelectQuery {
    std::vector<ExprPtr> items;
    QStringList itemNames;  // column names given with AS or taken from a column
    ObjectName from;
    std::vector<Condition> where;  // joined by AND
    QString orderBy;
    bool orderDescending = false;
    qint64 top = -1;  // TOP n; -1: every row
};

struct ExecParam {
    QString name;   // with @, may be empty
    ExprPtr value;  // null: DEFAULT
    bool output = false;
};

struct ColumnDeclaration {
    QString name;
    ColumnDef def;
};

struct DbccArg {
    enum class Kind { Name, String, Number };
    Kind kind = Kind::Name;
    QString text;
    QString written;
};

struct Statement {
    enum class Kind {
        Select,
        If,
        Use,
        CreateTable,
        CreateProc,
        ExecProc,
        ExecString,
        Insert,
        DropTable,
        DropProc,
        Dbcc,
        BackupLog,
        Set,
        Print,
    };
    Kind kind = Kind::Select;
    int line = 1;

    SelectQuery select;  // Select; If: the EXISTS query

    // If
    bool negate = false;
    StatementPtr thenBranch;
    StatementPtr elseBranch;

    // Use, BackupLog: the database; CreateTable/Drop*/ExecProc/Insert: the object
    QString database;
    ObjectName object;
    std::vector<ObjectName> objects;  // Drop*: every name listed

    std::vector<ColumnDeclaration> columns;  // CreateTable; Insert: target column names
    QString body;                            // CreateProc: the text after AS
    std::vector<StatementPtr> bodyStatements;

    std::vector<ExecParam> params;  // ExecProc
    ExprPtr text;                   // ExecString: the string expression; Print: what to print

    StatementPtr source;                       // Insert ... EXEC
    std::vector<std::vector<ExprPtr>> values;  // Insert ... VALUES

    QString command;  // Dbcc: the command word in upper case
    std::vector<DbccArg> args;
    QStringList options;  // Dbcc WITH options, upper case; BackupLog options
};

}  // namespace sqlsim
