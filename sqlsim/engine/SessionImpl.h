#pragma once
// One client connection to the emulated server: compiles each batch and runs its statements
// against the shared ServerState, answering with the server's tokens and messages.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/ServerState.h"
#include "sqlsim/engine/SessionSettings.h"

#include <functional>
#include <map>

namespace sqlsim {

struct RowSource {
    QVector<ColumnDef> columns;
    QVector<QVector<Cell>> rows;
};

// One line of DBCC output: a message, or a row of WITH TABLERESULTS.
struct DbccLine {
    int error = 0;
    int level = 10;
    int state = 1;
    QString text;
    QString repairLevel;  // empty: NULL
    int dbid = 0;
    int objectId = 0;
    int indId = 0;
    int file = 0;
    int page = 0;
    int slot = 0;
    int refFile = 0;
    int refPage = 0;
    int refSlot = 0;
    int allocation = 0;
};

// A column of the result sets DBCC returns.
inline ColumnDef dbccColumn(const char* name, ColumnType type, int length = 0) {
    ColumnDef c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    c.length = length;
    return c;
}

inline DbccLine dbccLine(const Message& m, int dbid, int objectId = 0, int indId = 0) {
    DbccLine l;
    l.error = m.number;
    l.level = m.severity;
    l.state = m.state;
    l.text = m.text;
    l.dbid = dbid;
    l.objectId = objectId;
    l.indId = indId;
    return l;
}

// What the DBCC statements change in one database, kept so that a cancelled statement can put it
// back.
struct MaintenanceSnapshot {
    int dbid = 0;
    std::vector<ScenarioFinding> findings;
    std::vector<ScenarioFile> files;
    std::map<QString, std::pair<std::vector<UsageCorrection>, int>> tables;  // by name
};

class SessionImpl final : public Session {
public:
    SessionImpl(std::shared_ptr<ServerState> state, int spid);
    ~SessionImpl() override;

    LoginOutcome login(const LoginRequest& request) override;
    Reply executeBatch(const QString& text) override;
    Reply executeRpc(const RpcCall& call) override;
    QString currentDatabase() const override;
    int spid() const override { return m_spid; }
    void disconnect() override;
    void setWorkWaiter(WorkWaiter waiter) override { m_waiter = std::move(waiter); }

    enum class Outcome { Ok, Failed, Abort };

private:
    // Where the tokens of the running statement go.
    struct Frame {
        std::vector<Token>* out = nullptr;
        int depth = 0;                              // > 0 inside a procedure
        QVector<QVector<Cell>>* capture = nullptr;  // INSERT ... EXEC collects result rows here
        QVector<ColumnDef>* captureColumns = nullptr;
        QString procName;
    };

    // Output.
    // namesProcedure false: a statement the procedure runs raised it (no procedure in its header).
    void message(Message m, bool namesProcedure = true);
    // DONE or DONEINPROC; it carries the error bit when an ERROR token went out since the last one.
    void done(bool count = false, qint64 rows = 0, quint16 curCmd = 0xC1);
    void result(ResultSet rs);
    Outcome fail(const Message& m);   // the statement fails, the batch goes on
    Outcome abort(const Message& m);  // the batch ends
    Outcome compileFailed(const std::vector<Message>& errors, Outcome outcome);

    // Batches (Session.cpp), expressions (Expressions.cpp), SELECT (Select.cpp), the others
    // (Statements.cpp).
    Outcome runText(const QString& text);
    Outcome runStatements(const std::vector<StatementPtr>& statements);
    Outcome run(const Statement& s);
    Outcome runStatement(const Statement& s);
    Outcome runSelect(const Statement& s);
    Outcome runIf(const Statement& s);
    Outcome runUse(const Statement& s);
    Outcome runCreateTable(const Statement& s);
    Outcome runCreateProc(const Statement& s);
    Outcome runExecString(const Statement& s);
    Outcome runInsert(const Statement& s);
    Outcome runDrop(const Statement& s);
    Outcome runBackup(const Statement& s);
    Outcome runPrint(const Statement& s);
    Outcome runSet(const Statement& s);
    bool select(const SelectQuery& q, RowSource& out, Message& error);
    bool openTable(const ObjectName& name, RowSource& out, Message& error);
    DatabaseState* current() const;
    DatabaseState* databaseFor(const ObjectName& name, Message& error) const;
    Cell evaluate(const Expr& e, const RowSource* source, const QVector<Cell>* row) const;
    std::optional<GlobalValue> globalValue(const QString& name) const;  // @@name, lower case
    bool insertRows(TableObject& table, const std::vector<QString>& columns,
                    const QVector<QVector<Cell>>& rows);

