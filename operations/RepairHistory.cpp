#include "operations/RepairHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace tarnwick::history {

QString filePath() {
    // A relative XDG_STATE_HOME is invalid and ignored, as the base directory rules say.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + u"/.local/state"_s;
    return base + u"/tarnwick/history.jsonl"_s;
}

QJsonObject toJson(const Entry& entry) {
    return {
        {u"time"_s, entry.time.toUTC().toString(Qt::ISODate)},
        {u"server"_s, entry.server},
        {u"database"_s, entry.database},
        {u"operation"_s, entry.operation},
        {u"switch"_s, entry.switchMode.isEmpty() ? QJsonValue() : QJsonValue(entry.switchMode)},
        {u"outcome"_s, entry.outcome},
        {u"singleUserAfter"_s,
         entry.singleUserAfter ? QJsonValue(*entry.singleUserAfter) : QJsonValue()},
        {u"result"_s, entry.result},
    };
}

Entry fromJson(const QJsonObject& object) {
    Entry entry;
    entry.time = QDateTime::fromString(object[u"time"_s].toString(), Qt::ISODate);
    entry.server = object[u"server"_s].toString();
    entry.database = object[u"database"_s].toString();
    entry.operation = object[u"operation"_s].toString();
    entry.switchMode = object[u"switch"_s].toString();
    entry.outcome = object[u"outcome"_s].toString();
    if (object[u"singleUserAfter"_s].isBool())
        entry.singleUserAfter = object[u"singleUserAfter"_s].toBool();
    entry.result = object[u"result"_s].toString();
    return entry;
}

QString append(const Entry& entry) {
    const QString path = filePath();
    if (!QDir().mkpath(QFileInfo(path).path())) return u"cannot create the folder of "_s + path;
    QFile file(path);
    const bool created = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return path + u": "_s + file.errorString();
    if (created) file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray line = QJsonDocument(toJson(entry)).toJson(QJsonDocument::Compact) + '\n';
    if (file.write(line) != line.size() || !file.flush())
        return path + u": "_s + file.errorString();
    return {};
}

QList<Entry> readAll() {
    QList<Entry> entries;
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly)) return entries;
    while (!file.atEnd()) {
        const QJsonDocument line = QJsonDocument::fromJson(file.readLine());
        if (line.isObject()) entries << fromJson(line.object());
    }
    return entries;
}

}  // namespace tarnwick::history
