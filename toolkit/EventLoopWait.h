#pragma once
// How a window waits for work on another thread: in a local event loop that paints and runs
// timers while every user input is dropped, so nothing typed or clicked during the wait is
// replayed after it. Esc anywhere and input to a control marked as a cancel control (the wait
// panels' "取消" buttons) cancel the work instead.

#include "toolkit/PendingWork.h"

class QWidget;

namespace tarnwick {

void waitInEventLoop(PendingWork& work);
// Runs the events that are waiting, user input dropped.
void processEventsDroppingInput();
// Marks a control whose clicks reach it during a wait.
void markAsCancelControl(QWidget* control);

}  // namespace tarnwick