    // Runs body under the server's lock with the output going to the reply, which ends with a DONE.
    Reply collectReply(const std::function<void()>& body);

    // Remote procedure calls (SessionRpc.cpp).
    Reply runStatementInProc(const RpcCall& call, const QString& statement,
                             const std::vector<ReturnValue>& outputs);
    Reply executeProcedureByName(const RpcCall& call);

    // Procedures (Procedures.cpp).
    Outcome runExecProc(const Statement& s);
    Outcome runProcedureBody(const QString& name, const std::function<int()>& body);
    Outcome callUserProcedure(DatabaseState& db, const ProcObject& proc);
    int spAttachDb(const std::vector<ExecParam>& params, bool singleFile);
    int spDbOption(const std::vector<ExecParam>& params);
    int spForEachTable(const std::vector<ExecParam>& params);
    int xpCmdShell(const std::vector<ExecParam>& params);
    QStringList runOsql(const QStringList& arguments, int& exitCode);
    // The server's disks (ExtendedProcedures.cpp): the extended procedures that read them, answered
    // in master from ServerDisk unless the scenario refuses them. lowerName and name in lower case;
    // written as the statement spelt it.
    static bool isDiskProcedure(const QString& lowerName);
    Outcome runDiskProcedure(const QString& name, const QString& written,
                             const std::vector<ExecParam>& params);

    // DBCC (Dbcc.cpp, DbccMaintenance.cpp).
    Outcome runDbcc(const Statement& s);
    Outcome emitDbcc(const std::vector<DbccLine>& lines, const Statement& s);
    Outcome dbccCheck(const Statement& s);
    Outcome dbccCheckTable(const Statement& s);
    Outcome dbccUpdateUsage(const Statement& s);
    Outcome dbccShrinkFile(const Statement& s);
    Outcome dbccReindex(const Statement& s);
    Outcome dbccCheckPrimaryFile(const Statement& s);
    DatabaseState* dbccDatabase(const Statement& s, Message& error);
    bool repairAllowed(const DatabaseState& db, Message& error) const;

    // The time model (TimeModel.cpp). The pages a check of the whole database reads.
    static qint64 databasePages(const DatabaseState& db);
    // Waits for the pages at the server's rate, with the server's lock let go meanwhile. False when
    // the client cancelled or left: the session is then cancelled, and every statement after
    // returns Abort until the reply is collected.
    bool takeTime(qint64 pages);
    // Marks the session cancelled at the running statement: the reply keeps what came before it.
    void cancelHere();
    // Called before a statement changes the database: inside an INSERT ... EXEC the change is
    // undone when the INSERT is cancelled.
    void rememberForRollback(const DatabaseState& db);
    void rollBack();

    bool enter(DatabaseState& db, Message& error);
    bool nestDeeper();  // false (after the server's error) beyond the nesting limit

    std::shared_ptr<ServerState> m_state;
    int m_spid;
    int m_dbid = 0;              // 0 before login
    SessionSettings m_settings;  // what SET statements changed
    int m_nesting = 0;           // procedures and EXEC strings running inside each other
    Frame m_frame;
    bool m_errorSinceDone = false;
    int m_line = 1;  // of the running statement
    int m_errorsSent = 0;
    WorkWaiter m_waiter;
    bool m_cancelled = false;
    size_t m_cancelledAt = 0;  // the tokens of the reply that came before the cancelled statement
    int m_insertExecDepth = 0;
    std::vector<MaintenanceSnapshot> m_rollback;
    std::map<int, QString> m_prepared;        // statements of sp_prepare and sp_prepexec, by handle
    std::map<int, QString> m_preparedParams;  // their parameter declarations
    std::map<QString, Cell> m_locals;         // parameters of the running parameterised statement
    int m_nextPreparedHandle = 1;
};

}  // namespace sqlsim
