#include "connection/login/ServerCandidates.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace ModSelServer {

namespace {

bool isSampleSection(const ServerCandidate& server) {
    // The example sections FreeTDS's configuration file ships with, their placeholder hosts
    // untouched: no user wrote them and no server answers there.
    return (server.name.compare(u"egServer50"_s, Qt::CaseInsensitive) == 0 &&
            server.detail.compare(u"symachine.domain.com"_s, Qt::CaseInsensitive) == 0) ||
           (server.name.compare(u"egServer73"_s, Qt::CaseInsensitive) == 0 &&
            server.detail.compare(u"ntmachine.domain.com"_s, Qt::CaseInsensitive) == 0);
}

}  // namespace

QList<ServerCandidate> serverCandidates() {
    // This computer as "(local)", which the login reaches at 127.0.0.1: the host name may resolve
    // to another loopback address (Debian maps it to 127.0.1.1), where a server on 127.0.0.1 is
    // not heard.
    QList<ServerCandidate> all{{u"(local)"_s, u"本计算机"_s}};
    for (const ServerCandidate& c : tarnwick::freeTdsServers())
        if (!isSampleSection(c)) all += c;
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
