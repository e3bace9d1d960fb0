#include "sqlsim/engine/Parser.h"

#include "sqlsim/engine/Lexer.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/SessionSettings.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

struct ParseFailure {
    std::vector<Message> messages;
};

using Kind = SqlToken::Kind;

bool startsStatement(const SqlToken& t) {
    static const QSet<QString> words = {
        u"select"_s,  u"if"_s,     u"use"_s,   u"create"_s, u"exec"_s,
        u"execute"_s, u"insert"_s, u"drop"_s,  u"dbcc"_s,   u"backup"_s,
        u"set"_s,     u"print"_s,  u"begin"_s, u"commit"_s, u"rollback"_s,
    };
    return t.kind == Kind::Word && words.contains(t.text.toLower());
}

class Parser {
public:
    Parser(const QString& text, Profile profile, CodePage literals)
        : m_text(text), m_profile(profile) {
        LexResult lexed = tokenize(text);
        m_tokens = std::move(lexed.tokens);
        for (SqlToken& t : m_tokens) {
            if (t.kind == Kind::String && !t.national && !codepage::isAscii(t.text))
                t.text = codepage::decode(literals, codepage::encode(literals, t.text));
        }
        m_unclosed = lexed.unclosedQuote;
        m_unclosedRest = lexed.unclosedRest;
        m_unclosedLine = lexed.unclosedLine;
    }

    std::vector<StatementPtr> batch() {
        std::vector<StatementPtr> out;
        bool first = true;
        while (!atEnd()) {
            if (peek().isSymbol(u";")) {
                next();
                continue;
            }
            out.push_back(statement(first));
            first = false;
        }
        if (m_unclosed) throwUnclosed();
        return out;
    }

    ObjectName objectNameOnly() {
        ObjectName name = objectName();
        if (!atEnd()) failNear(peek());
        if (m_unclosed) throwUnclosed();
        return name;
    }

private:
    // Bounds the recursion of nested expressions and statements, as the server bounds its own.
    struct NestingGuard {
        explicit NestingGuard(Parser& p) : parser(p) {
            if (++parser.m_nesting > 128) throw ParseFailure{{msg::nestedTooDeeply()}};
        }
        ~NestingGuard() { --parser.m_nesting; }
        NestingGuard(const NestingGuard&) = delete;
        NestingGuard& operator=(const NestingGuard&) = delete;
        Parser& parser;
    };

    const SqlToken& peek(int ahead = 0) const {
        const int i = qMin(m_pos + ahead, static_cast<int>(m_tokens.size()) - 1);
        return m_tokens[i];
    }
    const SqlToken& next() {
        const SqlToken& t = peek();
        if (m_pos < static_cast<int>(m_tokens.size()) - 1) ++m_pos;
        return t;
    }
    bool atEnd() const { return peek().kind == Kind::End; }
    bool acceptWord(QStringView w) {
        if (peek().isWord(w)) {
            next();
            return true;
        }
        return false;
    }
    bool acceptSymbol(QStringView s) {
        if (peek().isSymbol(s)) {
            next();
            return true;
        }
        return false;
    }
    void expectWord(QStringView w) {
        if (!acceptWord(w)) failNear(peek());
    }
    void expectSymbol(QStringView s) {
        if (!acceptSymbol(s)) failNear(peek());
    }

    // An unclosed quote is reported first, followed by the syntax error it causes.
    [[noreturn]] void throwUnclosed() const {
        throw ParseFailure{{msg::unclosedQuote(m_unclosedRest, m_unclosedLine),
                            msg::syntaxNear(m_unclosedRest, m_unclosedLine)}};
    }

    [[noreturn]] void failNear(const SqlToken& at) const {
        if (m_unclosed) throwUnclosed();
        const SqlToken* t = &at;
        if (t->kind == Kind::End) {
            // At the end of the batch the server names the last thing it read.
            if (m_tokens.size() < 2) throw ParseFailure{{msg::syntaxNear(QString(), t->line)}};
            t = &m_tokens[m_tokens.size() - 2];
        }
        if (t->kind == Kind::Word && isReservedWord(t->text))
            throw ParseFailure{{msg::syntaxNearKeyword(t->text, t->line)}};
        throw ParseFailure{{msg::syntaxNear(
            t->kind == Kind::Bracketed || t->kind == Kind::DoubleQuoted || t->kind == Kind::String
                ? t->text
                : t->raw,
            t->line)}};
    }

