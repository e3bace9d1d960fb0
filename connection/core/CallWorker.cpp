#include "connection/core/CallWorker.h"

#include "connection/DbError.h"
#include "toolkit/Toolkit.h"

#include <sqlext.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace tarnwick {

namespace {

// One thread for the program's statements, started on the first call and joined at exit.
class Worker {
public:
    ~Worker() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    // A thread not started has no id, which no running thread has.
    bool onWorker() const { return std::this_thread::get_id() == m_thread.get_id(); }

    void post(std::function<void()> job) {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_thread.joinable()) {
                m_thread = std::thread([this] { serve(); });
            }
            m_job = std::move(job);
        }
        m_changed.notify_all();
    }

private:
    void serve() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stopping || m_job; });
                if (!m_job) return;
                job = std::move(m_job);
                m_job = nullptr;
            }
            job();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_stopping = false;
    std::thread m_thread;
};

Worker& worker() {
    static Worker instance;
    return instance;
}

void cancelRunning(OdbcConnection::Handles& handles) {
    const std::lock_guard lock(handles.cancelMutex);
    handles.cancelRequested = true;
    if (handles.activeStatement != SQL_NULL_HSTMT) SQLCancel(handles.activeStatement);
}

}  // namespace

void runOffThread(OdbcConnection::Handles& handles, const std::function<void()>& call) {
    if (worker().onWorker()) {
        call();
        return;
    }
    {
        const std::lock_guard lock(handles.cancelMutex);
        handles.cancelRequested = false;
    }
    PendingWork work([&handles] { cancelRunning(handles); });
    std::exception_ptr failure;
    worker().post([&] {
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
        work.finish();
    });
    {
        const WaitingFor waiting(work);
        toolkit().waitFor(work);
    }
    // Every toolkit's waitFor returns once the work has finished; this makes sure of it, whatever
    // toolkit is installed, before the call's results and failure are looked at.
    work.waitFinished();
    const std::lock_guard lock(handles.cancelMutex);
    handles.cancelRequested = false;
    if (failure) std::rethrow_exception(failure);
}

DbError cancelledError() {
    return DbError(QStringLiteral("Operation was cancelled"), 0, QStringLiteral("HY008"));
}

bool ActiveStatement::enter(OdbcConnection::Handles& handles, SQLHSTMT statement) {
    const std::lock_guard lock(handles.cancelMutex);
    if (handles.cancelRequested) return false;
    handles.activeStatement = statement;
    return true;
}

void ActiveStatement::leave(OdbcConnection::Handles& handles, SQLHSTMT statement) {
    const std::lock_guard lock(handles.cancelMutex);
    if (handles.activeStatement == statement) handles.activeStatement = SQL_NULL_HSTMT;
}

}  // namespace tarnwick
