#pragma once
// How long a run has taken, as the wait panels and the command line show it: "mm:ss" under an
// hour, "h:mm:ss" from then on.

#include <QString>

namespace tarnwick {

QString elapsedText(qint64 milliseconds);

}  // namespace tarnwick
