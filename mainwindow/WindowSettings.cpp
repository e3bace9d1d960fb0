#include "mainwindow/WindowSettings.h"

using namespace Qt::StringLiterals;

namespace {

const QString kConfirmDataLoss = u"confirm/dataLoss"_s;

}  // namespace

WindowSettings::WindowSettings() : m_settings(u"Tarnwick"_s, u"Tarnwick"_s) {}

bool WindowSettings::confirmDataLoss() const {
    return m_settings.value(kConfirmDataLoss, true).toBool();
}

void WindowSettings::setConfirmDataLoss(bool on) {
    m_settings.setValue(kConfirmDataLoss, on);
}
