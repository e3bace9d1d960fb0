#include "attach/WaitPanel.h"

#include "attach/AttachTexts.h"
#include "toolkit/Pictures.h"
#include "toolkit/Twips.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace attach {

WaitPanel::WaitPanel(const QString& labelName, QWidget* parent)
    : QFrame(parent), Image1(new QLabel(this)), label(new QLabel(texts::waitLabel(), this)) {
    setObjectName(u"fra_Wait"_s);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    Image1->setObjectName(u"Image1"_s);
    label->setObjectName(labelName);
    tarnwick::setTwipsGeometry(Image1, 240, 240, 735, 615);
    tarnwick::setTwipsGeometry(label, 1200, 480, 3150, 210);
    Image1->setPixmap(tarnwick::waitPicture());
    Image1->setScaledContents(true);
    hide();
}

}  // namespace attach
