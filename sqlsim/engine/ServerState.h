#pragma once
// The state of the emulated server that every session shares: databases, their files, user
// tables, the work objects clients create, DBCC findings, the single-user option, which session
// is inside which database, and the detached files on the server's disk. One recursive mutex
// guards it all; a session holds it for the whole of a batch, except while a statement that takes
// time waits (SessionImpl::takeTime), when it lets the other sessions in.

#include "sqlsim/engine/Ast.h"
#include "sqlsim/engine/Scenario.h"

#include <QDateTime>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace sqlsim {

// A recursive mutex that its owner can let go of entirely for a while, however deep it holds it,
// and take again as deep as before.
class StateMutex {
public:
    void lock();
    void unlock();
    // Releases every level the calling thread holds; returns how many, for reacquire().
    int releaseAll();
    void reacquire(int depth);

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    std::thread::id m_owner;
    int m_depth = 0;
};

// The data pages a table of that many rows fills.
inline int pagesForRows(qint64 rows) {
    return static_cast<int>((rows + 39) / 40);
}

struct TableObject {
    QString owner = QStringLiteral("dbo");
    QString name;
    int objectId = 0;
    QVector<ColumnDef> columns;   // created tables; empty for scenario tables without columns
    QVector<QVector<Cell>> rows;  // created tables
    qint64 nominalRows = 0;       // scenario tables: the row count DBCC reports
    int pages = 0;
    ScenarioGenerate generate;
    std::vector<UsageCorrection> usageCorrections;  // until UPDATEUSAGE corrects them
    bool created = false;   // made by CREATE TABLE rather than by the scenario
    int indexRebuilds = 0;  // DBCC DBREINDEX runs on the table
    std::vector<int> indexIds{1};

    qint64 rowCount() const { return created ? rows.size() : nominalRows; }
};

struct ProcObject {
    QString owner = QStringLiteral("dbo");
    QString name;
    int objectId = 0;
    QString body;
    std::vector<StatementPtr> statements;
};

struct DatabaseState {
    QString name;
    int dbid = 0;
    std::vector<ScenarioFile> files;
    std::vector<TableObject> tables;
    std::vector<ProcObject> procs;
    std::vector<ScenarioFinding> findings;
    bool singleUser = false;
    // The session that switched the option on with sp_dboption: it may enter the database later,
    // from master, while it lives; 0 when the option came from elsewhere.
    int singleUserHolder = 0;
    qint64 dbccPages = -1;  // -1: the used pages of the data files
    // When it was created, or attached: sysdatabases.crdate.
    QDateTime created = QDateTime::currentDateTime();

    TableObject* table(const QString& name);
    ProcObject* proc(const QString& name);
    bool hasObject(const QString& name) const;
};

// The system tables every database has, as DBCC lists them.
struct SystemTableInfo {
    const char16_t* name;
    int objectId;
    qint64 rows;
};
const std::vector<SystemTableInfo>& systemTables();

struct ServerState {
    explicit ServerState(const Scenario& scenario);

    mutable StateMutex mutex;
    Profile profile = Profile::Sql2000;
    QString banner;
    const Collation collation;  // fixed for the server's life: read without the mutex
    QString serverName;
    int missingPrimaryFileError = 5105;
    int logRebuildSeverity = 16;
    QString saPassword;
    std::atomic<double> dbccPagesPerSecond{0};  // 0: DBCC answers at once
    std::deque<DatabaseState>
        databases;  // in dbid order; a deque keeps references valid as it grows
    std::vector<DetachedDatabase> detached;
    bool detachedOnDisk = false;  // detached files lie on the local disk, not in the list above
    QString filesRoot;            // see Scenario::filesRoot
    std::map<QString, int> refusedProcedures;
    std::map<int, int> sessionDatabase;  // spid -> dbid of the database it is inside
    int nextObjectId = 2009058193;
    int nextInternalSpid = 1000;

    DatabaseState* database(const QString& name);
    DatabaseState* databaseById(int dbid);
    int newObjectId();
    // The table as the scenario describes it; a table without an id of its own gets a new one.
    TableObject tableFromScenario(const ScenarioTable& source);
    // The id of an object a client creates: the same name in the same database gets the same id
    // every time, so reports that list work tables read alike from run to run.
    static int createdObjectId(int dbid, const QString& name);
    // Spids of the sessions inside a database.
    std::vector<int> sessionsIn(int dbid) const;
    // Whether session spid may enter the database: false when it is single-user and someone else is
    // inside or the live session that switched it holds it.
    bool mayEnter(int spid, const DatabaseState& db) const;
    void enter(int spid, int dbid) { sessionDatabase[spid] = dbid; }
    void leave(int spid) { sessionDatabase.erase(spid); }
    // A file on the server's disk (ServerDisk).
    bool fileExists(const QString& path) const;
    // The database, if any, one of whose files is the path.
    const DatabaseState* databaseUsing(const QString& path) const;
    // A file the server can open: there, and not held by an attached database.
    bool fileAvailable(const QString& path) const {
        return fileExists(path) && !databaseUsing(path);
    }
    // The record of the primary file at path; nothing when there is none.
    std::optional<DetachedDatabase> detachedByPrimary(const QString& path) const;
};

bool sameName(const QString& a, const QString& b);
QString padded(const QString& text, int width);

}  // namespace sqlsim
