#include "attach/AttachPaths.h"

#include <QDir>

#include <stdexcept>

namespace attach {

qsizetype lastPathSeparator(const QString& path) {
    qsizetype index = path.lastIndexOf(u'\\');
    if (QDir::separator() == u'/') index = qMax(index, path.lastIndexOf(u'/'));
    return index;
}

QString fileNameOf(const QString& path) {
    const qsizetype separator = lastPathSeparator(path);
    // The description the program shows for an invalid procedure argument.
    if (separator < 0) throw std::invalid_argument("无效的过程调用或参数");
    return path.mid(separator + 1);
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ') ++begin;
    while (end > begin && text.at(end - 1) == u' ') --end;
    return text.mid(begin, end - begin);
}

}  // namespace attach
