#include "sqlsim/protocol/RequestLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace sqlsim {

QByteArray Journal::jsonLine(const JournalEntry& entry) {
    QJsonObject object;
    object.insert(u"conn"_s, entry.conn);
    object.insert(u"db"_s, entry.db);
    object.insert(u"text"_s, entry.text);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void Journal::record(const JournalEntry& entry) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(entry);
    if (!m_filePath.isEmpty()) {
        QFile file(m_filePath);
        if (file.open(QIODevice::Append)) {
            file.write(jsonLine(entry) + '\n');
        }
    }
}

std::vector<JournalEntry> Journal::entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

std::vector<JournalEntry> Journal::entriesOf(int conn) const {
    std::lock_guard lock(m_mutex);
    std::vector<JournalEntry> out;
    for (const JournalEntry& e : m_entries) {
        if (e.conn == conn) out.push_back(e);
    }
    return out;
}

void Journal::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void Journal::setFile(const QString& path) {
    std::lock_guard lock(m_mutex);
    m_filePath = path;
}

void FaultList::add(const Fault& fault) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
}

void FaultList::clear() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::optional<Fault> FaultList::take(int conn, int requestIndex, const QString& text) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        Fault& f = *it;
        if (f.conn != 0 && f.conn != conn) continue;
        if (f.requestIndex != 0 && f.requestIndex != requestIndex) continue;
        const bool hasPattern = f.pattern.isValid() && !f.pattern.pattern().isEmpty();
        if (hasPattern && !f.pattern.match(text).hasMatch()) continue;
        if (f.times == 0) continue;
        Fault applied = f;
        if (f.times > 0 && --f.times == 0) m_faults.erase(it);
        return applied;
    }
    return std::nullopt;
}

}  // namespace sqlsim
