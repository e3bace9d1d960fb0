#pragma once
// File-open filters arrive as "description|pattern[|description|pattern...]" with patterns
// separated by ';'. Qt wants one "description (pattern pattern)" entry per filter.

#include <QStringList>

namespace tarnwick {

QStringList qtNameFilters(const QString& filter);
// Each filter's patterns as written, ';'-separated ("*.MDF;*.NDF"), one entry per filter.
QStringList filterPatterns(const QString& filter);

}  // namespace tarnwick
