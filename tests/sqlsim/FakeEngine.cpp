#include "tests/sqlsim/FakeEngine.h"

#include "sqlsim/engine/SystemRpc.h"

#include <QMutexLocker>
#include <QRegularExpression>

#include <stdexcept>

namespace sqlsim::test {

namespace {

Done doneCount(qint64 n)
{
    Done d;
    d.count = true;
    d.rowCount = n;
    d.curCmd = 0xC1;
    return d;
}

Message info(int number, const QString& text, int state = 1)
{
    Message m;
    m.number = number;
    m.state = state;
    m.severity = 0;
    m.text = text;
    return m;
}

Message error(int number, int severity, const QString& text)
{
    Message m;
    m.number = number;
    m.severity = severity;
    m.text = text;
    return m;
}

ResultSet oneColumn(const QString& name, ColumnType type, int length, const QStringList& values)
{
    ResultSet rs;
    rs.columns.push_back({name, type, length});
    for (const QString& v : values)
        rs.rows.push_back({Cell(v)});
    return rs;
}

class FakeSession : public Session {
public:
    FakeSession(FakeEngine& engine, int spid) : m_engine(engine), m_spid(spid) {}

    LoginOutcome login(const LoginRequest& request) override
    {
        m_engine.recordLogin(request);
        LoginOutcome out;
        if (request.user != u"sa" || request.password != m_engine.password()) {
            Done d;
            d.error = true;
            out.reply.tokens = {error(18456, 14, QStringLiteral("Login failed for user '%1'.").arg(request.user)), d};
            out.reply.closeConnection = true;
            return out;
        }
        out.accepted = true;
        m_database = request.database.isEmpty() ? QStringLiteral("master") : request.database;
        out.reply.tokens = {DatabaseChange{m_database, QStringLiteral("master")},
                            info(5701, QStringLiteral("Changed database context to '%1'.").arg(m_database), 2)};
        return out;
    }

    Reply executeBatch(const QString& text) override
    {
        m_engine.recordBatch(text);
        const QString t = text.trimmed().toLower();
        Reply r;
        static const QRegularExpression rowsRe(QStringLiteral("^select rows (\\d+) width (\\d+)$"));
        static const QRegularExpression useRe(QStringLiteral("^use \\[?([^\\]]+)\\]?$"));
        if (t == u"select @@version") {
            r.tokens = {oneColumn(QString(), ColumnType::NVarChar, 256, {m_engine.versionBanner()}), doneCount(1)};
        } else if (t == u"select left(@@version,charindex('-',@@version)-1)") {
            const QString banner = m_engine.versionBanner();
            // charindex is 1-based: the text before the '-' keeps its trailing blank.
            r.tokens = {oneColumn(QString(), ColumnType::NVarChar, 256, {banner.left(banner.indexOf(u'-'))}),
                        doneCount(1)};
        } else if (t == u"select name from sysdatabases where dbid>6 order by name") {
            r.tokens = {oneColumn(QStringLiteral("name"), ColumnType::NVarChar, 128, m_engine.databaseNames()),
                        doneCount(2)};
        } else if (const auto m = useRe.match(t); m.hasMatch()) {
            const QString db = text.trimmed().mid(4).remove(u'[').remove(u']');
            if (!m_engine.databaseExists(db)) {
                Done d;
                d.error = true;
                r.tokens = {error(911, 16, QStringLiteral("Could not locate entry in sysdatabases for database '%1'. "
                                                          "No entry found with that name. Make sure that the name "
                                                          "is entered correctly.").arg(db)),
                            d};
            } else {
                r.tokens = {DatabaseChange{db, m_database},
                            info(5701, QStringLiteral("Changed database context to '%1'.").arg(db)), Done{}};
                m_database = db;
            }
        } else if (t == u"select typed") {
            ResultSet rs;
            rs.columns = {{QStringLiteral("i"), ColumnType::Int, 0},
                          {QStringLiteral("s"), ColumnType::SmallInt, 0},
                          {QStringLiteral("nv"), ColumnType::NVarChar, 20},
                          {QStringLiteral("nc"), ColumnType::NChar, 5},
                          {QStringLiteral("v"), ColumnType::VarChar, 20}};
            rs.rows = {{Cell(qint64(-7)), Cell(qint64(300)), Cell(QStringLiteral("检测 ok")), Cell(QStringLiteral("ab")),
                        Cell(QStringLiteral("caf\u00e9 \u20ac"))},
                       {Cell(), Cell(), Cell(), Cell(), Cell()}};
            r.tokens = {rs, doneCount(2)};
        } else if (const auto m2 = rowsRe.match(t); m2.hasMatch()) {
            const int n = m2.captured(1).toInt();
            const int width = m2.captured(2).toInt();
            ResultSet rs;
            rs.columns = {{QStringLiteral("payload"), ColumnType::NVarChar, width}};
            const QString value(width, u'x');
            rs.rows.reserve(n);
            for (int i = 0; i < n; ++i)
                rs.rows.push_back({Cell(value)});
            r.tokens = {rs, doneCount(n)};
        } else if (t == u"two errors") {
            Done failed;
            failed.error = true;
            r.tokens = {info(0, QStringLiteral("first")), Done{}, error(208, 16, QStringLiteral("Invalid object name 'x'.")),
                        failed, Done{}};
        } else if (t == u"throw") {
            throw std::runtime_error("the engine failed");
        } else if (t == u"quit") {
            r.tokens = {Done{}};
            r.closeConnection = true;
        } else {
            r.tokens = {Done{}};
        }
        return r;
    }

