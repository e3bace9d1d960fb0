#include "toolkit/FileFilter.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

// The filter's entries as written: description, then patterns. A description without patterns
// is no entry.
QList<std::pair<QString, QString>> filterEntries(const QString& filter) {
    QList<std::pair<QString, QString>> entries;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append({parts.at(i), parts.at(i + 1)});
    return entries;
}

}  // namespace

QStringList filterPatterns(const QString& filter) {
    QStringList result;
    for (const auto& entry : filterEntries(filter)) result << entry.second;
    return result;
}

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    if (filter.isEmpty()) return result;
    for (const auto& entry : filterEntries(filter)) {
        const QString description = entry.first.trimmed();
        QStringList patterns = entry.second.split(u';', Qt::SkipEmptyParts);
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
