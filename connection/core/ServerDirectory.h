#pragma once
// The servers this computer knows by name: the sections of the FreeTDS configuration and the ODBC
// data sources. Reading them touches local files and the driver manager's list only.

#include <QList>
#include <QString>
#include <QStringList>

namespace tarnwick {

struct NamedServer {
    QString name;
    QString detail;  // a FreeTDS section's host (may be empty), a data source's description
    friend bool operator==(const NamedServer&, const NamedServer&) = default;
};

// Sections of a freetds.conf text, [global] excepted, each with its host (may be empty).
QList<NamedServer> parseFreeTdsConf(const QString& text);
// ~/.freetds.conf, $FREETDSCONF (when set), /etc/freetds/freetds.conf: in that order.
QStringList freeTdsConfPaths();
// The sections of every FreeTDS configuration file that can be read.
QList<NamedServer> freeTdsServers();
QList<NamedServer> odbcDataSources();

}  // namespace tarnwick
