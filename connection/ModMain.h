#pragma once
// The program-wide server connection and the routines that open it.

#include "connection/OdbcConnection.h"

#include <QString>

namespace ModMain {

struct ServerConnection {
    tarnwick::OdbcConnection Connection;
    QString ServerVersion;
    // The server name of the last successful ConnectServer, as typed; shown while Connection is
    // open.
    QString ServerName;
};

ServerConnection& serverConnection();

QString buildConnectionString(const QString& serverName, const QString& password);
bool ConnectServer(const QString& serverName, const QString& password);
QString ReadServerVersion(tarnwick::OdbcConnection& connection);

}  // namespace ModMain