    QString name() {
        const SqlToken& t = peek();
        if (t.kind == Kind::Bracketed || (t.kind == Kind::Word && !isReservedWord(t.text))) {
            next();
            return t.text;
        }
        failNear(t);
    }

    ObjectName objectName() {
        ObjectName result;
        const int begin = peek().begin;
        QStringList parts;
        parts << name();
        while (peek().isSymbol(u".")) {
            next();
            if (peek().isSymbol(u".")) {
                parts << QString();
                continue;
            }
            parts << name();
        }
        if (parts.size() > 3) failNear(peek());
        result.name = parts.takeLast();
        if (!parts.isEmpty()) result.owner = parts.takeLast();
        if (!parts.isEmpty()) result.database = parts.takeLast();
        result.written = m_text.mid(begin, m_tokens[m_pos - 1].end - begin);
        return result;
    }

    StatementPtr make(Statement::Kind kind, const SqlToken& at) {
        auto s = std::make_shared<Statement>();
        s->kind = kind;
        s->line = at.line;
        return s;
    }

    StatementPtr statement(bool first) {
        const NestingGuard guard(*this);
        const SqlToken& t = peek();
        if (t.isWord(u"select")) return selectStatement();
        if (t.isWord(u"if")) return ifStatement();
        if (t.isWord(u"use")) return useStatement();
        if (t.isWord(u"create")) return createStatement(first);
        if (t.isWord(u"exec") || t.isWord(u"execute")) {
            next();
            return execBody(t);
        }
        if (t.isWord(u"insert")) return insertStatement();
        if (t.isWord(u"drop")) return dropStatement();
        if (t.isWord(u"dbcc")) return dbccStatement();
        if (t.isWord(u"backup")) return backupStatement();
        if (t.isWord(u"set")) return setStatement();
        if (t.isWord(u"print")) {
            next();
            auto s = make(Statement::Kind::Print, t);
            s->text = expression();
            return s;
        }
        if (t.isWord(u"begin") || t.isWord(u"commit") || t.isWord(u"rollback")) {
            next();
            if (t.isWord(u"begin") && !(peek().isWord(u"tran") || peek().isWord(u"transaction")))
                failNear(peek());
            if (!acceptWord(u"tran") && !acceptWord(u"transaction")) acceptWord(u"work");
            return make(Statement::Kind::Set, t);
        }
        // A batch may start with a procedure name alone: it is executed.
        if (first && t.isName() && !(t.kind == Kind::Word && isReservedWord(t.text)))
            return execBody(t);
        failNear(t);
    }

    // ---- expressions -------------------------------------------------------------------------

