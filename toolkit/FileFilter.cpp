#include "toolkit/FileFilter.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    if (filter.isEmpty()) return result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        const QString patternText = patterns.join(u' ');
        // Qt reads the patterns from the last parenthesised group; a description that already
        // ends with exactly that group ("MDF (*.MDF)") is used as it stands.
        const QString group = u"("_s + patternText + u")"_s;
        if (description.endsWith(group))
            result << description;
        else
            result << (description.isEmpty() ? group : description + u' ' + group);
    }
    return result;
}

}  // namespace tarnwick
