#include "toolkit/EventLoopWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace tarnwick {

namespace {

const char* const kCancelControl = "tarnwickCancelControl";

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
        case QEvent::Gesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

bool insideCancelControl(const QObject* receiver) {
    for (const QObject* o = receiver; o; o = o->parent()) {
        if (o->property(kCancelControl).toBool()) return true;
        if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) break;
    }
    return false;
}

// Installed on the application while events run under a wait: input reaches only the cancel
// controls, Esc cancels, everything else of it is eaten rather than deferred.
class InputDropper final : public QObject {
public:
    InputDropper() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputDropper() override {
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!isUserInput(event->type())) return false;
        // The window passes its input on to the widget under it, where it is looked at.
        if (receiver->isWindowType()) return false;
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) cancelWaitedWork();
            return true;
        }
        return !insideCancelControl(receiver);
    }
};

}  // namespace

void markAsCancelControl(QWidget* control) {
    control->setProperty(kCancelControl, true);
}

void processEventsDroppingInput() {
    if (!QCoreApplication::instance()) return;
    const InputDropper dropper;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitInEventLoop(PendingWork& work) {
    if (!QCoreApplication::instance()) {
        work.waitFinished();
        return;
    }
    const InputDropper dropper;
    QEventLoop loop;
    // The worker wakes the loop through the application object, which outlives any wait: the
    // loop itself may be gone by the time the wake is delivered.
    auto alive = std::make_shared<QPointer<QEventLoop>>(&loop);
    work.setWake([alive] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive] {
                if (*alive) (*alive)->quit();
            },
            Qt::QueuedConnection);
    });
    while (!work.finished()) loop.exec();
    work.setWake(nullptr);
    *alive = nullptr;
}

}  // namespace tarnwick
