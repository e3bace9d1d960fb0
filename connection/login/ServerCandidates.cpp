#include "connection/login/ServerCandidates.h"

#include <QSet>
#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace ModSelServer {

QList<ServerCandidate> serverCandidates() {
    QList<ServerCandidate> all{{QSysInfo::machineHostName(), u"本计算机"_s}};
    all += tarnwick::freeTdsServers();
    all += tarnwick::odbcDataSources();

    QList<ServerCandidate> result;
    QSet<QString> seen;
    for (const ServerCandidate& c : all) {
        if (c.name.isEmpty() || seen.contains(c.name.toLower())) continue;
        seen.insert(c.name.toLower());
        result.append(c);
    }
    return result;
}

}  // namespace ModSelServer
