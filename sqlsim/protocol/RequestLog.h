#pragma once
// What the server shares between its connection threads besides the engine: the journal of
// requests (in memory and optionally appended to a file as JSON lines) and the injected faults.

#include "sqlsim/protocol/Server.h"

#include <QString>

#include <mutex>
#include <optional>
#include <vector>

namespace sqlsim {

class Journal {
public:
    void record(const JournalEntry& entry);
    std::vector<JournalEntry> entries() const;
    std::vector<JournalEntry> entriesOf(int conn) const;
    void clear();
    void setFile(const QString& path);

    // One line of the journal file, without the line end.
    static QByteArray jsonLine(const JournalEntry& entry);

private:
    mutable std::mutex m_mutex;
    std::vector<JournalEntry> m_entries;
    QString m_filePath;
};

class FaultList {
public:
    void add(const Fault& fault);
    void clear();
    // The fault that applies to request number requestIndex (from 1) of connection conn with the
    // given text, counting it as used; nullopt when none applies.
    std::optional<Fault> take(int conn, int requestIndex, const QString& text);

private:
    std::mutex m_mutex;
    std::vector<Fault> m_faults;
};

}  // namespace sqlsim
