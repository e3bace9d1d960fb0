#include "mainwindow/WindowSettings.h"

using namespace Qt::StringLiterals;

namespace {

const QString kConfirmDataLoss = u"confirm/dataLoss"_s;
const QString kSwitchOnConnection = u"singleUser/onConnection"_s;

}  // namespace

WindowSettings::WindowSettings() : m_settings(u"Tarnwick"_s, u"Tarnwick"_s) {}

bool WindowSettings::confirmDataLoss() const {
    return m_settings.value(kConfirmDataLoss, true).toBool();
}

void WindowSettings::setConfirmDataLoss(bool on) {
    m_settings.setValue(kConfirmDataLoss, on);
}

bool WindowSettings::switchOnConnection() const {
    return m_settings.value(kSwitchOnConnection, false).toBool();
}

void WindowSettings::setSwitchOnConnection(bool on) {
    m_settings.setValue(kSwitchOnConnection, on);
}
