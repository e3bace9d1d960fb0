#include "sqlsim/engine/Scenario.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

QString text(const QJsonObject& o, const char* key, const QString& fallback = {}) {
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? v.toString() : fallback;
}

int integer(const QJsonObject& o, const char* key, int fallback) {
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? v.toInt() : fallback;
}

qint64 integer64(const QJsonObject& o, const char* key, qint64 fallback) {
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? static_cast<qint64>(v.toDouble()) : fallback;
}

bool boolean(const QJsonObject& o, const char* key, bool fallback) {
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isBool() ? v.toBool() : fallback;
}

ScenarioTable readTable(const QJsonObject& o) {
    ScenarioTable t;
    t.owner = text(o, "owner", u"dbo"_s);
    t.name = text(o, "name");
    if (t.name.isEmpty()) fail(u"scenario: a table without a name"_s);
    t.rowCount = integer64(o, "rows", 0);
    t.pages = integer(o, "pages", -1);
    t.objectId = integer(o, "objectId", 0);
    const QJsonObject gen = o.value(QLatin1String("generate")).toObject();
    t.generate.column = text(gen, "column");
    t.generate.width = integer(gen, "width", 0);
    if (const QJsonValue indexes = o.value(QLatin1String("indexes")); indexes.isArray()) {
        t.indexIds.clear();
        for (const QJsonValue& v : indexes.toArray()) t.indexIds.push_back(v.toInt());
    }
    for (const QJsonValue& v : o.value(QLatin1String("usageCorrections")).toArray()) {
        const QJsonObject c = v.toObject();
        t.usageCorrections.push_back({integer(c, "indId", 0), text(c, "counter").toUpper(),
                                      integer64(c, "from", 0), integer64(c, "to", 0)});
    }
    return t;
}

ScenarioFinding readFinding(const QJsonObject& o) {
    ScenarioFinding f;
    f.error = integer(o, "error", f.error);
    f.level = integer(o, "level", f.level);
    f.state = integer(o, "state", f.state);
    f.table = text(o, "table");
    f.allocation = boolean(o, "allocation", false);
    f.text = text(o, "text");
    f.repairLevel = text(o, "repairLevel", f.repairLevel);
    f.repairText = text(o, "repairText");
    f.repairError = integer(o, "repairError", f.repairError);
    f.repairable = boolean(o, "repairable", true);
    f.unrepairedError = integer(o, "unrepairedError", f.unrepairedError);
    f.indId = integer(o, "indId", 0);
    f.file = integer(o, "file", 1);
    f.page = integer(o, "page", 0);
    f.slot = integer(o, "slot", 0);
    f.refFile = integer(o, "refFile", 0);
    f.refPage = integer(o, "refPage", 0);
    f.refSlot = integer(o, "refSlot", 0);
    return f;
}

ScenarioDatabase readDatabase(const QJsonObject& o) {
    ScenarioDatabase db;
    db.name = text(o, "name");
    db.dbid = integer(o, "dbid", 0);
    if (db.name.isEmpty() || db.dbid <= 0)
        fail(u"scenario: every database needs a name and a dbid"_s);
    db.singleUser = boolean(o, "singleUser", false);
    db.dbccPages = integer64(o, "dbccPages", -1);
    if (o.contains(QLatin1String("crdate"))) {
        db.created = QDateTime::fromString(text(o, "crdate"), u"yyyy-MM-dd HH:mm:ss.zzz"_s);
        if (!db.created.isValid())
            fail(u"scenario: crdate of %1 must read yyyy-MM-dd hh:mm:ss.fff"_s.arg(db.name));
    }
    int fileId = 1;
    for (const QJsonValue& v : o.value(QLatin1String("files")).toArray()) {
        const QJsonObject f = v.toObject();
        ScenarioFile file;
        file.fileId = integer(f, "fileId", fileId);
        file.name = text(f, "name");
        file.filename = text(f, "filename");
        file.groupId = integer(f, "groupId", 1);
        file.sizePages = integer(f, "size", 128);
        file.usedPages = integer(f, "used", file.sizePages / 2);
        file.inUse = boolean(f, "inUse", false);
        fileId = file.fileId + 1;
        db.files.push_back(file);
    }
    for (const QJsonValue& v : o.value(QLatin1String("tables")).toArray())
        db.tables.push_back(readTable(v.toObject()));
    for (const QJsonValue& v : o.value(QLatin1String("findings")).toArray())
        db.findings.push_back(readFinding(v.toObject()));
    return db;
}

}  // namespace

QDateTime defaultCreated(int dbid) {
    if (dbid <= 6) return {QDate(2000, 8, 6), QTime(1, 29, 12, 250)};
    return {QDate(2004, 3, 15), QTime(10, 0)};
}

DetachedDatabase detachedFromJson(const QJsonObject& o) {
    DetachedDatabase d;
    d.path = text(o, "path");
    d.exists = boolean(o, "exists", true);
    d.databaseName = text(o, "databaseName");
    int fileId = 1;
    for (const QJsonValue& v : o.value(QLatin1String("files")).toArray()) {
        const QJsonObject f = v.toObject();
        DetachedRecordedFile file;
        file.fileId = integer(f, "fileId", fileId);
        file.name = text(f, "name");
        file.filename = text(f, "filename");
        file.groupId = integer(f, "groupId", 1);
        file.exists = boolean(f, "exists", true);
        fileId = file.fileId + 1;
        d.files.push_back(file);
    }
    for (const QJsonValue& v : o.value(QLatin1String("tables")).toArray())
        d.tables.push_back(readTable(v.toObject()));
    return d;
}

