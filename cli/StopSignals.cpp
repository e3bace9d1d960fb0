#include "cli/StopSignals.h"

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace tarnwick::cli {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;
volatile std::sig_atomic_t g_pendingCancel = 0;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
bool g_installed = false;

void onStopSignal(int signal) {
    if (g_stopSignal != 0) {
        if (signal != SIGINT) return;
        static const char kMessage[] =
            "tarnwick-cli: interrupted again: stopped at once; the database may be left in "
            "single-user mode\n";
        [[maybe_unused]] const ssize_t written = ::write(2, kMessage, sizeof kMessage - 1);
        ::_exit(128 + SIGINT);
    }
    g_stopSignal = signal;
    g_pendingCancel = 1;
}

}  // namespace

void installStopSignals() {
    if (g_installed) return;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
    g_installed = true;
}

int stopSignal() {
    return g_stopSignal;
}

bool stopRequested() {
    return g_stopSignal != 0;
}

bool takePendingCancel() {
    if (g_pendingCancel == 0) return false;
    g_pendingCancel = 0;
    return true;
}

}  // namespace tarnwick::cli
