#pragma once
// The window's settings, kept between runs with QSettings under the organization and application
// name "Tarnwick", one group per concern. The command line takes options instead.

#include <QSettings>

class WindowSettings {
public:
    WindowSettings();

    // "confirm/dataLoss": ask before an operation that may lose data. On unless turned off.
    bool confirmDataLoss() const;
    void setConfirmDataLoss(bool on);

private:
    QSettings m_settings;
};
