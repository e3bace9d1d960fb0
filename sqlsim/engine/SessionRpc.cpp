// Remote procedure calls: the system procedures clients call by number (sp_executesql, the
// prepared statements, sp_cursoropen without a real cursor) and procedures called by name.

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"
#include "sqlsim/engine/SystemRpc.h"

#include <algorithm>

namespace sqlsim {

namespace {

QString textOf(const RpcParam* p) {
    return p && !p->value.isNull() ? p->value.toString() : QString();
}

quint16 ordinalOf(const RpcCall& call, const RpcParam* p) {
    return static_cast<quint16>(p - call.params.data());
}

bool hasError(const std::vector<Token>& tokens) {
    for (const Token& t : tokens) {
        if (const auto* m = std::get_if<Message>(&t); m && m->severity > 10) return true;
        if (const auto* d = std::get_if<Done>(&t); d && d->error) return true;
    }
    return false;
}

// RETURNSTATUS, the output parameters and DONEPROC that end the reply to an RPC.
void finishProcedure(const RpcCall& call, const std::vector<ReturnValue>& outputs, bool failed,
                     std::vector<Token>& tokens) {
    tokens.push_back(ReturnStatus{0});
    // Output parameters the procedure does not set come back as they went in.
    for (quint16 i = 0; i < call.params.size(); ++i) {
        const RpcParam& p = call.params[i];
        if (!p.output) continue;
        const auto own = std::find_if(outputs.begin(), outputs.end(),
                                      [&](const ReturnValue& v) { return v.ordinal == i; });
        tokens.push_back(own != outputs.end() ? *own : ReturnValue{i, p.name, p.value});
    }
    Done procDone;
    procDone.kind = Done::Kind::DoneProc;
    procDone.error = failed;
    tokens.push_back(procDone);
}

// The values of a parameterised RPC: as sent, by name or in the order of the declaration.
std::map<QString, Cell> boundValues(const RpcCall& call, size_t skip, const QStringList& names) {
    return boundParameters(call.params, skip, names, [](const RpcParam& p) { return p.value; });
}

// A system procedure called by name runs as when called by its number.
int procIdOf(const RpcCall& call) {
    if (call.procId != 0) return call.procId;
    static const std::pair<const char16_t*, int> byName[] = {
        {u"sp_cursoropen", procid::CursorOpen}, {u"sp_executesql", procid::ExecuteSql},
        {u"sp_prepare", procid::Prepare},       {u"sp_execute", procid::Execute},
        {u"sp_prepexec", procid::PrepExec},     {u"sp_unprepare", procid::Unprepare}};
    for (const auto& [name, id] : byName)
        if (call.procName.compare(QStringView(name), Qt::CaseInsensitive) == 0) return id;
    return 0;
}

}  // namespace

Reply SessionImpl::runStatementInProc(const RpcCall& call, const QString& statement,
                                      const std::vector<ReturnValue>& outputs) {
    Reply reply = executeBatch(statement);
    for (Token& t : reply.tokens) {
        if (auto* d = std::get_if<Done>(&t); d && d->kind == Done::Kind::Done)
            d->kind = Done::Kind::DoneInProc;
    }
    finishProcedure(call, outputs, hasError(reply.tokens), reply.tokens);
    return reply;
}

Reply SessionImpl::executeRpc(const RpcCall& call) {
    Reply reply;
    const int procId = procIdOf(call);
    switch (procId) {
        case procid::ExecuteSql: {
            const QStringList names =
                declaredParameterNames(textOf(findParam(call, u"@params", 1)));
            m_locals = boundValues(call, 2, names);
            reply = runStatementInProc(call, textOf(findParam(call, u"@stmt", 0)), {});
            m_locals.clear();
            return reply;
        }
        case procid::PrepExec:
        case procid::Prepare: {
            // Handles count up from 1 on each connection.
            const int handle = m_nextPreparedHandle++;
            const QString statement = textOf(findParam(call, u"@stmt", 2));
            m_prepared[handle] = statement;
            m_preparedParams[handle] = textOf(findParam(call, u"@params", 1));
            std::vector<ReturnValue> outputs;
            if (const RpcParam* p = findParam(call, u"@handle", 0))
                outputs.push_back({ordinalOf(call, p), p->name, Cell(qint64(handle))});
            if (procId == procid::PrepExec) {
                m_locals = boundValues(call, 3, declaredParameterNames(m_preparedParams[handle]));
                reply = runStatementInProc(call, statement, outputs);
                m_locals.clear();
                return reply;
            }
            finishProcedure(call, outputs, false, reply.tokens);
            return reply;
        }
        case procid::Execute: {
            const RpcParam* p = findParam(call, u"@handle", 0);
            const int handle = p ? p->value.toInt() : 0;
            const auto it = m_prepared.find(handle);
            if (it != m_prepared.end()) {
                m_locals = boundValues(call, 1, declaredParameterNames(m_preparedParams[handle]));
                reply = runStatementInProc(call, it->second, {});
                m_locals.clear();
                return reply;
            }
            reply.tokens.push_back(msg::preparedStatementNotFound(handle));
            finishProcedure(call, {}, true, reply.tokens);
            return reply;
        }
        case procid::CursorOpen: {
            // No server cursor: the statement runs directly and its rows come with the open.
            std::vector<ReturnValue> outputs;
            if (const RpcParam* cursor = findParam(call, u"@cursor", 0))
                outputs.push_back({ordinalOf(call, cursor), cursor->name, Cell(qint64(0))});
            return runStatementInProc(call, textOf(findParam(call, u"@stmt", 1)), outputs);
        }
        case procid::Unprepare:
            if (const RpcParam* p = findParam(call, u"@handle", 0)) {
                m_prepared.erase(p->value.toInt());
                m_preparedParams.erase(p->value.toInt());
            }
            finishProcedure(call, {}, false, reply.tokens);
            return reply;
        case procid::CursorClose:
        case procid::CursorFetch:
            finishProcedure(call, {}, false, reply.tokens);
            return reply;
        default:
            if (procId != 0 && call.procName.isEmpty()) {
                // The other numbered ones: nothing to do.
                finishProcedure(call, {}, false, reply.tokens);
                return reply;
            }
            return executeProcedureByName(call);
    }
}

Reply SessionImpl::executeProcedureByName(const RpcCall& call) {
    Statement s;
    s.kind = Statement::Kind::ExecProc;
    if (const auto object = parseObjectName(call.procName)) {
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
    Reply reply = collectReply([&] { run(s); });
    if (reply.cancelled) std::get<Done>(reply.tokens.back()).kind = Done::Kind::DoneProc;
    return reply;
}

}  // namespace sqlsim
