#include "toolkit/WindowFont.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace tarnwick {

QFont windowFont(double pointSize) {
    QFont font;
    font.setFamilies({u"宋体"_s, u"SimSun"_s, u"AR PL UMing CN"_s, u"AR PL UMing"_s});
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace tarnwick
