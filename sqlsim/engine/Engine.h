#pragma once
// sqlsim's model of one SQL Server 7.0/2000: the databases of a scenario, their files, user
// tables and findings, the work objects clients create, the single-user option, detached files.
// Thread-safe: every connection thread owns one Session; the sessions share the Engine.

#include "sqlsim/engine/Collation.h"
#include "sqlsim/engine/Tokens.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace sqlsim {

struct Scenario;  // Scenario.h: loaded from a JSON file

enum class Profile { Sql2000, Sql70 };

struct LoginRequest {
    quint32 tdsVersion = 0;  // as in LOGIN7, e.g. 0x71000001, 0x70000000
    QString user;
    QString password;
    QString database;  // empty: the login's default (master)
    QString appName;
    QString hostName;
};

struct RpcParam {
    QString name;  // with its @, may be empty
    Cell value;
    bool output = false;
};

struct RpcCall {
    QString procName;  // when sent by name
    int procId =
        0;  // when sent by number (sp_cursoropen = 2, sp_executesql = 10, sp_prepexec = 13, ...)
    std::vector<RpcParam> params;
};

class Engine;

// How the wait for a statement's work ended: its time passed, the client sent an attention, or
// the client went away.
enum class WaitOutcome { Done, Attention, Gone };

// Waits while a statement works (the DBCC statements, when the engine has a page rate), watching
// the client meanwhile: returns early, with Attention or Gone, when the client cancels or leaves.
// The TDS layer gives each session one; without it a session just sleeps.
using WorkWaiter = std::function<WaitOutcome(std::chrono::milliseconds)>;

class Session {
public:
    virtual ~Session() = default;
    // Login: a reply holding LOGINACK-preceding tokens is produced by the TDS layer; the engine
    // only decides and supplies the messages. accepted == false: reply carries the 18456 error.
    struct LoginOutcome {
        bool accepted = false;
        Reply reply;  // ENVCHANGE database, INFO 5701 ... or ERROR 18456 + DONE(error)
    };
    virtual LoginOutcome login(const LoginRequest& request) = 0;
    virtual Reply executeBatch(const QString& text) = 0;
    virtual Reply executeRpc(const RpcCall& call) = 0;
    virtual QString currentDatabase() const = 0;
    virtual int spid() const = 0;
    // The connection is gone: leave the current database (single-user bookkeeping).
    virtual void disconnect() = 0;
    // A statement stopped by an attention or by the client leaving is rolled back (what an
    // INSERT ... EXEC around it collected is not inserted, a repair keeps every finding, a shrink
    // leaves the file as it was); the reply then holds what came before it and ends with DONE
    // with the error bit, and Reply::cancelled is set. Statements before it in the batch stay done.
    virtual void setWorkWaiter(WorkWaiter waiter) = 0;
};

class Engine {
public:
    virtual ~Engine() = default;
    static std::shared_ptr<Engine> create(const Scenario& scenario);
    static std::shared_ptr<Engine> fromFile(
        const QString& scenarioPath);  // throws std::runtime_error

    virtual Profile profile() const = 0;
    virtual QString versionBanner() const = 0;  // full @@version text
    // The server collation; an engine double may keep the default.
    virtual Collation collation() const { return Collation::standard(); }
    virtual std::unique_ptr<Session> newSession(int spid) = 0;

    // The time model: DBCC CHECKDB, CHECKALLOC, CHECKTABLE (and their repairs), UPDATEUSAGE,
    // DBREINDEX and SHRINKFILE take pages / rate seconds (the pages: sqlsim/scenarios/README.md).
    // 0, the default unless the scenario says otherwise, answers at once. May be changed while
    // the server runs; a statement already waiting keeps its time.
    virtual void setDbccPagesPerSecond(double) {}
    virtual double dbccPagesPerSecond() const { return 0; }

    // Inspection for tests.
    virtual QStringList databaseNames() const = 0;  // sysdatabases order by dbid
    virtual bool databaseExists(const QString& name) const = 0;
    virtual bool objectExists(const QString& database, const QString& object) const = 0;
    virtual bool isSingleUser(const QString& database) const = 0;
    virtual QStringList sessionsIn(const QString& database) const = 0;  // spids as text
    // More inspection and set-up for tests; an engine double may leave them as they are.
    virtual int databaseId(const QString&) const { return 0; }        // 0: no such database
    virtual QStringList filesOf(const QString&) const { return {}; }  // physical paths, by file id
    virtual int fileSizePages(const QString&, const QString&) const {
        return -1;
    }                                                             // by logical name
    virtual int findingCount(const QString&) const { return 0; }  // DBCC findings not yet repaired
    virtual int indexRebuilds(const QString&, const QString&) const {
        return 0;
    }  // DBREINDEX runs on a table
    virtual QString procedureText(const QString&, const QString&) const {
        return {};
    }  // text after AS
    // Rows of a table created by a client, every value as text (NULL as a null QString).
    virtual std::vector<QStringList> tableRows(const QString&, const QString&) const { return {}; }
    // The single-user option, as if set by the server's own tools.
    virtual void setSingleUser(const QString&, bool) {}
};

}  // namespace sqlsim
