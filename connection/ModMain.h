#pragma once
// The program-wide server connection and the routines that open it.

#include "connection/OdbcConnection.h"

#include <QString>

namespace ModMain {

struct ServerConnection {
    tarnwick::OdbcConnection Connection;
    QString ServerVersion;
    QString ServerName;  // as the user typed it at the last login
};

ServerConnection& serverConnection();

QString buildConnectionString(const QString& serverName, const QString& password);
bool ConnectServer(const QString& serverName, const QString& password);
QString ReadServerVersion(tarnwick::OdbcConnection& connection);

}  // namespace ModMain
