// EXEC of user procedures and of the system procedures clients call: sp_dboption,
// sp_MSforeachtable (sp_attach_db and sp_attach_single_file_db: Attach.cpp; xp_cmdshell:
// CommandShell.cpp; the disk procedures: ExtendedProcedures.cpp).

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/SessionImpl.h"
#include "sqlsim/engine/SystemRpc.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace sqlsim {

bool SessionImpl::nestDeeper() {
    if (m_nesting >= 32) {
        message(msg::procedureNestingExceeded());
        done(false, 0, 0);
        return false;
    }
    ++m_nesting;
    return true;
}

SessionImpl::Outcome SessionImpl::runProcedureBody(const QString& name,
                                                   const std::function<int()>& body) {
    if (!nestDeeper()) return Outcome::Abort;
    const Frame saved = m_frame;
    ++m_frame.depth;
    m_frame.procName = name;
    const int errorsBefore = m_errorsSent;
    const int status = body();
    m_frame = saved;
    --m_nesting;
    // A return status other than 0 is no error by itself (xp_cmdshell returns 1 when its command
    // failed); only an ERROR token sent while the procedure ran sets the error bit.
    const bool errorSent = m_errorsSent != errorsBefore;
    if (!m_frame.capture) {
        m_frame.out->push_back(ReturnStatus{status});
        Done d;
        d.kind = Done::Kind::DoneProc;
        d.error = errorSent;
        m_frame.out->push_back(d);
        m_errorSinceDone = false;
    }
    return errorSent ? Outcome::Failed : Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::callUserProcedure(DatabaseState& db, const ProcObject& proc) {
    const std::vector<StatementPtr> statements =
        proc.statements;  // the body may drop the procedure
    const int saved = m_dbid;
    m_dbid = db.dbid;
    const Outcome o = runProcedureBody(
        proc.name, [&]() { return runStatements(statements) == Outcome::Ok ? 0 : -6; });
    m_dbid = saved;
    return o;
}

SessionImpl::Outcome SessionImpl::runExecProc(const Statement& s) {
    const ObjectName& n = s.object;
    DatabaseState* db = current();
    if (!n.database.isEmpty()) {
        db = m_state->database(n.database);
        if (!db) return abort(msg::unknownDatabase(n.database));
    }
    if (db) {
        if (const ProcObject* p = db->proc(n.name)) return callUserProcedure(*db, *p);
    }
    const QString name = n.name.toLower();
    const bool inMaster = db && sameName(db->name, u"master"_s);
    const std::vector<ExecParam>& params = s.params;
    if (name == u"sp_attach_db")
        return runProcedureBody(u"sp_attach_db"_s, [&]() { return spAttachDb(params, false); });
    if (name == u"sp_attach_single_file_db")
        return runProcedureBody(u"sp_attach_single_file_db"_s,
                                [&]() { return spAttachDb(params, true); });
    if (name == u"sp_dboption")
        return runProcedureBody(u"sp_dboption"_s, [&]() { return spDbOption(params); });
    if (name == u"sp_msforeachtable")
        return runProcedureBody(u"sp_MSforeachtable"_s, [&]() { return spForEachTable(params); });
    if (name == u"xp_cmdshell" && inMaster)
        return runProcedureBody(u"xp_cmdshell"_s, [&]() { return xpCmdShell(params); });
    if (isDiskProcedure(name) && inMaster) return runDiskProcedure(name, n.written, params);
    if (name == u"sp_executesql") {
        const QString text = paramValue(params, u"@stmt"_s, 0).value_or(QString());
        // The parameters after the declaration, by name or in its order.
        const QStringList declared =
            declaredParameterNames(paramValue(params, u"@params"_s, 1).value_or(QString()));
        const std::map<QString, Cell> locals =
            boundParameters(params, 2, declared, [this](const ExecParam& p) {
                return p.value ? evaluate(*p.value, nullptr, nullptr) : Cell();
            });
        const auto saved = std::exchange(m_locals, locals);
        const Outcome o = runProcedureBody(u"sp_executesql"_s,
                                           [&]() { return runText(text) == Outcome::Ok ? 0 : -6; });
        m_locals = saved;
        return o;
    }
    if (name == u"sp_datatype_info" || name == u"sp_server_info")
        return runProcedureBody(n.name, []() { return 0; });
    return fail(msg::procedureNotFound(n.written));
}

// ---- sp_dboption
// ----------------------------------------------------------------------------------

int SessionImpl::spDbOption(const std::vector<ExecParam>& params) {
    const auto dbname = paramValue(params, u"@dbname"_s, 0);
    const auto optname = paramValue(params, u"@optname"_s, 1);
    const auto optvalue = paramValue(params, u"@optvalue"_s, 2);
    if (!dbname || dbname->isEmpty() || !optname || !optvalue)
        return 0;  // listing options or settings: nothing the clients read
    DatabaseState* db = m_state->database(*dbname);
    if (!db) {
        message(msg::noSuchDatabaseForProc(*dbname));
        done(false, 0, 0);
        return 1;
    }
    static const QStringList options = {
        u"single user"_s,
        u"read only"_s,
        u"dbo use only"_s,
        u"autoshrink"_s,
        u"autoclose"_s,
        u"offline"_s,
        u"select into/bulkcopy"_s,
        u"trunc. log on chkpt."_s,
        u"torn page detection"_s,
    };
    QStringList matches;
    for (const QString& o : options)
        if (o.startsWith(optname->trimmed(), Qt::CaseInsensitive) && !optname->trimmed().isEmpty())
            matches << o;
    if (matches.size() != 1) {
        message(msg::unknownDatabaseOption(*optname));
        done(false, 0, 0);
        return 1;
    }
    const QString value = optvalue->trimmed().toLower();
    bool on = false;
    if (value == u"true" || value == u"on")
        on = true;
    else if (value != u"false" && value != u"off") {
        message(msg::dbOptionUsage());
        done(false, 0, 0);
        return 1;
    }
    if (matches.front() != u"single user") return 0;
    // Another connection inside the database stops the change: switching on while anyone else is
    // in it; switching either way while the single-user database's one user, or the live
    // connection that switched it on, is another connection.
    const std::vector<int> inside = m_state->sessionsIn(db->dbid);
    const bool othersInside =
        std::any_of(inside.begin(), inside.end(), [&](int spid) { return spid != m_spid; });
    if ((othersInside && (on || db->singleUser)) || !m_state->mayEnter(m_spid, *db)) {
        if (m_state->profile == Profile::Sql70) {
            message(msg::cannotChangeOptionInUse(matches.front()));
        } else {
            // 2000's sp_dboption runs ALTER DATABASE: its errors name no procedure.
            message(db->singleUser ? msg::singleUserDatabaseInUse(db->name)
                                   : msg::databaseStateInUse(db->name),
                    false);
            message(msg::alterDatabaseFailed(), false);
            message(msg::procCommandFailed(u"sp_dboption"_s));
        }
        done(false, 0, 0);
        return 1;
    }
    db->singleUser = on;
    // The switching connection keeps its claim on the database, also from master.
    db->singleUserHolder = on ? m_spid : 0;
    return 0;
}

// ---- sp_MSforeachtable
// ----------------------------------------------------------------------------

int SessionImpl::spForEachTable(const std::vector<ExecParam>& params) {
    DatabaseState* db = current();
    if (!db) return 1;
    const QString replace = paramValue(params, u"@replacechar"_s, 1).value_or(u"?"_s);
    QStringList commands;
    for (const char* name : {"@command1", "@command2", "@command3"}) {
        const auto c = paramValue(params, QString::fromLatin1(name), name[8] == '1' ? 0 : 99);
        if (c && !c->isEmpty()) commands << *c;
    }
    if (commands.isEmpty()) {
        message(msg::parameterNotSupplied(u"sp_MSforeachtable"_s, u"@command1"_s));
        done(false, 0, 0);
        return 1;
    }
    // The commands run through the worker's EXEC of a string: their messages name no procedure.
    m_frame.procName.clear();
    if (const auto pre = paramValue(params, u"@precommand"_s, 99); pre && !pre->isEmpty())
        runText(*pre);
    // The list of tables is taken before the commands run; they may create or drop tables. The
    // worker's cursor reads sysobjects in object-id order and quotes each part, doubling ']'.
    std::vector<const TableObject*> byId;
    for (const TableObject& t : db->tables) byId.push_back(&t);
    std::stable_sort(byId.begin(), byId.end(), [](const TableObject* a, const TableObject* b) {
        return a->objectId < b->objectId;
    });
    const auto quoted = [](QString part) -> QString {
        return u"["_s + part.replace(u"]"_s, u"]]"_s) + u"]"_s;
    };
    QStringList tables;
    for (const TableObject* t : byId) tables << quoted(t->owner) + u"."_s + quoted(t->name);
    int status = 0;
    for (const QString& table : tables) {
        for (const QString& command : commands) {
            QString text = command;
            text.replace(replace.isEmpty() ? u"?"_s : replace, table);
            if (runText(text) != Outcome::Ok) status = 1;
        }
    }
    if (const auto post = paramValue(params, u"@postcommand"_s, 99); post && !post->isEmpty())
        runText(*post);
    return status;
}

}  // namespace sqlsim
