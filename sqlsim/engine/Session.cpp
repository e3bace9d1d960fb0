// A session: login, the output of a statement, and the batches it runs.

#include "sqlsim/engine/CellValues.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

SessionImpl::SessionImpl(std::shared_ptr<ServerState> state, int spid)
    : m_state(std::move(state)), m_spid(spid) {}

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
    return m_dbid == 0 ? m_state->database(u"master"_s) : m_state->databaseById(m_dbid);
}

// ---- login
// ----------------------------------------------------------------------------------------

Session::LoginOutcome SessionImpl::login(const LoginRequest& request) {
    std::lock_guard lock(m_state->mutex);
    LoginOutcome outcome;
    auto refuse = [&](std::optional<Message> first) {
        if (first) outcome.reply.tokens.push_back(*first);
        outcome.reply.tokens.push_back(msg::loginFailed(request.user));
        Done d;
        d.error = true;
        outcome.reply.tokens.push_back(d);
        outcome.reply.closeConnection = true;
        outcome.accepted = false;
        return outcome;
    };
    if (!sameName(request.user, u"sa"_s) || request.password != m_state->saPassword)
        return refuse(std::nullopt);
    DatabaseState* target = m_state->database(u"master"_s);
    if (!request.database.isEmpty()) {
        DatabaseState* wanted = m_state->database(request.database);
        if (!wanted || !m_state->mayEnter(m_spid, *wanted))
            return refuse(msg::cannotOpenLoginDatabase(request.database));
        target = wanted;
    }
    if (!target) return refuse(std::nullopt);
    m_dbid = target->dbid;
    m_state->enter(m_spid, m_dbid);
    outcome.accepted = true;
    outcome.reply.tokens.push_back(DatabaseChange{target->name, u"master"_s});
    outcome.reply.tokens.push_back(msg::changedDatabase(target->name));
    outcome.reply.tokens.push_back(msg::changedLanguage(u"us_english"_s));
    return outcome;
}

// ---- output
// ---------------------------------------------------------------------------------------

void SessionImpl::message(Message m, bool namesProcedure) {
    if (namesProcedure && !m_frame.procName.isEmpty() && m.procName.isEmpty())
        m.procName = m_frame.procName;
    // Informational messages all travel as class 0, whatever level the catalogue gives them.
    if (m.severity == 10) m.severity = 0;
    // Messages of a running statement carry its line within the batch or procedure.
    if (m.line == 1) m.line = m_line;
    if (m.severity > 10) {
        m_errorSinceDone = true;
        ++m_errorsSent;
    }
    m_frame.out->push_back(m);
}

void SessionImpl::done(bool count, qint64 rows, quint16 curCmd) {
    if (m_frame.capture) return;
    Done d;
    d.kind = m_frame.depth > 0 ? Done::Kind::DoneInProc : Done::Kind::Done;
    // The error bit says that an ERROR token went out for this statement, nothing else.
    d.error = m_errorSinceDone;
    m_errorSinceDone = false;
    d.count = count && !m_settings.noCount();
    d.rowCount = rows;
    d.curCmd = curCmd;
    m_frame.out->push_back(d);
}

void SessionImpl::result(ResultSet rs) {
    if (m_frame.capture) {
        if (m_frame.captureColumns && m_frame.captureColumns->isEmpty())
            *m_frame.captureColumns = rs.columns;
        for (auto& row : rs.rows) m_frame.capture->push_back(std::move(row));
        return;
    }
    m_frame.out->push_back(std::move(rs));
}

SessionImpl::Outcome SessionImpl::fail(const Message& m) {
    message(m);
    done(false, 0, 0);
    return Outcome::Failed;
}

SessionImpl::Outcome SessionImpl::compileFailed(const std::vector<Message>& errors,
                                                Outcome outcome) {
    for (const Message& m : errors) message(m);
    done(false, 0, 0);
    return outcome;
}

SessionImpl::Outcome SessionImpl::abort(const Message& m) {
    message(m);
    done(false, 0, 0);
    return Outcome::Abort;
}

// ---- batches
// --------------------------------------------------------------------------------------

Reply SessionImpl::collectReply(const std::function<void()>& body) {
    std::lock_guard lock(m_state->mutex);
    Reply reply;
    const Frame saved = m_frame;
    m_frame = Frame{};
    m_frame.out = &reply.tokens;
    body();
    m_frame = saved;
    if (m_cancelled) {
        // The cancelled statement sends nothing of its own: the reply keeps what came before it
        // and ends with an error DONE.
        rollBack();
        reply.tokens.erase(reply.tokens.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(m_cancelledAt, reply.tokens.size())),
                           reply.tokens.end());
        Done stopped;
        stopped.error = true;
        reply.tokens.push_back(stopped);
        reply.cancelled = true;
        m_cancelled = false;
        m_errorSinceDone = false;
        return reply;
    }
    if (reply.tokens.empty() || !std::holds_alternative<Done>(reply.tokens.back()))
        reply.tokens.push_back(Done{});
    return reply;
}

Reply SessionImpl::executeBatch(const QString& text) {
    return collectReply([&] { runText(text); });
}

SessionImpl::Outcome SessionImpl::runText(const QString& text) {
    const ParseOutcome parsed = parseBatch(text, m_state->profile, m_state->collation.codePage);
    if (!parsed.errors.empty()) return compileFailed(parsed.errors, Outcome::Abort);
    return runStatements(parsed.statements);
}

SessionImpl::Outcome SessionImpl::runStatements(const std::vector<StatementPtr>& statements) {
    Outcome worst = Outcome::Ok;
    for (const StatementPtr& s : statements) {
        const Outcome o = run(*s);
        if (o == Outcome::Abort) return o;
        if (o == Outcome::Failed) worst = o;
    }
    return worst;
}

SessionImpl::Outcome SessionImpl::run(const Statement& s) {
    if (m_cancelled) return Outcome::Abort;  // nothing runs after a cancelled statement
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

}  // namespace sqlsim
