#pragma once
// SIGINT, SIGTERM and SIGHUP during a run: the first cancels the statement that runs (or the next
// one sent), the run takes its failure path (the switch back out of single-user mode among it),
// and the program exits with 128 + the signal's number. A second SIGINT ends the program at once,
// saying on standard error that the database may be left in single-user mode.

namespace tarnwick::cli {

void installStopSignals();

// The signal that asked the program to stop, or 0. A loop over several databases stops between
// them once this is set.
int stopSignal();
bool stopRequested();
// True once per signal: whether a cancel is owed to the statement that runs now.
bool takePendingCancel();

}  // namespace tarnwick::cli
