#include "attach/WaitPanel.h"

#include "attach/AttachTexts.h"
#include "toolkit/PendingWork.h"
#include "toolkit/Pictures.h"
#include "toolkit/Twips.h"
#include "toolkit/WaitControls.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace attach {

WaitPanel::WaitPanel(const QString& labelName, QWidget* parent)
    : QFrame(parent),
      Image1(new QLabel(this)),
      label(new QLabel(texts::waitLabel(), this)),
      lblElapsed(new tarnwick::ElapsedLabel(this)),
      cmdCancelRun(tarnwick::makeCancelButton(this)) {
    setObjectName(u"fra_Wait"_s);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    Image1->setObjectName(u"Image1"_s);
    label->setObjectName(labelName);
    lblElapsed->setObjectName(u"lblElapsed"_s);
    cmdCancelRun->setObjectName(u"cmdCancelRun"_s);
    tarnwick::setTwipsGeometry(Image1, 240, 240, 735, 615);
    tarnwick::setTwipsGeometry(label, 1200, 300, 3150, 210);
    tarnwick::setTwipsGeometry(lblElapsed, 1200, 570, 900, 285);
    tarnwick::setTwipsGeometry(cmdCancelRun, 3495, 540, 855, 345);
    lblElapsed->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Image1->setPixmap(tarnwick::waitPicture());
    Image1->setScaledContents(true);
    hide();
    if (parent) parent->window()->installEventFilter(this);
}

void WaitPanel::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    lblElapsed->start();
}

void WaitPanel::hideEvent(QHideEvent* event) {
    lblElapsed->stop();
    QFrame::hideEvent(event);
}

bool WaitPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && isVisible()) {
        // The window stays until its attach has ended; the statement is cancelled.
        event->ignore();
        tarnwick::cancelWaitedWork();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace attach
