#pragma once
// The seam between sqlsim's SQL engine and its TDS layer: the engine answers a batch or an RPC
// with a list of abstract tokens; the TDS layer encodes them (TDS 7.0/7.1 layouts) and sets
// DONE_MORE on every DONE-family token but the last one of the response.

#include <QString>
#include <QVariant>
#include <QVector>

#include <variant>
#include <vector>

namespace sqlsim {

enum class ColumnType {
    Int,       // INTN(4)
    SmallInt,  // INTN(2)
    TinyInt,   // INTN(1)
    NVarChar,  // NVARCHAR(length chars)
    NChar,     // NCHAR(length chars): values are padded with blanks to length by the encoder
    VarChar,   // VARCHAR(length bytes), in the code page of the server collation
    Char,      // CHAR(length bytes), in that code page, padded with blanks to length by the encoder
    VarBinary,  // VARBINARY(length bytes)
    DateTime,   // DATETIME (to 1/300 of a second)
    Variant,    // SQL_VARIANT: each value goes out with its own base type (variantBaseOf)
};

struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::NVarChar;
    int length = 0;  // characters for N types, bytes for VarChar, Char, VarBinary; else ignored
};

// A cell: null QVariant is SQL NULL; ints are qint64, texts QString, binary values QByteArray,
// datetimes QDateTime (the server's local time, no zone).
using Cell = QVariant;

// The base type a SQL_VARIANT value carries: an integer is an int, a text nvarchar(128), the type
// of the names the server keeps (sysname).
inline ColumnDef variantBaseOf(const Cell& value) {
    const int id = value.typeId();
    if (id == QMetaType::LongLong || id == QMetaType::Int) return {QString(), ColumnType::Int, 0};
    return {QString(), ColumnType::NVarChar, 128};
}

struct ResultSet {
    QVector<ColumnDef> columns;
    QVector<QVector<Cell>> rows;
};

struct Message {
    int number = 0;
    int state = 1;
    int severity = 0;  // <= 10 goes out as INFO, above as ERROR
    QString text;
    QString procName;
    int line = 1;
};

// ENVCHANGE type 1.
struct DatabaseChange {
    QString newDatabase;
    QString oldDatabase;
};

struct Done {
    enum class Kind { Done, DoneInProc, DoneProc };
    Kind kind = Kind::Done;
    bool error = false;  // DONE_ERROR
    bool count = false;  // DONE_COUNT: rowCount is valid
    qint64 rowCount = 0;
    quint16 curCmd = 0;
};

struct ReturnStatus {
    qint32 value = 0;
};

// RETURNVALUE of an output parameter of an RPC.
struct ReturnValue {
    quint16 ordinal = 0;
    QString name;
    Cell value;  // int parameters only in practice
};

using Token = std::variant<ResultSet, Message, DatabaseChange, Done, ReturnStatus, ReturnValue>;

struct Reply {
    std::vector<Token> tokens;
    bool closeConnection = false;  // after sending the reply (a failed login)
    bool cancelled = false;        // stopped by an attention or by the client leaving
};

}  // namespace sqlsim
