#include "toolkit/WaitControls.h"

#include "toolkit/ElapsedText.h"
#include "toolkit/EventLoopWait.h"
#include "toolkit/PendingWork.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace tarnwick {

ElapsedLabel::ElapsedLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &ElapsedLabel::showElapsed);
}

void ElapsedLabel::start() {
    m_clock.start();
    showElapsed();
    m_tick.start();
}

void ElapsedLabel::stop() {
    m_tick.stop();
}

void ElapsedLabel::showElapsed() {
    setText(elapsedText(m_clock.elapsed()));
}

QPushButton* makeCancelButton(QWidget* parent) {
    auto* button = new QPushButton(u"取消"_s, parent);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    markAsCancelControl(button);
    QObject::connect(button, &QPushButton::clicked, button, [] { cancelWaitedWork(); });
    return button;
}

}  // namespace tarnwick
