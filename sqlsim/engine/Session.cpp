#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <QRegularExpression>

#include <algorithm>

namespace sqlsim {

namespace {

struct EvalError {
    Message message;
};

QString cellText(const Cell& c) {
    return c.toString();
}

bool isNumber(const Cell& c) {
    const auto t = c.typeId();
    return t == QMetaType::LongLong || t == QMetaType::Int || t == QMetaType::Double;
}

// Comparison under a case-insensitive collation; numbers compare as numbers.
int compareCells(const Cell& a, const Cell& b) {
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (isNumber(a) || isNumber(b)) {
        bool ok = false;
        const double x = a.toString().trimmed().toDouble(&ok);
        bool ok2 = false;
        const double y = b.toString().trimmed().toDouble(&ok2);
        if (ok && ok2)
            return x < y ? -1 : (x > y ? 1 : 0);
    }
    // Trailing blanks do not count in comparisons.
    QString x = cellText(a);
    QString y = cellText(b);
    while (x.endsWith(u' '))
        x.chop(1);
    while (y.endsWith(u' '))
        y.chop(1);
    return x.compare(y, Qt::CaseInsensitive);
}

bool like(const QString& text, const QString& pattern) {
    QString rx;
    for (const QChar c : pattern) {
        if (c == u'%')
            rx += QStringLiteral(".*");
        else if (c == u'_')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx), QRegularExpression::CaseInsensitiveOption |
                                                                           QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

ColumnDef textColumn(const QString& name, int length) {
    ColumnDef c;
    c.name = name;
    c.type = ColumnType::NVarChar;
    c.length = length;
    return c;
}

ColumnDef intColumn(const QString& name, ColumnType type = ColumnType::Int) {
    ColumnDef c;
    c.name = name;
    c.type = type;
    return c;
}

QString typeName(const ColumnDef& c) {
    switch (c.type) {
    case ColumnType::Int:
        return QStringLiteral("int");
    case ColumnType::SmallInt:
        return QStringLiteral("smallint");
    default:
        return QStringLiteral("varchar");
    }
}

}  // namespace

SessionImpl::SessionImpl(std::shared_ptr<ServerState> state, int spid) : m_state(std::move(state)), m_spid(spid) {}

SessionImpl::~SessionImpl() {
    disconnect();
}

void SessionImpl::disconnect() {
    std::lock_guard lock(m_state->mutex);
    m_state->leave(m_spid);
    m_dbid = 0;
}

QString SessionImpl::currentDatabase() const {
    std::lock_guard lock(m_state->mutex);
    const DatabaseState* db = m_state->databaseById(m_dbid);
    return db ? db->name : QString();
}

DatabaseState* SessionImpl::current() const {
    // Before a login a session has no database of its own; it works in master.
    return m_dbid == 0 ? m_state->database(QStringLiteral("master")) : m_state->databaseById(m_dbid);
}

// ---- login ----------------------------------------------------------------------------------------

Session::LoginOutcome SessionImpl::login(const LoginRequest& request) {
    std::lock_guard lock(m_state->mutex);
    LoginOutcome outcome;
    auto refuse = [&](std::optional<Message> first) {
        if (first)
            outcome.reply.tokens.push_back(*first);
        outcome.reply.tokens.push_back(msg::loginFailed(request.user));
        Done d;
        d.error = true;
        outcome.reply.tokens.push_back(d);
        outcome.reply.closeConnection = true;
        outcome.accepted = false;
        return outcome;
    };
    if (!sameName(request.user, QStringLiteral("sa")) || request.password != m_state->saPassword)
        return refuse(std::nullopt);
    DatabaseState* target = m_state->database(QStringLiteral("master"));
    if (!request.database.isEmpty()) {
        DatabaseState* wanted = m_state->database(request.database);
        if (!wanted || !m_state->mayEnter(m_spid, *wanted))
            return refuse(msg::cannotOpenLoginDatabase(request.database));
        target = wanted;
    }
    if (!target)
        return refuse(std::nullopt);
    m_dbid = target->dbid;
    m_state->enter(m_spid, m_dbid);
    outcome.accepted = true;
    outcome.reply.tokens.push_back(DatabaseChange{target->name, QStringLiteral("master")});
    outcome.reply.tokens.push_back(msg::changedDatabase(target->name));
    outcome.reply.tokens.push_back(msg::changedLanguage());
    return outcome;
}

// ---- output ---------------------------------------------------------------------------------------

void SessionImpl::message(Message m, bool namesProcedure) {
    if (namesProcedure && !m_frame.procName.isEmpty() && m.procName.isEmpty())
        m.procName = m_frame.procName;
    // Informational messages all travel as class 0, whatever level the catalogue gives them.
    if (m.severity == 10)
        m.severity = 0;
    // Messages of a running statement carry its line within the batch or procedure.
    if (m.line == 1)
        m.line = m_line;
    if (m.severity > 10) {
        m_errorSinceDone = true;
        ++m_errorsSent;
    }
    m_frame.out->push_back(m);
}

void SessionImpl::done(bool count, qint64 rows, quint16 curCmd) {
    if (m_frame.capture)
        return;
    Done d;
    d.kind = m_frame.depth > 0 ? Done::Kind::DoneInProc : Done::Kind::Done;
    // The error bit says that an ERROR token went out for this statement, nothing else.
    d.error = m_errorSinceDone;
    m_errorSinceDone = false;
    d.count = count;
    d.rowCount = rows;
    d.curCmd = curCmd;
    m_frame.out->push_back(d);
}

void SessionImpl::result(ResultSet rs) {
    if (m_frame.capture) {
        if (m_frame.captureColumns && m_frame.captureColumns->isEmpty())
            *m_frame.captureColumns = rs.columns;
        for (auto& row : rs.rows)
            m_frame.capture->push_back(std::move(row));
        return;
    }
    m_frame.out->push_back(std::move(rs));
}

SessionImpl::Outcome SessionImpl::fail(const Message& m) {
    message(m);
    done(false, 0, 0);
    return Outcome::Failed;
}

SessionImpl::Outcome SessionImpl::compileFailed(const std::vector<Message>& errors, Outcome outcome) {
    for (const Message& m : errors)
        message(m);
    done(false, 0, 0);
    return outcome;
}

SessionImpl::Outcome SessionImpl::abort(const Message& m) {
    message(m);
    done(false, 0, 0);
    return Outcome::Abort;
}

// ---- batches --------------------------------------------------------------------------------------

Reply SessionImpl::executeBatch(const QString& text) {
    std::lock_guard lock(m_state->mutex);
    Reply reply;
    const Frame saved = m_frame;
    m_frame = Frame{};
    m_frame.out = &reply.tokens;
    runText(text);
    m_frame = saved;
    if (reply.tokens.empty() || !std::holds_alternative<Done>(reply.tokens.back()))
        reply.tokens.push_back(Done{});
    return reply;
}

SessionImpl::Outcome SessionImpl::runText(const QString& text) {
    const ParseOutcome parsed = parseBatch(text, m_state->profile);
    if (!parsed.errors.empty())
        return compileFailed(parsed.errors, Outcome::Abort);
    return runStatements(parsed.statements);
}

SessionImpl::Outcome SessionImpl::runStatements(const std::vector<StatementPtr>& statements) {
    Outcome worst = Outcome::Ok;
    for (const StatementPtr& s : statements) {
        const Outcome o = run(*s);
        if (o == Outcome::Abort)
            return o;
        if (o == Outcome::Failed)
            worst = o;
    }
    return worst;
}

SessionImpl::Outcome SessionImpl::run(const Statement& s) {
    const int outerLine = m_line;
    m_line = s.line;
    const Outcome o = runStatement(s);
    m_line = outerLine;
    return o;
}

SessionImpl::Outcome SessionImpl::runStatement(const Statement& s) {
    try {
        switch (s.kind) {
        case Statement::Kind::Select:
            return runSelect(s);
        case Statement::Kind::If:
            return runIf(s);
        case Statement::Kind::Use:
            return runUse(s);
        case Statement::Kind::CreateTable:
            return runCreateTable(s);
        case Statement::Kind::CreateProc:
            return runCreateProc(s);
        case Statement::Kind::ExecProc:
            return runExecProc(s);
        case Statement::Kind::ExecString:
            return runExecString(s);
        case Statement::Kind::Insert:
            return runInsert(s);
        case Statement::Kind::DropTable:
        case Statement::Kind::DropProc:
            return runDrop(s);
        case Statement::Kind::Dbcc:
            return runDbcc(s);
        case Statement::Kind::BackupLog:
            return runBackup(s);
        case Statement::Kind::Set:
            return runSet(s);
        case Statement::Kind::Print:
            return runPrint(s);
        }
    } catch (const EvalError& e) {
        return fail(e.message);
    }
    return Outcome::Ok;
}

// ---- expressions ----------------------------------------------------------------------------------

Cell SessionImpl::evaluate(const Expr& e, const RowSource* source, const QVector<Cell>* row) const {
    switch (e.kind) {
    case Expr::Kind::Literal:
        return e.value;
    case Expr::Kind::Star:
        return {};
    case Expr::Kind::Negate: {
        const Cell v = evaluate(*e.args[0], source, row);
        if (v.isNull())
            return v;
        if (v.typeId() == QMetaType::Double)
            return -v.toDouble();
        return -v.toLongLong();
    }
    case Expr::Kind::Column: {
        if (source && row) {
            for (int i = 0; i < source->columns.size(); ++i)
                if (sameName(source->columns[i].name, e.name))
                    return (*row)[i];
        }
        throw EvalError{msg::invalidColumn(e.name)};
    }
    case Expr::Kind::Variable: {
        if (e.name == u"@@version")
            return m_state->banner;
        if (e.name == u"@@spid")
            return qint64(m_spid);
        if (e.name == u"@@servername")
            return m_state->serverName;
        if (e.name == u"@@language")
            return QStringLiteral("us_english");
        if (e.name == u"@@trancount" || e.name == u"@@error" || e.name == u"@@rowcount")
            return qint64(0);
        if (e.name == u"@@microsoftversion")
            return qint64(m_state->profile == Profile::Sql70 ? 117441135 : 134219767);
        Message m = msg::make(137, 15, QStringLiteral("Must declare the variable '") + e.written + QStringLiteral("'."), 2);
        throw EvalError{m};
    }
    case Expr::Kind::Binary: {
        const Cell a = evaluate(*e.args[0], source, row);
        const Cell b = evaluate(*e.args[1], source, row);
        if (a.isNull() || b.isNull())
            return {};
        if (e.name == u"+" && (!isNumber(a) || !isNumber(b)))
            return QString(cellText(a) + cellText(b));
        if (!isNumber(a) || !isNumber(b))
            throw EvalError{msg::conversionFailed(isNumber(a) ? cellText(b) : cellText(a), QStringLiteral("int"))};
        const qint64 x = a.toLongLong();
        const qint64 y = b.toLongLong();
        if (e.name == u"+")
            return x + y;
        if (e.name == u"-")
            return x - y;
        if (e.name == u"*")
            return x * y;
        if (y == 0)
            throw EvalError{msg::make(8134, 16, QStringLiteral("Divide by zero error encountered."))};
        return x / y;
    }
    case Expr::Kind::Function:
        break;
    }
    // Functions.
    std::vector<Cell> args;
    for (const auto& a : e.args)
        args.push_back(evaluate(*a, source, row));
    auto arity = [&](size_t lo, size_t hi) {
        if (args.size() < lo || args.size() > hi)
            throw EvalError{msg::make(174, 15,
                                      QStringLiteral("The ") + e.name + QStringLiteral(" function requires %1 arguments.")
                                                                           .arg(lo))};
    };
    auto anyNull = [&]() { return std::any_of(args.begin(), args.end(), [](const Cell& c) { return c.isNull(); }); };
    const QString& f = e.name;
    if (f == u"left" || f == u"right") {
        arity(2, 2);
        if (anyNull())
            return {};
        const qint64 n = args[1].toLongLong();
        if (n < 0)
            throw EvalError{msg::invalidLength()};
        const QString s = cellText(args[0]);
        return f == u"left" ? s.left(n) : s.right(n);
    }
    if (f == u"substring") {
        arity(3, 3);
        if (anyNull())
            return {};
        const qint64 start = args[1].toLongLong();
        const qint64 n = args[2].toLongLong();
        if (n < 0)
            throw EvalError{msg::invalidLength()};
        const QString s = cellText(args[0]);
        const qint64 from = qMax<qint64>(start, 1);
        const qint64 to = start + n;  // exclusive, 1-based
        if (to <= from)
            return QString();
        return s.mid(from - 1, to - from);
    }
    if (f == u"charindex") {
        arity(2, 3);
        if (anyNull())
            return {};
        const qint64 from = args.size() == 3 ? qMax<qint64>(args[2].toLongLong(), 1) : 1;
        return qint64(cellText(args[1]).indexOf(cellText(args[0]), from - 1, Qt::CaseInsensitive) + 1);
    }
    if (f == u"len") {
        arity(1, 1);
        if (anyNull())
            return {};
        QString s = cellText(args[0]);
        while (s.endsWith(u' '))
            s.chop(1);
        return qint64(s.size());
    }
    if (f == u"ltrim" || f == u"rtrim" || f == u"upper" || f == u"lower") {
        arity(1, 1);
        if (anyNull())
            return {};
        QString s = cellText(args[0]);
        if (f == u"ltrim")
            while (s.startsWith(u' '))
                s.remove(0, 1);
        if (f == u"rtrim")
            while (s.endsWith(u' '))
                s.chop(1);
        if (f == u"upper")
            s = s.toUpper();
        if (f == u"lower")
            s = s.toLower();
        return s;
    }
    if (f == u"isnull") {
        arity(2, 2);
        return args[0].isNull() ? args[1] : args[0];
    }
    if (f == u"db_name") {
        arity(0, 1);
        const DatabaseState* db = args.empty() ? current() : m_state->databaseById(args[0].toInt());
        return db ? Cell(db->name) : Cell();
    }
    if (f == u"db_id") {
        arity(0, 1);
        const DatabaseState* db = args.empty() ? current() : m_state->database(cellText(args[0]));
        return db ? Cell(qint64(db->dbid)) : Cell();
    }
    if (f == u"suser_sname" || f == u"system_user")
        return QStringLiteral("sa");
    if (f == u"user_name")
        return QStringLiteral("dbo");
    if (f == u"object_id") {
        arity(1, 1);
        const auto name = parseObjectName(cellText(args[0]));
        DatabaseState* db = current();
        if (!name || !db)
            return {};
        if (const TableObject* t = db->table(name->name))
            return qint64(t->objectId);
        if (const ProcObject* p = db->proc(name->name))
            return qint64(p->objectId);
        return {};
    }
    throw EvalError{msg::make(195, 15, QStringLiteral("'") + e.name +
                                           QStringLiteral("' is not a recognized function name."))};
}

// ---- SELECT ---------------------------------------------------------------------------------------

DatabaseState* SessionImpl::databaseFor(const ObjectName& name, Message& error) const {
    if (name.database.isEmpty())
        return current();
    DatabaseState* db = m_state->database(name.database);
    if (!db)
        error = msg::unknownDatabase(name.database);
    return db;
}

bool SessionImpl::openTable(const ObjectName& name, RowSource& out, Message& error) {
    DatabaseState* db = databaseFor(name, error);
    if (!db)
        return false;
    const QString& n = name.name;
    if (sameName(n, QStringLiteral("sysdatabases")) && sameName(db->name, QStringLiteral("master"))) {
        out.columns = {textColumn(QStringLiteral("name"), 128), intColumn(QStringLiteral("dbid"), ColumnType::SmallInt),
                       intColumn(QStringLiteral("mode"), ColumnType::SmallInt), intColumn(QStringLiteral("status")),
                       intColumn(QStringLiteral("status2")), intColumn(QStringLiteral("cmptlevel")),
                       textColumn(QStringLiteral("filename"), 260),
                       intColumn(QStringLiteral("version"), ColumnType::SmallInt)};
        const bool is70 = m_state->profile == Profile::Sql70;
        for (const DatabaseState& d : m_state->databases) {
            const QString primary = d.files.empty() ? QString() : d.files.front().filename;
            out.rows.push_back({d.name, qint64(d.dbid), qint64(0), qint64(d.singleUser ? 0x1000 | 16 : 16),
                                qint64(1090519040), qint64(is70 ? 70 : 80), primary, qint64(is70 ? 515 : 539)});
        }
        return true;
    }
    if (sameName(n, QStringLiteral("sysfiles"))) {
        ColumnDef nameColumn = textColumn(QStringLiteral("name"), 128);
        nameColumn.type = ColumnType::NChar;
        ColumnDef fileColumn = textColumn(QStringLiteral("filename"), 260);
        fileColumn.type = ColumnType::NChar;
        out.columns = {intColumn(QStringLiteral("fileid"), ColumnType::SmallInt),
                       intColumn(QStringLiteral("groupid"), ColumnType::SmallInt),
                       intColumn(QStringLiteral("size")),
                       intColumn(QStringLiteral("maxsize")),
                       intColumn(QStringLiteral("growth")),
                       intColumn(QStringLiteral("status")),
                       intColumn(QStringLiteral("perf")),
                       nameColumn,
                       fileColumn};
        for (const ScenarioFile& f : db->files)
            out.rows.push_back({qint64(f.fileId), qint64(f.groupId), qint64(f.sizePages), qint64(-1), qint64(10),
                                qint64(f.groupId == 0 ? 0x100042 : 0x100002), qint64(0), padded(f.name, 128),
                                padded(f.filename, 260)});
        return true;
    }
    if (sameName(n, QStringLiteral("sysobjects"))) {
        ColumnDef xtype = textColumn(QStringLiteral("xtype"), 2);
        xtype.type = ColumnType::NChar;
        ColumnDef type = xtype;
        type.name = QStringLiteral("type");
        out.columns = {textColumn(QStringLiteral("name"), 128), intColumn(QStringLiteral("id")), xtype,
                       intColumn(QStringLiteral("uid"), ColumnType::SmallInt), type};
        for (const SystemTableInfo& t : systemTables())
            out.rows.push_back({QString::fromUtf16(t.name), qint64(t.objectId), QStringLiteral("S "), qint64(1),
                                QStringLiteral("S ")});
        for (const TableObject& t : db->tables)
            out.rows.push_back({t.name, qint64(t.objectId), QStringLiteral("U "), qint64(1), QStringLiteral("U ")});
        for (const ProcObject& p : db->procs)
            out.rows.push_back({p.name, qint64(p.objectId), QStringLiteral("P "), qint64(1), QStringLiteral("P ")});
        return true;
    }
    TableObject* t = db->table(n);
    if (!t) {
        error = msg::invalidObject(name.written);
        return false;
    }
    if (t->created) {
        out.columns = t->columns;
        out.rows = t->rows;
        return true;
    }
    if (!t->generate.column.isEmpty()) {
        ColumnDef c;
        c.name = t->generate.column;
        c.type = ColumnType::VarChar;
        c.length = t->generate.width;
        out.columns = {c};
        out.rows.reserve(static_cast<int>(t->nominalRows));
        // Row i is the alphabet, repeated, starting at its i-th letter.
        const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        const QString pattern = alphabet.repeated(t->generate.width / 26 + 2);
        for (qint64 i = 0; i < t->nominalRows; ++i)
            out.rows.push_back({pattern.mid(static_cast<int>(i % 26), t->generate.width)});
        return true;
    }
    out.columns = {intColumn(QStringLiteral("id"))};
    for (qint64 i = 1; i <= t->nominalRows; ++i)
        out.rows.push_back({i});
    return true;
}

bool SessionImpl::select(const SelectQuery& q, RowSource& out, Message& error) {
    RowSource source;
    const bool hasFrom = !q.from.empty();
    if (hasFrom && !openTable(q.from, source, error))
        return false;
    QVector<QVector<Cell>> rows;
    if (!hasFrom) {
        rows.push_back({});
    } else {
        for (const auto& row : source.rows) {
            bool keep = true;
            for (const Condition& c : q.where) {
                const Cell a = evaluate(*c.left, &source, &row);
                const Cell b = evaluate(*c.right, &source, &row);
                if (a.isNull() || b.isNull()) {
                    keep = false;
                    break;
                }
                const int cmp = compareCells(a, b);
                const bool ok = c.op == u"=" ? cmp == 0
                                : (c.op == u"<>" || c.op == u"!=") ? cmp != 0
                                : c.op == u"<"                     ? cmp < 0
                                : c.op == u">"                     ? cmp > 0
                                : c.op == u"<="                    ? cmp <= 0
                                : c.op == u">="                    ? cmp >= 0
                                                                   : like(cellText(a), cellText(b));
                if (!ok) {
                    keep = false;
                    break;
                }
            }
            if (keep)
                rows.push_back(row);
        }
    }
    if (!q.orderBy.isEmpty()) {
        int index = -1;
        for (int i = 0; i < source.columns.size(); ++i)
            if (sameName(source.columns[i].name, q.orderBy))
                index = i;
        if (index < 0) {
            error = msg::invalidColumn(q.orderBy);
            return false;
        }
        std::stable_sort(rows.begin(), rows.end(), [&](const QVector<Cell>& a, const QVector<Cell>& b) {
            const int cmp = compareCells(a[index], b[index]);
            return q.orderDescending ? cmp > 0 : cmp < 0;
        });
    }
    if (q.top >= 0 && rows.size() > q.top)
        rows.resize(q.top);
    // Aggregate: a lone count(*).
    if (q.items.size() == 1 && q.items[0]->kind == Expr::Kind::Function && q.items[0]->name == u"count") {
        out.columns = {intColumn(q.itemNames[0])};
        out.rows = {{qint64(rows.size())}};
        return true;
    }
    // Projection.
    QVector<int> sourceIndex;  // -1: computed
    for (size_t i = 0; i < q.items.size(); ++i) {
        const Expr& e = *q.items[i];
        if (e.kind == Expr::Kind::Star) {
            if (!hasFrom) {
                error = msg::make(263, 16, QStringLiteral("Must specify table to select from."));
                return false;
            }
            for (int k = 0; k < source.columns.size(); ++k) {
                out.columns.push_back(source.columns[k]);
                sourceIndex.push_back(k);
            }
            continue;
        }
        int index = -1;
        if (e.kind == Expr::Kind::Column) {
            for (int k = 0; k < source.columns.size(); ++k)
                if (sameName(source.columns[k].name, e.name))
                    index = k;
            if (index < 0) {
                error = msg::invalidColumn(e.name);
                return false;
            }
            ColumnDef c = source.columns[index];
            c.name = q.itemNames[static_cast<int>(i)];
            out.columns.push_back(c);
        } else {
            out.columns.push_back(textColumn(q.itemNames[static_cast<int>(i)], 0));  // typed below
        }
        sourceIndex.push_back(index);
    }
    for (const auto& row : rows) {
        QVector<Cell> projected;
        int column = 0;
        for (size_t i = 0; i < q.items.size(); ++i) {
            const Expr& e = *q.items[i];
            if (e.kind == Expr::Kind::Star) {
                for (const Cell& c : row)
                    projected.push_back(c);
                column += static_cast<int>(row.size());
                continue;
            }
            projected.push_back(sourceIndex[column] >= 0 ? row[sourceIndex[column]]
                                                         : evaluate(e, hasFrom ? &source : nullptr, &row));
            ++column;
        }
        out.rows.push_back(projected);
    }
    // Computed columns take their type from the values.
    for (int k = 0; k < out.columns.size(); ++k) {
        if (sourceIndex[k] >= 0)
            continue;
        bool allInts = !out.rows.isEmpty();
        int longest = 1;
        for (const auto& r : out.rows) {
            const Cell& v = r[k];
            if (v.isNull())
                continue;
            if (v.typeId() != QMetaType::LongLong)
                allInts = false;
            longest = qMax(longest, static_cast<int>(cellText(v).size()));
        }
        if (allInts) {
            out.columns[k].type = ColumnType::Int;
        } else {
            out.columns[k].type = ColumnType::NVarChar;
            out.columns[k].length = longest <= 256 ? 256 : 4000;
        }
    }
    return true;
}

SessionImpl::Outcome SessionImpl::runSelect(const Statement& s) {
    RowSource rs;
    Message error;
    if (!select(s.select, rs, error))
        return error.number == 208 || error.number == 207 ? abort(error) : fail(error);
    if (m_fmtOnly)
        rs.rows.clear();
    const qint64 n = rs.rows.size();
    result(ResultSet{rs.columns, rs.rows});
    done(true, n, 0xC1);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runIf(const Statement& s) {
    RowSource rs;
    Message error;
    if (!select(s.select, rs, error))
        return error.number == 208 || error.number == 207 ? abort(error) : fail(error);
    const bool exists = !rs.rows.isEmpty();
    if (exists != s.negate)
        return run(*s.thenBranch);
    if (s.elseBranch)
        return run(*s.elseBranch);
    done(false, 0, 0);
    return Outcome::Ok;
}

// ---- USE ------------------------------------------------------------------------------------------

bool SessionImpl::enter(DatabaseState& db, Message& error) {
    if (!m_state->mayEnter(m_spid, db)) {
        error = msg::singleUserInUse(db.name);
        return false;
    }
    m_dbid = db.dbid;
    m_state->enter(m_spid, m_dbid);
    return true;
}

SessionImpl::Outcome SessionImpl::runUse(const Statement& s) {
    DatabaseState* db = m_state->database(s.database);
    if (!db)
        return abort(msg::unknownDatabase(s.database));
    const QString old = current() ? current()->name : QString();
    Message error;
    if (!enter(*db, error))
        return abort(error);
    m_frame.out->push_back(DatabaseChange{db->name, old});
    message(msg::changedDatabase(db->name));
    done(false, 0, 0);
    return Outcome::Ok;
}

// ---- CREATE / DROP --------------------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runCreateTable(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db)
        return abort(error);
    if (db->hasObject(s.object.name) ||
        std::any_of(systemTables().begin(), systemTables().end(),
                    [&](const SystemTableInfo& t) { return sameName(QString::fromUtf16(t.name), s.object.name); }))
        return fail(msg::objectExists(s.object.name));
    TableObject t;
    t.name = s.object.name;
    if (!s.object.owner.isEmpty())
        t.owner = s.object.owner;
    t.objectId = ServerState::createdObjectId(db->dbid, t.name);
    t.created = true;
    for (const ColumnDeclaration& c : s.columns) {
        for (const ColumnDef& existing : t.columns)
            if (sameName(existing.name, c.name))
                return fail(msg::make(2705, 16,
                                      QStringLiteral("Column names in each table must be unique. Column name '") +
                                          c.name + QStringLiteral("' in table '") + t.name +
                                          QStringLiteral("' is specified more than once.")));
        t.columns.push_back(c.def);
    }
    db->tables.push_back(t);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runCreateProc(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db)
        return abort(error);
    if (db->hasObject(s.object.name))
        return fail(msg::objectExists(s.object.name));
    ProcObject p;
    p.name = s.object.name;
    if (!s.object.owner.isEmpty())
        p.owner = s.object.owner;
    p.objectId = ServerState::createdObjectId(db->dbid, p.name);
    p.body = s.body;
    p.statements = s.bodyStatements;
    db->procs.push_back(p);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runDrop(const Statement& s) {
    const bool proc = s.kind == Statement::Kind::DropProc;
    Outcome outcome = Outcome::Ok;
    for (const ObjectName& name : s.objects) {
        Message error;
        DatabaseState* db = databaseFor(name, error);
        if (!db) {
            message(error);
            outcome = Outcome::Failed;
            continue;
        }
        bool dropped = false;
        if (proc) {
            auto it = std::find_if(db->procs.begin(), db->procs.end(),
                                   [&](const ProcObject& p) { return sameName(p.name, name.name); });
            if (it != db->procs.end()) {
                db->procs.erase(it);
                dropped = true;
            }
        } else {
            auto it = std::find_if(db->tables.begin(), db->tables.end(),
                                   [&](const TableObject& t) { return sameName(t.name, name.name); });
            if (it != db->tables.end()) {
                db->tables.erase(it);
                dropped = true;
            }
        }
        if (!dropped) {
            message(proc ? msg::cannotDropProcedure(name.name) : msg::cannotDropTable(name.name));
            outcome = Outcome::Failed;
        }
    }
    done(false, 0, 0);
    return outcome;
}

// ---- EXEC ('...') and INSERT ----------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runExecString(const Statement& s) {
    const Cell text = evaluate(*s.text, nullptr, nullptr);
    const QString batch = text.isNull() ? QString() : cellText(text);
    const ParseOutcome parsed = parseBatch(batch, m_state->profile);
    if (!parsed.errors.empty())
        return compileFailed(parsed.errors, Outcome::Failed);
    if (!nestDeeper())
        return Outcome::Abort;
    const Outcome o = runStatements(parsed.statements);
    --m_nesting;
    return o == Outcome::Abort ? Outcome::Failed : o;
}

bool SessionImpl::insertRows(TableObject& table, const std::vector<QString>& columns,
                             const QVector<QVector<Cell>>& rows) {
    // Map the given columns (or all) onto the table's.
    QVector<int> targets;
    if (columns.empty()) {
        for (int i = 0; i < table.columns.size(); ++i)
            targets.push_back(i);
    } else {
        for (const QString& c : columns) {
            int index = -1;
            for (int i = 0; i < table.columns.size(); ++i)
                if (sameName(table.columns[i].name, c))
                    index = i;
            if (index < 0) {
                fail(msg::invalidColumn(c));
                return false;
            }
            targets.push_back(index);
        }
    }
    QVector<QVector<Cell>> converted;
    for (const auto& row : rows) {
        if (row.size() != targets.size()) {
            fail(msg::columnCountMismatch());
            return false;
        }
        QVector<Cell> out(table.columns.size());
        for (int k = 0; k < targets.size(); ++k) {
            const ColumnDef& def = table.columns[targets[k]];
            const Cell& v = row[k];
            if (v.isNull())
                continue;
            if (def.type == ColumnType::Int || def.type == ColumnType::SmallInt) {
                bool ok = false;
                const qint64 n = isNumber(v) ? v.toLongLong(&ok) : cellText(v).trimmed().toLongLong(&ok);
                if (!ok) {
                    fail(msg::conversionFailed(cellText(v), typeName(def)));
                    return false;
                }
                out[targets[k]] = n;
                continue;
            }
            QString text = cellText(v);
            // A varchar column keeps the text in the server's code page and counts its length in
            // bytes of that code page; an nvarchar column keeps everything and counts characters.
            QString rest;
            if (def.type == ColumnType::VarChar) {
                const CodePage page = m_state->collation.codePage;
                const QByteArray bytes = codepage::encode(page, text);
                const qsizetype kept = codepage::fittingBytes(page, bytes, def.length);
                text = codepage::decode(page, QByteArrayView(bytes).first(kept));
                rest = codepage::decode(page, QByteArrayView(bytes).sliced(kept));
            } else if (text.size() > def.length) {
                rest = text.mid(def.length);
                text.truncate(def.length);
            }
            // Trailing blanks may be cut; anything else would be lost.
            if (!rest.trimmed().isEmpty()) {
                message(msg::truncated());
                message(msg::statementTerminated());
                done(false, 0, 0);
                return false;
            }
            out[targets[k]] = text;
        }
        converted.push_back(out);
    }
    table.rows += converted;
    return true;
}

SessionImpl::Outcome SessionImpl::runInsert(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db)
        return abort(error);
    TableObject* table = db->table(s.object.name);
    if (!table || !table->created)
        return abort(msg::invalidObject(s.object.written));
    const int databaseId = db->dbid;
    std::vector<QString> columns;
    for (const ColumnDeclaration& c : s.columns)
        columns.push_back(c.name);
    QVector<QVector<Cell>> rows;
    if (s.source) {
        QVector<ColumnDef> sourceColumns;
        const Frame saved = m_frame;
        m_frame.capture = &rows;
        m_frame.captureColumns = &sourceColumns;
        const Outcome o = run(*s.source);
        m_frame = saved;
        if (o == Outcome::Abort)
            return o;
        if (o == Outcome::Failed) {
            done(false, 0, 0);
            return o;
        }
        // What ran may have attached a database or created or dropped tables: look both up again.
        db = m_state->databaseById(databaseId);
        table = db ? db->table(s.object.name) : nullptr;
        if (!table)
            return abort(msg::invalidObject(s.object.written));
    } else {
        for (const auto& valueRow : s.values) {
            QVector<Cell> row;
            for (const auto& e : valueRow)
                row.push_back(evaluate(*e, nullptr, nullptr));
            rows.push_back(row);
        }
    }
    if (!insertRows(*table, columns, rows))
        return Outcome::Failed;
    done(true, rows.size(), 0xC3);
    return Outcome::Ok;
}

// ---- BACKUP LOG, SET, PRINT -----------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runBackup(const Statement& s) {
    DatabaseState* db = m_state->database(s.database);
    if (!db) {
        message(msg::unknownDatabase(s.database));
        return fail(m_state->profile == Profile::Sql70 ? msg::backupTerminated70()
                                                       : msg::backupTerminated(QStringLiteral("BACKUP LOG")));
    }
    // The log is emptied without being kept anywhere: its pages are free again.
    for (ScenarioFile& f : db->files)
        if (f.groupId == 0)
            f.usedPages = qMin(f.usedPages, 24);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runSet(const Statement& s) {
    if (s.options.contains(QStringLiteral("FMTONLY")))
        m_fmtOnly = s.command == u"ON";
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runPrint(const Statement& s) {
    const Cell v = evaluate(*s.text, nullptr, nullptr);
    message(msg::make(0, 0, v.isNull() ? QString() : cellText(v)));
    done(false, 0, 0);
    return Outcome::Ok;
}

// ---- RPC ------------------------------------------------------------------------------------------

Reply SessionImpl::executeRpc(const RpcCall& call) {
    std::lock_guard lock(m_state->mutex);
    Reply reply;
    const Frame saved = m_frame;
    m_frame = Frame{};
    m_frame.out = &reply.tokens;

    auto paramText = [&](const char16_t* name, size_t position) -> QString {
        for (const RpcParam& p : call.params)
            if (sameName(p.name, QString::fromUtf16(name)))
                return p.value.toString();
        return position < call.params.size() ? call.params[position].value.toString() : QString();
    };
    auto returnValues = [&](qint64 value) {
        quint16 ordinal = 0;
        for (const RpcParam& p : call.params) {
            if (p.output)
                reply.tokens.push_back(ReturnValue{ordinal, p.name, Cell(value)});
            ++ordinal;
        }
    };
    const int errorsBefore = m_errorsSent;
    auto finish = [&]() {
        reply.tokens.push_back(ReturnStatus{0});
        Done d;
        d.kind = Done::Kind::DoneProc;
        d.error = m_errorsSent != errorsBefore;
        m_errorSinceDone = false;
        reply.tokens.push_back(d);
    };

    const int id = call.procId;
    const QString name = call.procName.toLower();
    if (id == 10 || name == u"sp_executesql") {
        runText(paramText(u"@stmt", 0));
        finish();
    } else if (id == 13 || name == u"sp_prepexec") {
        runText(paramText(u"@stmt", 2));
        returnValues(1);
        finish();
    } else if (id == 2 || name == u"sp_cursoropen") {
        runText(paramText(u"@stmt", 1));
        returnValues(0);
        finish();
    } else if (id != 0 && call.procName.isEmpty()) {
        finish();  // other numbered system procedures (unprepare, cursorclose): nothing to do
    } else {
        Statement s;
        s.kind = Statement::Kind::ExecProc;
        const auto object = parseObjectName(call.procName);
        if (object) {
            s.object = *object;
        } else {
            s.object.name = call.procName;
            s.object.written = call.procName;
        }
        for (const RpcParam& p : call.params) {
            ExecParam e;
            e.name = p.name;
            auto value = std::make_shared<Expr>();
            value->value = p.value;
            e.value = value;
            e.output = p.output;
            s.params.push_back(e);
        }
        run(s);
    }
    m_frame = saved;
    if (reply.tokens.empty() || !std::holds_alternative<Done>(reply.tokens.back()))
        reply.tokens.push_back(Done{});
    return reply;
}

}  // namespace sqlsim
