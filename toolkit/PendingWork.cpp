#include "toolkit/PendingWork.h"

#include <atomic>
#include <utility>

namespace tarnwick {

PendingWork::PendingWork(std::function<void()> canceller) : m_canceller(std::move(canceller)) {}

void PendingWork::finish() {
    std::function<void()> wake;
    {
        // Notified under the lock: the waiting side may destroy this object as soon as it sees
        // the work finished, so nothing of it is touched after the lock is released.
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        wake = std::move(m_wake);
        m_wake = nullptr;
        m_changed.notify_all();
    }
    if (wake) wake();
}

bool PendingWork::finished() const {
    const std::lock_guard lock(m_mutex);
    return m_finished;
}

void PendingWork::waitFinished() const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_finished; });
}

bool PendingWork::waitFinishedFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_finished; });
}

void PendingWork::setWake(std::function<void()> wake) {
    {
        const std::lock_guard lock(m_mutex);
        if (!m_finished) {
            m_wake = std::move(wake);
            return;
        }
    }
    if (wake) wake();
}

namespace {
std::atomic<int> g_cancelsSent{0};
}  // namespace

int cancelsSent() {
    return g_cancelsSent.load();
}

void PendingWork::cancel() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_cancelRequested || m_finished) return;
        m_cancelRequested = true;
    }
    ++g_cancelsSent;
    if (m_canceller) m_canceller();
}

namespace {
PendingWork* g_waitedFor = nullptr;  // touched by the waiting thread only
int g_shields = 0;
}  // namespace

CancelShield::CancelShield() {
    ++g_shields;
}

CancelShield::~CancelShield() {
    --g_shields;
}

bool cancelShielded() {
    return g_shields > 0;
}

WaitingFor::WaitingFor(PendingWork& work) : m_previous(g_waitedFor) {
    g_waitedFor = &work;
}

WaitingFor::~WaitingFor() {
    g_waitedFor = m_previous;
}

bool cancelWaitedWork() {
    if (!g_waitedFor || g_shields > 0) return false;
    g_waitedFor->cancel();
    return true;
}

}  // namespace tarnwick
