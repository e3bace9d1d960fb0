// Laying out and reading detached database files (see PrimaryFile.h).

#include "sqlsim/engine/PrimaryFile.h"

#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/ServerDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

const QByteArray kHeader = QByteArrayLiteral("SQLSIM PRIMARY FILE\n");
constexpr qint64 kLargestRecord = 1024 * 1024;

QJsonObject recordJson(const DetachedDatabase& d) {
    QJsonArray files;
    for (const DetachedRecordedFile& f : d.files)
        files.append(QJsonObject{{u"fileId"_s, f.fileId},
                                 {u"name"_s, f.name},
                                 {u"filename"_s, f.filename},
                                 {u"groupId"_s, f.groupId}});
    QJsonArray tables;
    for (const ScenarioTable& t : d.tables)
        tables.append(QJsonObject{{u"owner"_s, t.owner},
                                  {u"name"_s, t.name},
                                  {u"rows"_s, t.rowCount},
                                  {u"pages"_s, t.pages},
                                  {u"objectId"_s, t.objectId}});
    return QJsonObject{
        {u"databaseName"_s, d.databaseName}, {u"files"_s, files}, {u"tables"_s, tables}};
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Where a server path's bytes go under root: the drive letter, then the folders as written.
QString storedPath(const QString& root, const QString& serverPath) {
    const std::optional<QStringList> parts = driveComponents(serverPath);
    if (!parts) throw std::runtime_error("not a server path: " + serverPath.toStdString());
    const QString path = root + u'/' + parts->join(u'/');
    if (!QDir().mkpath(QFileInfo(path).path()))
        throw std::runtime_error("cannot create the folder of " + path.toStdString());
    return path;
}

}  // namespace

void writePrimaryFile(const QString& path, const DetachedDatabase& record) {
    writeFile(path,
              kHeader + QJsonDocument(recordJson(record)).toJson(QJsonDocument::Compact) + '\n');
}

std::optional<DetachedDatabase> readPrimaryFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray content = file.read(kLargestRecord);
    if (!content.startsWith(kHeader)) return std::nullopt;
    const QJsonDocument json = QJsonDocument::fromJson(content.mid(kHeader.size()));
    if (!json.isObject()) return std::nullopt;
    try {
        DetachedDatabase d = detachedFromJson(json.object());
        d.path = path;
        d.exists = true;
        return d;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

namespace {

// What stands in a database file other than a primary file: sqlsim reads only primary files.
const QByteArray kPlaceholder = QByteArrayLiteral("sqlsim database file\n");

// Writes a detached database's primary file at primary, its record inside, and a placeholder for
// each other file it records at the local path besideOf gives (none: the primary file itself); a
// file the scenario says is gone is removed instead.
void placeDetachedFiles(
    const DetachedDatabase& d, const QString& primary,
    const std::function<std::optional<QString>(const DetachedRecordedFile&)>& besideOf) {
    if (d.exists)
        writePrimaryFile(primary, d);
    else
        QFile::remove(primary);
    for (const DetachedRecordedFile& f : d.files) {
        const std::optional<QString> local = besideOf(f);
        if (!local) continue;
        if (f.exists)
            writeFile(*local, kPlaceholder);
        else
            QFile::remove(*local);
    }
}

}  // namespace

void layOutDetachedFiles(Scenario& scenario, const QString& dir) {
    if (!QDir().mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
    const QString folder = QDir(dir).absolutePath() + u'/';
    for (DetachedDatabase& d : scenario.detached) {
        d.path = folder + fileNameOf(d.path);
        for (DetachedRecordedFile& f : d.files) f.filename = folder + fileNameOf(f.filename);
        placeDetachedFiles(d, d.path, [&](const DetachedRecordedFile& f) {
            return f.filename == d.path ? std::nullopt : std::optional<QString>(f.filename);
        });
    }
    scenario.detachedOnDisk = true;
}

void storeServerFiles(Scenario& scenario, const QString& dir) {
    if (!QDir().mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
    const QString root = QDir(dir).absolutePath();
    for (const DetachedDatabase& d : scenario.detached)
        placeDetachedFiles(d, storedPath(root, d.path), [&](const DetachedRecordedFile& f) {
            const QString beside = folderOf(d.path) + fileNameOf(f.filename);
            return sameName(beside, d.path) ? std::nullopt
                                            : std::optional<QString>(storedPath(root, beside));
        });
    for (const ScenarioDatabase& db : scenario.databases)
        for (const ScenarioFile& f : db.files)
            if (driveComponents(f.filename)) writeFile(storedPath(root, f.filename), kPlaceholder);
    scenario.detachedOnDisk = true;
    scenario.filesRoot = root;
}

}  // namespace sqlsim