    Reply executeRpc(const RpcCall& call) override
    {
        m_engine.recordRpc(call);
        // sp_prepexec and sp_executesql answer with the rows of their statement, as inside a
        // procedure; every output parameter comes back as 1.
        Reply r;
        const bool prepExec = call.procId == procid::PrepExec;
        const RpcParam* stmt = findParam(call, u"@stmt", prepExec ? 2 : 0);
        if (stmt && (prepExec || call.procId == procid::ExecuteSql))
            r = executeBatch(stmt->value.toString());
        for (Token& t : r.tokens)
            if (auto* done = std::get_if<Done>(&t))
                done->kind = Done::Kind::DoneInProc;
        r.tokens.push_back(ReturnStatus{0});
        for (quint16 i = 0; i < call.params.size(); ++i)
            if (call.params[i].output)
                r.tokens.push_back(ReturnValue{i, call.params[i].name, Cell(qint64(1))});
        Done d;
        d.kind = Done::Kind::DoneProc;
        r.tokens.push_back(d);
        return r;
    }

    QString currentDatabase() const override { return m_database; }
    int spid() const override { return m_spid; }
    void disconnect() override { m_engine.recordDisconnect(); }

private:
    FakeEngine& m_engine;
    int m_spid;
    QString m_database = QStringLiteral("master");
};

}  // namespace

FakeEngine::FakeEngine(Profile profile, QString password) : m_profile(profile), m_password(std::move(password)) {}

QString FakeEngine::versionBanner() const
{
    return m_profile == Profile::Sql2000 ? FakeBanner2000 : FakeBanner70;
}

std::unique_ptr<Session> FakeEngine::newSession(int spid)
{
    return std::make_unique<FakeSession>(*this, spid);
}

QStringList FakeEngine::databaseNames() const
{
    return {QStringLiteral("alpha"), QStringLiteral("beta")};
}

bool FakeEngine::databaseExists(const QString& name) const
{
    return name.compare(u"master", Qt::CaseInsensitive) == 0 || databaseNames().contains(name, Qt::CaseInsensitive);
}

QStringList FakeEngine::sessionsIn(const QString&) const
{
    return {};
}

QStringList FakeEngine::batches() const
{
    QMutexLocker lock(&m_mutex);
    return m_batches;
}

std::vector<RpcCall> FakeEngine::rpcs() const
{
    QMutexLocker lock(&m_mutex);
    return m_rpcs;
}

std::vector<LoginRequest> FakeEngine::logins() const
{
    QMutexLocker lock(&m_mutex);
    return m_logins;
}

void FakeEngine::recordBatch(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_batches << text;
}

void FakeEngine::recordRpc(const RpcCall& call)
{
    QMutexLocker lock(&m_mutex);
    m_rpcs.push_back(call);
}

void FakeEngine::recordLogin(const LoginRequest& request)
{
    QMutexLocker lock(&m_mutex);
    m_logins.push_back(request);
}

}  // namespace sqlsim::test
