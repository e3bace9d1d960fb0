#pragma once
// Work running on another thread (a statement on its way to the server) that the program waits
// for. The worker marks it finished; the waiting side blocks on it, or is woken when it finishes
// while it keeps its windows alive. A cancel runs the canceller the work was made with, on the
// thread that asks for it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace tarnwick {

class PendingWork {
public:
    explicit PendingWork(std::function<void()> canceller = {});
    PendingWork(const PendingWork&) = delete;
    PendingWork& operator=(const PendingWork&) = delete;

    // The worker's side: marks the work finished and runs the wake, if one is set.
    void finish();

    bool finished() const;
    void waitFinished() const;  // blocks the calling thread
    bool waitFinishedFor(std::chrono::milliseconds timeout) const;
    // wake runs once when the work finishes, on the worker's thread (at once, on this thread, when
    // it already has); an empty function removes it.
    void setWake(std::function<void()> wake);

    // Asks the work to stop; the second and later requests do nothing.
    void cancel();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::function<void()> m_canceller;
    std::function<void()> m_wake;
    bool m_finished = false;
    bool m_cancelRequested = false;
};

// The work the program waits for right now, if any: the cancel button, Esc, closing the main
// window and the command line's signals cancel it. WaitingFor marks a wait for its lifetime.
class WaitingFor {
public:
    explicit WaitingFor(PendingWork& work);
    ~WaitingFor();
    WaitingFor(const WaitingFor&) = delete;
    WaitingFor& operator=(const WaitingFor&) = delete;

private:
    PendingWork* m_previous;
};
// True when a wait was running and has been asked to stop. Does nothing under a CancelShield.
bool cancelWaitedWork();

// While one lives, nothing cancels the waited-for work: a run's clean-up (back to master, the
// switch out of single-user mode) always goes through, whatever the user presses meanwhile.
class CancelShield {
public:
    CancelShield();
    ~CancelShield();
    CancelShield(const CancelShield&) = delete;
    CancelShield& operator=(const CancelShield&) = delete;
};
bool cancelShielded();

// How many waited-for statements have been cancelled since the program started: a run that saw
// this change was cancelled.
int cancelsSent();

}  // namespace tarnwick
