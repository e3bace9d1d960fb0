#include "operations/SqlText.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

QString unicodeLiteral(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', u"''"_s);
    return u"N'"_s + doubled + u'\'';
}

}  // namespace tarnwick
