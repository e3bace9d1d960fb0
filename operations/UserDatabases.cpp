#include "operations/UserDatabases.h"

#include "connection/ModMain.h"
#include "connection/RecordSet.h"

using namespace Qt::StringLiterals;

namespace ModMain {

QStringList UserDatabases() {
    tarnwick::RecordSet rs;
    rs.open(u"select Name from sysdatabases where Dbid>6 order by Name"_s,
            serverConnection().Connection, tarnwick::RecordSet::adOpenStatic,
            tarnwick::RecordSet::adLockOptimistic);
    QStringList names;
    if (rs.recordCount() < 1) return names;
    while (!rs.eof()) {
        names << rs.field(0).toString();
        rs.moveNext();
    }
    return names;
}

}  // namespace ModMain
