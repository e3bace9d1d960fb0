// The time a statement's work takes: the DBCC statements work through pages at the server's rate
// while the client may cancel them, and a cancelled statement is rolled back.

#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace sqlsim {

namespace {

// Lets go of the server's lock for as long as it lives, however deep this thread holds it.
class LockReleased {
public:
    explicit LockReleased(StateMutex& mutex) : m_mutex(mutex), m_depth(mutex.releaseAll()) {}
    ~LockReleased() { m_mutex.reacquire(m_depth); }
    LockReleased(const LockReleased&) = delete;
    LockReleased& operator=(const LockReleased&) = delete;

private:
    StateMutex& m_mutex;
    int m_depth;
};

}  // namespace

qint64 SessionImpl::databasePages(const DatabaseState& db) {
    if (db.dbccPages >= 0) return db.dbccPages;
    qint64 pages = 0;
    for (const ScenarioFile& f : db.files)
        if (f.groupId != 0) pages += f.usedPages;
    return pages;
}

bool SessionImpl::takeTime(qint64 pages) {
    if (m_cancelled) return false;
    const double rate = m_state->dbccPagesPerSecond;
    if (rate <= 0 || pages <= 0) return true;
    constexpr double longest = 7.0 * 24 * 3600 * 1000;  // a week: far beyond any client time-out
    const std::chrono::milliseconds duration(static_cast<qint64>(
        std::min(longest, std::ceil(static_cast<double>(pages) * 1000.0 / rate))));
    WaitOutcome outcome = WaitOutcome::Done;
    {
        const LockReleased released(m_state->mutex);
        if (m_waiter)
            outcome = m_waiter(duration);
        else
            std::this_thread::sleep_for(duration);
    }
    if (outcome == WaitOutcome::Done) return true;
    cancelHere();
    return false;
}

void SessionImpl::cancelHere() {
    m_cancelled = true;
    m_cancelledAt = m_frame.out->size();
}

void SessionImpl::rememberForRollback(const DatabaseState& db) {
    if (m_insertExecDepth == 0) return;
    const auto kept = [&](const MaintenanceSnapshot& s) { return s.dbid == db.dbid; };
    if (std::any_of(m_rollback.begin(), m_rollback.end(), kept)) return;
    MaintenanceSnapshot snapshot;
    snapshot.dbid = db.dbid;
    snapshot.findings = db.findings;
    snapshot.files = db.files;
    for (const TableObject& t : db.tables)
        snapshot.tables[t.name.toLower()] = {t.usageCorrections, t.indexRebuilds};
    m_rollback.push_back(std::move(snapshot));
}

void SessionImpl::rollBack() {
    for (const MaintenanceSnapshot& s : m_rollback) {
        DatabaseState* db = m_state->databaseById(s.dbid);
        if (!db) continue;
        db->findings = s.findings;
        for (ScenarioFile& f : db->files) {
            const auto before =
                std::find_if(s.files.begin(), s.files.end(),
                             [&](const ScenarioFile& b) { return b.fileId == f.fileId; });
            if (before != s.files.end()) f = *before;
        }
        for (TableObject& t : db->tables) {
            const auto before = s.tables.find(t.name.toLower());
            if (before == s.tables.end()) continue;
            t.usageCorrections = before->second.first;
            t.indexRebuilds = before->second.second;
        }
    }
    m_rollback.clear();
}

}  // namespace sqlsim
