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

void layOutDetachedFiles(Scenario& scenario, const QString& dir) {
    if (!QDir().mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
    const QString folder = QDir(dir).absolutePath() + u'/';
    for (DetachedDatabase& d : scenario.detached) {
        d.path = folder + fileNameOf(d.path);
        for (DetachedRecordedFile& f : d.files) f.filename = folder + fileNameOf(f.filename);
        if (d.exists)
            writePrimaryFile(d.path, d);
        else
            QFile::remove(d.path);
        for (const DetachedRecordedFile& f : d.files) {
            if (f.filename == d.path) continue;
            if (f.exists)
                writeFile(f.filename, QByteArrayLiteral("sqlsim database file\n"));
            else
                QFile::remove(f.filename);
        }
    }
    scenario.detachedOnDisk = true;
}

void storeServerFiles(Scenario& scenario, const QString& dir) {
    if (!QDir().mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
    const QString root = QDir(dir).absolutePath();
    for (const DetachedDatabase& d : scenario.detached) {
        const QString primary = storedPath(root, d.path);
        if (d.exists)
            writePrimaryFile(primary, d);
        else
            QFile::remove(primary);
        const QString folder = d.path.left(d.path.lastIndexOf(u'\\') + 1);
        for (const DetachedRecordedFile& f : d.files) {
            const QString beside = folder + fileNameOf(f.filename);
            if (sameName(beside, d.path)) continue;
            const QString stored = storedPath(root, beside);
            if (f.exists)
                writeFile(stored, QByteArrayLiteral("sqlsim database file\n"));
            else
                QFile::remove(stored);
        }
    }
    for (const ScenarioDatabase& db : scenario.databases)
        for (const ScenarioFile& f : db.files)
            if (driveComponents(f.filename))
                writeFile(storedPath(root, f.filename),
                          QByteArrayLiteral("sqlsim database file\n"));
    scenario.detachedOnDisk = true;
    scenario.filesRoot = root;
}

}  // namespace sqlsim
