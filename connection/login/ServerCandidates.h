#pragma once
// The servers offered for choice where the operating system has no computer picker: this
// computer, the servers named in the FreeTDS configuration and the ODBC data sources. Gathering
// them reads local files and the driver manager's list only; nothing goes over the network.

#include <QList>
#include <QString>
#include <QStringList>

namespace ModSelServer {

struct ServerCandidate {
    QString name;    // what goes into the server box
    QString detail;  // shown beside it: host, data source description, "本计算机"
    friend bool operator==(const ServerCandidate&, const ServerCandidate&) = default;
};

// Sections of a freetds.conf text, [global] excepted, each with its host (may be empty).
QList<ServerCandidate> parseFreeTdsConf(const QString& text);
// ~/.freetds.conf, $FREETDSCONF (when set), /etc/freetds/freetds.conf: in that order.
QStringList freeTdsConfPaths();
QList<ServerCandidate> odbcDataSources();
// This computer first, then the FreeTDS servers, then the ODBC data sources; a name offered
// twice is kept once, the first time.
QList<ServerCandidate> serverCandidates();

}  // namespace ModSelServer
