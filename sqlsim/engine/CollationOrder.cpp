#include "sqlsim/engine/CollationOrder.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

QString withoutHyphensAndApostrophes(QString text) {
    text.remove(u'-');
    text.remove(u'\'');
    return text;
}

}  // namespace

CollationOrder::CollationOrder(const Collation& collation, ColumnType type)
    : m_chinese(collation.codePage == CodePage::Cp936),
      m_wordSort(!(collation.name.startsWith(u"SQL_"_s) && type == ColumnType::VarChar)),
      m_collator(m_chinese ? QLocale(QLocale::Chinese, QLocale::Script::SimplifiedHanScript,
                                     QLocale::China)
                           : QLocale(QLocale::English, QLocale::UnitedStates)) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
}

int CollationOrder::compareText(const QString& a, const QString& b) const {
    if (!m_chinese) return m_collator.compare(a, b);
    // Where the texts first differ, a Chinese character sorts after anything else (the code page
    // puts its two-byte characters after the one-byte ones); two Chinese characters compare by
    // pinyin.
    const QString fa = a.toCaseFolded();
    const QString fb = b.toCaseFolded();
    qsizetype i = 0;
    while (i < fa.size() && i < fb.size() && fa[i] == fb[i]) ++i;
    if (i < fa.size() && i < fb.size()) {
        const bool hanA = fa[i].script() == QChar::Script_Han;
        const bool hanB = fb[i].script() == QChar::Script_Han;
        if (hanA != hanB) return hanA ? 1 : -1;
    }
    return m_collator.compare(a, b);
}

int CollationOrder::compare(QString a, QString b) const {
    while (a.endsWith(u' ')) a.chop(1);
    while (b.endsWith(u' ')) b.chop(1);
    if (m_wordSort) {
        const int c = compareText(withoutHyphensAndApostrophes(a), withoutHyphensAndApostrophes(b));
        if (c != 0) return c;
    }
    // Equal under the collation (0): the order stays stable.
    return compareText(a, b);
}

}  // namespace sqlsim