namespace {

ScenarioDatabase systemDatabase(const QString& name, int dbid, const QString& dataFile,
                                const QString& logicalData, const QString& logFile,
                                const QString& logicalLog, std::vector<ScenarioTable> tables = {}) {
    const QString dir = u"C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\"_s;
    ScenarioDatabase db;
    db.name = name;
    db.dbid = dbid;
    db.files.push_back({1, logicalData, dir + dataFile, 1, 1024, 640});
    db.files.push_back({2, logicalLog, dir + logFile, 0, 128, 40});
    db.tables = std::move(tables);
    return db;
}

ScenarioTable table(const QString& name, qint64 rows) {
    ScenarioTable t;
    t.name = name;
    t.rowCount = rows;
    return t;
}

}  // namespace

QString defaultBanner(Profile profile) {
    if (profile == Profile::Sql70)
        return u"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86) \n\tNov 27 1998 22:20:07 \n\t"
               u"Copyright (c) 1988-1998 Microsoft Corporation\n\tStandard Edition on Windows NT "
               u"5.0 (Build 2195: Service Pack 4)\n"_s;
    return u"Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n\t"
           u"Copyright (c) 1988-2003 Microsoft Corporation\n\tEnterprise Edition on Windows NT 5.2 "
           u"(Build 3790: Service Pack 1)\n"_s;
}

Scenario Scenario::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull() || !doc.isObject()) fail(u"scenario: invalid JSON: "_s + error.errorString());
    const QJsonObject root = doc.object();
    Scenario s;
    const QString profile = text(root, "profile", u"2000"_s);
    if (profile == u"7.0"_s)
        s.profile = Profile::Sql70;
    else if (profile == u"2000"_s)
        s.profile = Profile::Sql2000;
    else
        fail(u"scenario: unknown profile "_s + profile);
    s.versionBanner = text(root, "versionBanner");
    const QJsonValue collation = root.value(QLatin1String("collation"));
    if (!collation.isUndefined()) {
        const std::optional<Collation> known = Collation::byName(collation.toString());
        if (!known) fail(u"scenario: unknown collation "_s + collation.toVariant().toString());
        if (!codepage::available(known->codePage))
            fail(u"scenario: the code page of collation "_s + known->name + u" is not available"_s);
        s.collation = *known;
    }
    s.serverName = text(root, "serverName", s.serverName);
    s.missingPrimaryFileError = integer(root, "missingPrimaryFileError", s.missingPrimaryFileError);
    s.logRebuildSeverity = integer(root, "logRebuildSeverity", s.logRebuildSeverity);
    s.saPassword = text(root, "saPassword");
    const QJsonValue rate = root.value(QLatin1String("dbccPagesPerSecond"));
    if (!rate.isUndefined() && (!rate.isDouble() || rate.toDouble() < 0))
        fail(u"scenario: dbccPagesPerSecond must be a number of pages, 0 or more"_s);
    s.dbccPagesPerSecond = rate.toDouble(0);
    for (const QJsonValue& v : root.value(QLatin1String("databases")).toArray())
        s.databases.push_back(readDatabase(v.toObject()));
    for (const QJsonValue& v : root.value(QLatin1String("detached")).toArray())
        s.detached.push_back(detachedFromJson(v.toObject()));
    const QJsonObject refused = root.value(QLatin1String("refusedProcedures")).toObject();
    for (auto it = refused.begin(); it != refused.end(); ++it) {
        const int number = it.value().toInt();
        if (number != 229 && number != 2812)
            fail(u"scenario: refusedProcedures takes 229 or 2812, not "_s +
                 it.value().toVariant().toString());
        s.refusedProcedures[it.key().toLower()] = number;
    }
    if (s.databases.empty()) s.databases = standard(s.profile).databases;
    return s;
}

Scenario Scenario::fromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(u"scenario: cannot read "_s + path);
    return fromJson(file.readAll());
}

Scenario Scenario::standard(Profile profile) {
    Scenario s;
    s.profile = profile;
    s.databases.push_back(systemDatabase(u"master"_s, 1, u"master.mdf"_s, u"master"_s,
                                         u"mastlog.ldf"_s, u"mastlog"_s));
    s.databases.push_back(systemDatabase(u"tempdb"_s, 2, u"tempdb.mdf"_s, u"tempdev"_s,
                                         u"templog.ldf"_s, u"templog"_s));
    s.databases.push_back(systemDatabase(u"model"_s, 3, u"model.mdf"_s, u"modeldev"_s,
                                         u"modellog.ldf"_s, u"modellog"_s));
    s.databases.push_back(systemDatabase(u"msdb"_s, 4, u"msdbdata.mdf"_s, u"MSDBData"_s,
                                         u"msdblog.ldf"_s, u"MSDBLog"_s));
    s.databases.push_back(systemDatabase(u"pubs"_s, 5, u"pubs.mdf"_s, u"pubs"_s, u"pubs_log.ldf"_s,
                                         u"pubs_log"_s,
                                         {table(u"authors"_s, 23), table(u"publishers"_s, 8),
                                          table(u"titles"_s, 18), table(u"sales"_s, 21)}));
    s.databases.push_back(systemDatabase(u"Northwind"_s, 6, u"northwnd.mdf"_s, u"Northwind"_s,
                                         u"northwnd.ldf"_s, u"Northwind_log"_s,
                                         {table(u"Customers"_s, 91), table(u"Orders"_s, 830),
                                          table(u"Products"_s, 77), table(u"Suppliers"_s, 29)}));
    return s;
}

}  // namespace sqlsim
