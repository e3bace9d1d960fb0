#pragma once
// The order ORDER BY puts text in under the server collation. Chinese_PRC sorts Chinese by its
// pinyin reading (库存 before 市场), Latin letters before it; the Windows rules of every collation
// here ignore case, keep accents apart (e < é < f) and pass over the hyphen and the apostrophe
// ("co-op" sorts with "coop"), which count only when the texts are otherwise equal. varchar under a
// SQL collation keeps the hyphen and the apostrophe as characters of their own.

#include "sqlsim/engine/Collation.h"
#include "sqlsim/engine/Tokens.h"

#include <QCollator>

namespace sqlsim {

class CollationOrder {
public:
    CollationOrder(const Collation& collation, ColumnType type);
    // Negative, zero or positive as a sorts before, with or after b; trailing blanks do not count.
    int compare(QString a, QString b) const;

private:
    int compareText(const QString& a, const QString& b) const;

    // In the order the constructor sets them: the collator's locale follows m_chinese.
    bool m_chinese;
    bool m_wordSort;
    QCollator m_collator;
};

}  // namespace sqlsim