    ExprPtr expression() {
        const int begin = peek().begin;
        ExprPtr left = term();
        while (peek().isSymbol(u"+") || peek().isSymbol(u"-")) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Binary;
            e->name = next().text;
            e->args = {left, term()};
            e->written = m_text.mid(begin, m_tokens[m_pos - 1].end - begin);
            left = e;
        }
        return left;
    }

    ExprPtr term() {
        const int begin = peek().begin;
        ExprPtr left = primary();
        while (peek().isSymbol(u"*") || peek().isSymbol(u"/")) {
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Binary;
            e->name = next().text;
            e->args = {left, primary()};
            e->written = m_text.mid(begin, m_tokens[m_pos - 1].end - begin);
            left = e;
        }
        return left;
    }

    ExprPtr primary() {
        const NestingGuard guard(*this);
        const SqlToken& t = peek();
        auto e = std::make_shared<Expr>();
        const int begin = t.begin;
        if (t.kind == Kind::Number) {
            next();
            e->kind = Expr::Kind::Literal;
            if (t.text.contains(u'.'))
                e->value = t.text.toDouble();
            else
                e->value = t.text.toLongLong();
        } else if (t.kind == Kind::String) {
            next();
            e->kind = Expr::Kind::Literal;
            e->value = t.text;
        } else if (t.kind == Kind::Variable) {
            next();
            e->kind = Expr::Kind::Variable;
            e->name = t.text.toLower();
        } else if (t.isSymbol(u"-")) {
            next();
            e->kind = Expr::Kind::Negate;
            e->args = {primary()};
        } else if (t.isSymbol(u"(")) {
            next();
            e = expression();
            expectSymbol(u")");
            return e;
        } else if (t.isWord(u"null")) {
            next();
            e->kind = Expr::Kind::Literal;
        } else if (t.kind == Kind::Word && !isReservedWord(t.text) && peek(1).isSymbol(u"(")) {
            next();
            next();
            e->kind = Expr::Kind::Function;
            e->name = t.text.toLower();
            if (!peek().isSymbol(u")")) {
                if (peek().isSymbol(u"*")) {
                    next();
                    auto star = std::make_shared<Expr>();
                    star->kind = Expr::Kind::Star;
                    e->args.push_back(star);
                } else {
                    e->args.push_back(expression());
                    while (acceptSymbol(u",")) e->args.push_back(expression());
                }
            }
            expectSymbol(u")");
        } else if (t.isName() && !(t.kind == Kind::Word && isReservedWord(t.text))) {
            const ObjectName n = objectName();
            e->kind = Expr::Kind::Column;
            e->name = n.name;
        } else {
            failNear(t);
        }
        e->written = m_text.mid(begin, m_tokens[m_pos - 1].end - begin);
        return e;
    }

    // ---- SELECT --------------------------------------------------------------------------------

    SelectQuery selectQuery() {
        expectWord(u"select");
        SelectQuery q;
        if (acceptWord(u"top")) {
            if (peek().kind != Kind::Number) failNear(peek());
            q.top = next().text.toLongLong();
        }
        do {
            if (peek().isSymbol(u"*")) {
                const SqlToken& star = next();
                auto e = std::make_shared<Expr>();
                e->kind = Expr::Kind::Star;
                e->written = star.raw;
                q.items.push_back(e);
                q.itemNames << QString();
                continue;
            }
            ExprPtr e = expression();
            QString alias = e->kind == Expr::Kind::Column ? e->name : QString();
            if (acceptWord(u"as"))
                alias = name();
            else if (peek().kind == Kind::Bracketed ||
                     (peek().kind == Kind::Word && !isReservedWord(peek().text) &&
                      !startsStatement(peek())))
                alias = name();
            else if (peek().kind == Kind::String)
                alias = next().text;
            q.items.push_back(e);
            q.itemNames << alias;
        } while (acceptSymbol(u","));
        if (acceptWord(u"from")) {
            q.from = objectName();
            if (acceptWord(u"as"))
                name();
            else if (peek().kind == Kind::Bracketed ||
                     (peek().kind == Kind::Word && !isReservedWord(peek().text) &&
                      !startsStatement(peek())))
                name();
        }
        if (acceptWord(u"where")) {
            do {
                Condition c;
                c.left = expression();
                const SqlToken& op = peek();
                static const QSet<QString> ops = {u"="_s, u"<>"_s, u"!="_s, u"<"_s,
                                                  u">"_s, u"<="_s, u">="_s};
                if (op.kind == Kind::Symbol && ops.contains(op.text))
                    c.op = next().text;
                else if (op.isWord(u"like")) {
                    next();
                    c.op = u"like"_s;
                } else
                    failNear(op);
                c.right = expression();
                q.where.push_back(c);
            } while (acceptWord(u"and"));
        }
        if (acceptWord(u"order")) {
            expectWord(u"by");
            q.orderBy = name();
            if (acceptWord(u"desc"))
                q.orderDescending = true;
            else
                acceptWord(u"asc");
        }
        return q;
    }

    StatementPtr selectStatement() {
        auto s = make(Statement::Kind::Select, peek());
        s->select = selectQuery();
        return s;
    }

    StatementPtr ifStatement() {
        auto s = make(Statement::Kind::If, next());
        s->negate = acceptWord(u"not");
        expectWord(u"exists");
        expectSymbol(u"(");
        s->select = selectQuery();
        expectSymbol(u")");
        if (atEnd()) failNear(peek());
        s->thenBranch = statement(false);
        if (acceptWord(u"else")) s->elseBranch = statement(false);
        return s;
    }

    StatementPtr useStatement() {
        auto s = make(Statement::Kind::Use, next());
        s->database = name();
        return s;
    }

    // ---- CREATE --------------------------------------------------------------------------------

    ColumnDef columnType() {
        const SqlToken& t = peek();
        if (t.kind != Kind::Word && t.kind != Kind::Bracketed) failNear(t);
        next();
        const QString type = t.text.toLower();
        int length = -1;
        if (acceptSymbol(u"(")) {
            const SqlToken& n = peek();
            if (n.kind == Kind::Number)
                length = next().text.toInt();
            else if (n.isWord(u"max")) {
                next();
                length = 8000;
            } else
                failNear(n);
            if (acceptSymbol(u","))
                if (peek().kind == Kind::Number) next();
            expectSymbol(u")");
        }
        ColumnDef def;
        if (type == u"int" || type == u"bigint" || type == u"tinyint" || type == u"bit") {
            def.type = ColumnType::Int;
        } else if (type == u"smallint") {
            def.type = ColumnType::SmallInt;
        } else if (type == u"varchar" || type == u"char" || type == u"text") {
            def.type = ColumnType::VarChar;
            def.length = length < 0 ? (type == u"text" ? 8000 : 1) : length;
        } else if (type == u"nvarchar" || type == u"sysname" || type == u"ntext") {
            def.type = ColumnType::NVarChar;
            def.length =
                length < 0 ? (type == u"ntext" ? 4000 : (type == u"sysname" ? 128 : 1)) : length;
        } else if (type == u"nchar") {
            def.type = ColumnType::NChar;
            def.length = length < 0 ? 1 : length;
        } else if (type == u"sql_variant") {
            def.type = ColumnType::Variant;
        } else {
            def.type = ColumnType::NVarChar;
            def.length = 4000;
        }
        return def;
    }

    StatementPtr createStatement(bool first) {
        const SqlToken& create = next();
        if (acceptWord(u"table")) {
            auto s = make(Statement::Kind::CreateTable, create);
            s->object = objectName();
            expectSymbol(u"(");
            do {
                ColumnDeclaration c;
                c.name = name();
                c.def = columnType();
                c.def.name = c.name;
                if (acceptWord(u"not"))
                    expectWord(u"null");
                else
                    acceptWord(u"null");
                s->columns.push_back(c);
            } while (acceptSymbol(u","));
            expectSymbol(u")");
            return s;
        }
        if (peek().isWord(u"proc") || peek().isWord(u"procedure")) {
            next();
            if (!first)
                throw ParseFailure{{msg::mustBeFirstInBatch(u"CREATE PROCEDURE"_s, create.line)}};
            auto s = make(Statement::Kind::CreateProc, create);
            s->object = objectName();
            if (acceptWord(u"with")) {
                do {
                    if (!acceptWord(u"encryption") && !acceptWord(u"recompile")) failNear(peek());
                } while (acceptSymbol(u","));
            }
            const SqlToken& as = peek();
            expectWord(u"as");
            s->body = m_text.mid(as.end);
            while (!atEnd()) {
                if (acceptSymbol(u";")) continue;
                s->bodyStatements.push_back(statement(false));
            }
            if (s->bodyStatements.empty()) failNear(peek());
            return s;
        }
        failNear(peek());
    }

    // ---- EXEC / INSERT / DROP ------------------------------------------------------------------

    StatementPtr execBody(const SqlToken& start) {
        if (acceptSymbol(u"(")) {
            auto s = make(Statement::Kind::ExecString, start);
            s->text = expression();
            expectSymbol(u")");
            return s;
        }
        auto s = make(Statement::Kind::ExecProc, start);
        s->object = objectName();
        if (atEnd() || peek().isSymbol(u";") || startsStatement(peek())) return s;
        do {
            ExecParam p;
            if (peek().kind == Kind::Variable && peek(1).isSymbol(u"=")) {
                p.name = next().text;
                next();
            }
            const SqlToken& v = peek();
            auto e = std::make_shared<Expr>();
            e->kind = Expr::Kind::Literal;
            e->written = v.raw;
            if (v.kind == Kind::String || v.kind == Kind::DoubleQuoted) {
                next();
                e->value = v.text;
                p.value = e;
            } else if (v.kind == Kind::Number || v.isSymbol(u"-")) {
                p.value = primary();
            } else if (v.isWord(u"default")) {
                next();
            } else if (v.isWord(u"null")) {
                next();
                p.value = e;
            } else if (v.kind == Kind::Bracketed ||
                       (v.kind == Kind::Word && !isReservedWord(v.text))) {
                next();
                e->value = v.text;  // a bare word passed to a procedure is a string
                p.value = e;
            } else if (v.kind == Kind::Variable) {
                p.value = primary();
            } else {
                failNear(v);
            }
            if (acceptWord(u"output") || acceptWord(u"out")) p.output = true;
            s->params.push_back(p);
        } while (acceptSymbol(u","));
        return s;
    }

    StatementPtr insertStatement() {
        auto s = make(Statement::Kind::Insert, next());
        acceptWord(u"into");
        s->object = objectName();
        if (acceptSymbol(u"(")) {
            do {
                ColumnDeclaration c;
                c.name = name();
                s->columns.push_back(c);
            } while (acceptSymbol(u","));
            expectSymbol(u")");
        }
        const SqlToken& t = peek();
        if (t.isWord(u"exec") || t.isWord(u"execute")) {
            next();
            s->source = execBody(t);
            return s;
        }
        if (acceptWord(u"values")) {
            do {
                expectSymbol(u"(");
                std::vector<ExprPtr> row;
                do {
                    row.push_back(expression());
                } while (acceptSymbol(u","));
                expectSymbol(u")");
                s->values.push_back(row);
            } while (acceptSymbol(u","));
            return s;
        }
        failNear(t);
    }

    StatementPtr dropStatement() {
        const SqlToken& drop = next();
        Statement::Kind kind;
        if (acceptWord(u"table"))
            kind = Statement::Kind::DropTable;
        else if (acceptWord(u"proc") || acceptWord(u"procedure"))
            kind = Statement::Kind::DropProc;
        else
            failNear(peek());
        auto s = make(kind, drop);
        do {
            s->objects.push_back(objectName());
        } while (acceptSymbol(u","));
        s->object = s->objects.front();
        return s;
    }

    // ---- DBCC / BACKUP / SET -------------------------------------------------------------------

    StatementPtr dbccStatement() {
        auto s = make(Statement::Kind::Dbcc, next());
        const SqlToken& command = peek();
        if (command.kind != Kind::Word) failNear(command);
        next();
        s->command = command.text.toUpper();
        if (acceptSymbol(u"(")) {
            if (!peek().isSymbol(u")")) {
                do {
                    DbccArg a;
                    const SqlToken& t = peek();
                    a.written = t.raw;
                    if (t.kind == Kind::String) {
                        next();
                        a.kind = DbccArg::Kind::String;
                        a.text = t.text;
                    } else if (t.kind == Kind::Number) {
                        next();
                        a.kind = DbccArg::Kind::Number;
                        a.text = t.text;
                    } else if (t.isSymbol(u"-") && peek(1).kind == Kind::Number) {
                        next();
                        a.kind = DbccArg::Kind::Number;
                        a.text = u"-"_s + next().text;
                    } else if (t.isName()) {
                        const ObjectName n = objectName();
                        a.kind = DbccArg::Kind::Name;
                        a.text = n.database.isEmpty() && n.owner.isEmpty() ? n.name : n.written;
                        a.written = n.written;
                    } else {
                        failNear(t);
                    }
                    s->args.push_back(a);
                } while (acceptSymbol(u","));
            }
            expectSymbol(u")");
        }
        if (acceptWord(u"with")) {
            static const QSet<QString> known = {
                u"NO_INFOMSGS"_s, u"ALL_ERRORMSGS"_s, u"TABLERESULTS"_s, u"PHYSICAL_ONLY"_s,
                u"TABLOCK"_s,     u"ESTIMATEONLY"_s,  u"COUNT_ROWS"_s,
            };
            do {
                const SqlToken& o = peek();
                const QString option = o.text.toUpper();
                if (o.kind != Kind::Word || !known.contains(option) ||
                    (m_profile == Profile::Sql70 && option == u"PHYSICAL_ONLY"))
                    failNear(o);
                next();
                s->options << option;
            } while (acceptSymbol(u","));
        }
        return s;
    }

    StatementPtr backupStatement() {
        auto s = make(Statement::Kind::BackupLog, next());
        expectWord(u"log");
        s->database = name();
        expectWord(u"with");
        do {
            const SqlToken& o = peek();
            if (!o.isWord(u"no_log") && !o.isWord(u"truncate_only")) failNear(o);
            s->options << next().text.toUpper();
        } while (acceptSymbol(u","));
        return s;
    }

    StatementPtr setStatement() {
        const SqlToken& start = next();
        auto s = make(Statement::Kind::Set, start);
        if (peek().kind == Kind::Variable) {
            next();
            expectSymbol(u"=");
            expression();
            return s;
        }
        if (acceptWord(u"transaction")) {
            expectWord(u"isolation");
            expectWord(u"level");
            if (acceptWord(u"read")) {
                if (!acceptWord(u"committed") && !acceptWord(u"uncommitted")) failNear(peek());
            } else if (acceptWord(u"repeatable")) {
                expectWord(u"read");
            } else if (!acceptWord(u"serializable")) {
                failNear(peek());
            }
            s->options << u"TRANSACTION ISOLATION LEVEL"_s;
            return s;
        }
        if (peek().isWord(u"statistics")) {
            next();
            const SqlToken& which = peek();
            if (!which.isWord(u"io") && !which.isWord(u"time") && !which.isWord(u"profile"))
                failNear(which);
            s->options << u"STATISTICS "_s + next().text.toUpper();
        } else if (peek().isWord(u"identity_insert")) {
            next();
            objectName();
            s->options << u"IDENTITY_INSERT"_s;
        } else {
            do {
                const SqlToken& option = peek();
                if (option.kind != Kind::Word) failNear(option);
                s->options << next().text.toUpper();
            } while (acceptSymbol(u","));
        }
        const bool negative = peek().isSymbol(u"-") && peek(1).kind == Kind::Number;
        if (negative) next();
        const SqlToken& value = peek();
        if (value.isWord(u"on") || value.isWord(u"off") || value.kind == Kind::Number ||
            value.kind == Kind::String || value.kind == Kind::Bracketed ||
            (value.kind == Kind::Word && !startsStatement(value))) {
            s->body = (negative ? u"-"_s : QString()) + next().text;
            s->command = s->body.toUpper();
        } else {
            failNear(value);
        }
        if (auto refused = setoption::refusal(s->options, s->body, start.line))
            throw ParseFailure{{*refused}};
        return s;
    }

    const QString& m_text;
    Profile m_profile;
    QVector<SqlToken> m_tokens;
    int m_pos = 0;
    int m_nesting = 0;
    bool m_unclosed = false;
    QString m_unclosedRest;
    int m_unclosedLine = 1;
};

}  // namespace

ParseOutcome parseBatch(const QString& text, Profile profile, CodePage literals) {
    ParseOutcome outcome;
    try {
        Parser parser(text, profile, literals);
        outcome.statements = parser.batch();
    } catch (const ParseFailure& failure) {
        outcome.statements.clear();
        outcome.errors = failure.messages;
    }
    return outcome;
}

std::optional<ObjectName> parseObjectName(const QString& text) {
    try {
        Parser parser(text, Profile::Sql2000, CodePage::Cp1252);
        return parser.objectNameOnly();
    } catch (const ParseFailure&) {
        return std::nullopt;
    }
}

}  // namespace sqlsim
