#include "toolkit/ElapsedText.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

QString elapsedText(qint64 milliseconds) {
    const qint64 seconds = milliseconds < 0 ? 0 : milliseconds / 1000;
    const auto two = [](qint64 n) { return u"%1"_s.arg(n, 2, 10, QChar(u'0')); };
    if (seconds < 3600) return two(seconds / 60) + u':' + two(seconds % 60);
    return QString::number(seconds / 3600) + u':' + two(seconds / 60 % 60) + u':' +
           two(seconds % 60);
}

}  // namespace tarnwick
