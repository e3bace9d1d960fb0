#pragma once
// The servers offered for choice where the operating system has no computer picker: this
// computer, the servers named in the FreeTDS configuration and the ODBC data sources. Gathering
// them reads local files and the driver manager's list only; nothing goes over the network.

#include "connection/core/ServerDirectory.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace ModSelServer {

using ServerCandidate = tarnwick::NamedServer;
using tarnwick::freeTdsConfPaths;
using tarnwick::odbcDataSources;
using tarnwick::parseFreeTdsConf;

// This computer first, as "(local)", then the FreeTDS servers but for the configuration file's
// untouched example sections, then the ODBC data sources; a name offered twice is kept once, the
// first time.
QList<ServerCandidate> serverCandidates();

}  // namespace ModSelServer
