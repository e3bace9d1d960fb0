#include "sqlsim/engine/ServerDisk.h"

#include "sqlsim/engine/ProcedureParams.h"

#include "sqlsim/engine/ServerState.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

QStringList splitPath(const QString& path) {
    QString unified = path;
    unified.replace(u'/', u'\\');
    return unified.split(u'\\', Qt::SkipEmptyParts);
}

bool lessWithoutCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

}  // namespace

std::optional<QStringList> driveComponents(const QString& path) {
    if (path.size() < 2 || !path.at(0).isLetter() || path.at(0).unicode() > 127 ||
        path.at(1) != u':')
        return std::nullopt;
    if (path.size() > 2 && path.at(2) != u'\\' && path.at(2) != u'/') return std::nullopt;
    QStringList parts = splitPath(path.mid(2));
    for (const QString& part : parts)
        if (part == u"." || part == u"..") return std::nullopt;
    parts.prepend(path.left(1).toUpper());
    return parts;
}

QString ServerDisk::localPath(const QString& path) const {
    if (!m_state.detachedOnDisk) return {};
    if (m_state.filesRoot.isEmpty()) return path;  // laid out at local paths
    const std::optional<QStringList> parts = driveComponents(path);
    if (!parts) return {};
    // Each component as the folder holds it, without regard to case.
    QString local = m_state.filesRoot;
    for (const QString& part : *parts) {
        const QDir dir(local);
        QString found = part;
        if (!QFileInfo::exists(dir.filePath(part))) {
            const QStringList names =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            const auto match = std::find_if(names.begin(), names.end(), [&](const QString& n) {
                return QString::compare(n, part, Qt::CaseInsensitive) == 0;
            });
            if (match != names.end()) found = *match;
        }
        local = dir.filePath(found);
    }
    return local;
}

std::vector<QString> ServerDisk::describedFiles() const {
    std::vector<QString> files;
    for (const DetachedDatabase& d : m_state.detached) {
        if (d.exists) files.push_back(d.path);
        for (const DetachedRecordedFile& f : d.files)
            if (f.exists) files.push_back(folderOf(d.path) + fileNameOf(f.filename));
    }
    for (const DatabaseState& db : m_state.databases)
        for (const ScenarioFile& f : db.files) files.push_back(f.filename);
    return files;
}

QStringList ServerDisk::drives() const {
    QStringList letters;
    if (m_state.detachedOnDisk && m_state.filesRoot.isEmpty()) return letters;
    if (m_state.detachedOnDisk) {
        for (const QString& name :
             QDir(m_state.filesRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (driveComponents(name + u':')) letters << name.toUpper();
    } else {
        for (const QString& file : describedFiles())
            if (const auto parts = driveComponents(file)) letters << parts->front();
    }
    letters.removeDuplicates();
    letters.sort();
    return letters;
}

bool ServerDisk::isFile(const QString& path) const {
    if (m_state.detachedOnDisk) {
        const QString local = localPath(path);
        return !local.isEmpty() && QFileInfo(local).isFile();
    }
    const std::vector<QString> files = describedFiles();
    return std::any_of(files.begin(), files.end(),
                       [&](const QString& f) { return sameName(f, path); });
}

bool ServerDisk::isDirectory(const QString& path) const {
    if (m_state.detachedOnDisk) {
        const QString local = localPath(path);
        return !local.isEmpty() && QFileInfo(local).isDir();
    }
    return entries(path).has_value();
}

std::optional<std::vector<DiskEntry>> ServerDisk::entries(const QString& folder) const {
    std::vector<DiskEntry> found;
    if (m_state.detachedOnDisk) {
        const QString local = localPath(folder);
        if (local.isEmpty() || !QFileInfo(local).isDir()) return std::nullopt;
        for (const QFileInfo& info :
             QDir(local).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            found.push_back({info.fileName(), info.isFile()});
    } else {
        const std::optional<QStringList> wanted = driveComponents(folder);
        if (!wanted) return std::nullopt;
        bool exists = false;
        for (const QString& file : describedFiles()) {
            const std::optional<QStringList> parts = driveComponents(file);
            if (!parts || parts->size() <= wanted->size()) continue;
            bool inside = true;
            for (qsizetype i = 0; i < wanted->size() && inside; ++i)
                inside = QString::compare(parts->at(i), wanted->at(i), Qt::CaseInsensitive) == 0;
            if (!inside) continue;
            exists = true;
            const QString name = parts->at(wanted->size());
            const bool isFile = parts->size() == wanted->size() + 1;
            const bool seen = std::any_of(found.begin(), found.end(), [&](const DiskEntry& e) {
                return QString::compare(e.name, name, Qt::CaseInsensitive) == 0;
            });
            if (!seen) found.push_back({name, isFile});
        }
        if (!exists) return std::nullopt;
    }
    std::sort(found.begin(), found.end(), [](const DiskEntry& a, const DiskEntry& b) {
        return lessWithoutCase(a.name, b.name);
    });
    return found;
}

}  // namespace sqlsim
