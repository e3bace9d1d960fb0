#pragma once
// A scenario describes one emulated server: its version, the sa password, the databases with
// their files, user tables and DBCC findings, and database files lying detached on its disk.
// Loaded from JSON (see sqlsim/scenarios/demo.json) or built in code by tests.

#include "sqlsim/engine/Engine.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <map>
#include <vector>

namespace sqlsim {

struct ScenarioFile {
    int fileId = 1;
    QString name;      // logical name, as in sysfiles
    QString filename;  // physical path
    int groupId = 1;   // 0 = log
    int sizePages = 128;
    int usedPages = 64;
    bool inUse =
        false;  // a log whose logical files are all active: a shrink leaves it as it is (9008)
};

// Answers "select <column> from <table>" with rowCount rows of width characters (benchmarks).
struct ScenarioGenerate {
    QString column;
    int width = 0;
};

// A usage count of sysindexes that DBCC UPDATEUSAGE finds wrong and corrects.
struct UsageCorrection {
    int indId = 0;
    QString counter;  // DATA, USED, RSVD or ROWS
    qint64 from = 0;
    qint64 to = 0;
};

struct ScenarioTable {
    QString owner = QStringLiteral("dbo");
    QString name;
    qint64 rowCount = 0;
    int pages = -1;    // -1: derived from rowCount
    int objectId = 0;  // 0: assigned when the engine starts
    ScenarioGenerate generate;
    std::vector<UsageCorrection> usageCorrections;
    std::vector<int> indexIds{1};  // the indexes DBREINDEX rebuilds; a heap without any has none
};

// One problem that DBCC reports until a repair fixes it.
struct ScenarioFinding {
    int error = 8928;
    int level = 16;
    int state = 1;
    QString table;  // user or system table the finding belongs to; empty for allocation findings
    bool allocation = false;
    QString text;  // message text as DBCC prints it
    QString repairLevel = QStringLiteral("repair_allow_data_loss");
    QString repairText;  // the "Repair: ..." line a repair prints before the finding it fixes; may
                         // be empty
    int repairError = 7911;  // the number of that line (7910-7918, or 8945 for an index rebuild)
    bool repairable = true;
    int unrepairedError = 8922;  // what a repair says when it cannot fix the finding: 8922 or 8924
    int indId = 0;
    int file = 1;
    int page = 0;
    int slot = 0;
    int refFile = 0;
    int refPage = 0;
    int refSlot = 0;
};

struct ScenarioDatabase {
    QString name;
    int dbid = 0;
    std::vector<ScenarioFile> files;
    std::vector<ScenarioTable> tables;
    std::vector<ScenarioFinding> findings;
    bool singleUser = false;
    // The pages a check of the whole database reads (CHECKDB, CHECKALLOC, UPDATEUSAGE of every
    // table); -1: the used pages of its data files.
    qint64 dbccPages = -1;
    QDateTime created;  // sysdatabases.crdate; invalid: defaultCreated(dbid)
};

// The creation date of a scenario database that names none ("crdate"): the databases setup
// installs (dbid 1-6) 2000-08-06 01:29:12.250, the date they are shipped with (tempdb too, which
// a real server makes anew at every start); user databases 2004-03-15 10:00:00.000.
QDateTime defaultCreated(int dbid);

// A file recorded inside a detached primary file, and whether it lies on disk in the primary's
// folder.
struct DetachedRecordedFile {
    int fileId = 1;
    QString name;
    QString filename;  // the path the primary file records
    int groupId = 1;
    bool exists = true;
};

struct DetachedDatabase {
    QString path;  // where the primary file lies now
    bool exists = true;
    QString databaseName;  // the name recorded in the primary file
    std::vector<DetachedRecordedFile> files;
    std::vector<ScenarioTable> tables;  // user tables the database brings along when attached
};

struct Scenario {
    Profile profile = Profile::Sql2000;
    QString versionBanner;  // empty: the profile's own banner
    Collation collation = Collation::standard();
    QString serverName = QStringLiteral("DBSERVER");
    QString saPassword;
    // What dbcc checkprimaryfile answers for a file that is not there: 5105 (device activation
    // error, the default) or 5120 (the later "Unable to open the physical file" wording).
    int missingPrimaryFileError = 5105;
    // The severity of the two messages sp_attach_single_file_db sends when it builds a new log
    // (5105 for the old log, 5182 for the new one): 16, an error that makes the procedure return 1,
    // unless a scenario says 10, informational.
    int logRebuildSeverity = 16;
    // How fast the DBCC statements work through pages; 0: they answer at once.
    double dbccPagesPerSecond = 0;
    std::vector<ScenarioDatabase> databases;
    std::vector<DetachedDatabase> detached;
    // Whether the detached databases lie on the local disk (layOutDetachedFiles): the server then
    // reads primary files and looks for files there instead of in the list above.
    bool detachedOnDisk = false;
    // With detachedOnDisk: the folder under which the files of the server's own paths lie
    // (storeServerFiles); empty when they were laid out at local paths.
    QString filesRoot;
    // Extended procedures this server refuses, with the error it raises: 229 (no permission) or
    // 2812 (no such procedure). From "refusedProcedures": {"xp_dirtree": 2812}.
    std::map<QString, int> refusedProcedures;

    static Scenario fromJson(const QByteArray& json);  // throws std::runtime_error
    static Scenario fromFile(const QString& path);     // throws std::runtime_error
    // The six system and sample databases every installation has (ids 1 to 6).
    static Scenario standard(Profile profile = Profile::Sql2000);
};

QString defaultBanner(Profile profile);
// A detached database as a scenario or a primary file's record writes it.
DetachedDatabase detachedFromJson(const QJsonObject& o);

}  // namespace sqlsim
