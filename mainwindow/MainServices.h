#pragma once
// Everything the main window asks of the rest of the program. The standard services use the
// login window, the one server connection and the program's operation table; tests put their
// own in place.

#include "mainwindow/OperationRow.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

struct MainServices {
    // Shows a fresh login window modally; false when it was closed without logging in.
    std::function<bool(QWidget* owner)> login;
    // The user databases' names in the server's order; raises on failure.
    std::function<QStringList()> userDatabases;
    // Closes the server connection; raises when it is not open.
    std::function<void()> closeConnection;
    std::function<QString()> serverVersion;
    // The name of the server the connection is open to, as typed at the login; empty when the
    // connection is closed.
    std::function<QString()> serverName;
    // The "confirm/dataLoss" setting: ask before an operation that may lose data (on by default).
    std::function<bool()> confirmDataLoss;
    std::function<void(bool)> setConfirmDataLoss;
    // Opens the attach window for a server version modally and returns when it is closed.
    std::function<void(const QString& serverVersion)> showAttachWindow;
    // The stored choice of the menu item that switches single-user mode on the program's own
    // connection; either may be empty (then the item starts unchecked and is not stored).
    std::function<bool()> switchOnConnection;
    std::function<void(bool on)> setSwitchOnConnection;
    // The operations of the tree and the double-click.
    OperationTable operations;

    static MainServices standard();
};
