#include "sqlsim/engine/ServerState.h"

#include "sqlsim/engine/PrimaryFile.h"
#include "sqlsim/engine/ServerDisk.h"

#include <algorithm>

namespace sqlsim {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void StateMutex::lock() {
    std::unique_lock lock(m_mutex);
    const auto self = std::this_thread::get_id();
    if (m_depth > 0 && m_owner == self) {
        ++m_depth;
        return;
    }
    m_free.wait(lock, [&] { return m_depth == 0; });
    m_owner = self;
    m_depth = 1;
}

void StateMutex::unlock() {
    std::lock_guard lock(m_mutex);
    if (--m_depth == 0) {
        m_owner = {};
        m_free.notify_one();
    }
}

int StateMutex::releaseAll() {
    std::lock_guard lock(m_mutex);
    const int depth = m_owner == std::this_thread::get_id() ? m_depth : 0;
    if (depth > 0) {
        m_depth = 0;
        m_owner = {};
        m_free.notify_one();
    }
    return depth;
}

void StateMutex::reacquire(int depth) {
    if (depth <= 0) return;
    std::unique_lock lock(m_mutex);
    m_free.wait(lock, [&] { return m_depth == 0; });
    m_owner = std::this_thread::get_id();
    m_depth = depth;
}

QString padded(const QString& text, int width) {
    return text.size() >= width ? text : text + QString(width - text.size(), u' ');
}

const std::vector<SystemTableInfo>& systemTables() {
    static const std::vector<SystemTableInfo> tables = {
        {u"sysobjects", 1, 0},         {u"sysindexes", 2, 0},     {u"syscolumns", 3, 0},
        {u"systypes", 4, 26},          {u"syscomments", 6, 142},  {u"sysfiles1", 8, 2},
        {u"syspermissions", 9, 52},    {u"sysusers", 10, 14},     {u"sysproperties", 11, 0},
        {u"sysdepends", 12, 426},      {u"sysreferences", 14, 0}, {u"sysfulltextcatalogs", 19, 0},
        {u"sysfulltextnotify", 24, 0}, {u"sysfilegroups", 96, 1},
    };
    return tables;
}

TableObject* DatabaseState::table(const QString& n) {
    for (TableObject& t : tables)
        if (sameName(t.name, n)) return &t;
    return nullptr;
}

ProcObject* DatabaseState::proc(const QString& n) {
    for (ProcObject& p : procs)
        if (sameName(p.name, n)) return &p;
    return nullptr;
}

bool DatabaseState::hasObject(const QString& n) const {
    const auto named = [&](const auto& o) { return sameName(o.name, n); };
    return std::any_of(tables.begin(), tables.end(), named) ||
           std::any_of(procs.begin(), procs.end(), named);
}

ServerState::ServerState(const Scenario& scenario)
    : profile(scenario.profile),
      banner(scenario.versionBanner.isEmpty() ? defaultBanner(scenario.profile)
                                              : scenario.versionBanner),
      collation(scenario.collation),
      serverName(scenario.serverName),
      missingPrimaryFileError(scenario.missingPrimaryFileError),
      logRebuildSeverity(scenario.logRebuildSeverity),
      saPassword(scenario.saPassword),
      dbccPagesPerSecond(scenario.dbccPagesPerSecond),
      detached(scenario.detachedOnDisk ? std::vector<DetachedDatabase>() : scenario.detached),
      detachedOnDisk(scenario.detachedOnDisk),
      filesRoot(scenario.filesRoot),
      refusedProcedures(scenario.refusedProcedures) {
    for (const ScenarioDatabase& source : scenario.databases) {
        DatabaseState db;
        db.name = source.name;
        db.dbid = source.dbid;
        db.files = source.files;
        db.findings = source.findings;
        db.singleUser = source.singleUser;
        db.dbccPages = source.dbccPages;
        db.created = source.created.isValid() ? source.created : defaultCreated(source.dbid);
        for (const ScenarioTable& t : source.tables) db.tables.push_back(tableFromScenario(t));
        databases.push_back(std::move(db));
    }
    std::sort(databases.begin(), databases.end(),
              [](const DatabaseState& a, const DatabaseState& b) { return a.dbid < b.dbid; });
}

TableObject ServerState::tableFromScenario(const ScenarioTable& source) {
    TableObject table;
    table.owner = source.owner;
    table.name = source.name;
    table.objectId = source.objectId != 0 ? source.objectId : newObjectId();
    table.nominalRows = source.rowCount;
    table.pages = source.pages >= 0 ? source.pages : pagesForRows(source.rowCount);
    table.generate = source.generate;
    table.usageCorrections = source.usageCorrections;
    table.indexIds = source.indexIds;
    return table;
}

DatabaseState* ServerState::database(const QString& name) {
    for (DatabaseState& db : databases)
        if (sameName(db.name, name)) return &db;
    return nullptr;
}

DatabaseState* ServerState::databaseById(int dbid) {
    for (DatabaseState& db : databases)
        if (db.dbid == dbid) return &db;
    return nullptr;
}

int ServerState::createdObjectId(int dbid, const QString& name) {
    quint32 hash = 2166136261u ^ static_cast<quint32>(dbid);
    for (const QChar c : name.toLower()) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return 100000000 + static_cast<int>(hash % 1900000000u);
}

int ServerState::newObjectId() {
    const int id = nextObjectId;
    nextObjectId += 16003;
    return id;
}

std::vector<int> ServerState::sessionsIn(int dbid) const {
    std::vector<int> spids;
    for (const auto& [spid, inside] : sessionDatabase)
        if (inside == dbid) spids.push_back(spid);
    return spids;
}

bool ServerState::mayEnter(int spid, const DatabaseState& db) const {
    if (!db.singleUser) return true;
    if (db.singleUserHolder != 0 && db.singleUserHolder != spid &&
        sessionDatabase.count(db.singleUserHolder) != 0)
        return false;
    for (int other : sessionsIn(db.dbid))
        if (other != spid) return false;
    return true;
}

bool ServerState::fileExists(const QString& path) const {
    return !path.isEmpty() && ServerDisk(*this).isFile(path);
}

const DatabaseState* ServerState::databaseUsing(const QString& path) const {
    for (const DatabaseState& db : databases)
        for (const ScenarioFile& f : db.files)
            if (sameName(f.filename, path)) return &db;
    return nullptr;
}

std::optional<DetachedDatabase> ServerState::detachedByPrimary(const QString& path) const {
    if (detachedOnDisk) {
        std::optional<DetachedDatabase> d = readPrimaryFile(ServerDisk(*this).localPath(path));
        if (d) d->path = path;
        return d;
    }
    for (const DetachedDatabase& d : detached)
        if (sameName(d.path, path)) return d;
    return std::nullopt;
}

}  // namespace sqlsim
