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

    // "singleUser/onConnection": repairs switch single-user mode with sp_dboption on the program's
    // own connection instead of through the server's command shell. Off unless turned on.
    bool switchOnConnection() const;
    void setSwitchOnConnection(bool on);

private:
    QSettings m_settings;
};
