#include "connection/ModMain.h"

#include "connection/DbError.h"
#include "connection/RecordSet.h"
#include "connection/core/ConnectionString.h"
#include "toolkit/Toolkit.h"

using namespace Qt::StringLiterals;

namespace ModMain {

ServerConnection& serverConnection() {
    static ServerConnection instance;
    return instance;
}

QString buildConnectionString(const QString& serverName, const QString& password) {
    // A password that the pair separator or the trimming of blanks would cut short goes in quotes,
    // so every password logs in as typed; any other one is inserted unchanged.
    return u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = "_s +
           tarnwick::quoteOleDbValue(password) + u";Initial Catalog=master;Data Source="_s +
           serverName;
}

bool ConnectServer(const QString& serverName, const QString& password) {
    const QString connectionString = buildConnectionString(serverName, password);
    tarnwick::OdbcConnection& connection = serverConnection().Connection;
    try {
        connection.open(connectionString, QString(), QString());
        connection.setCommandTimeout(3600);
        serverConnection().ServerName = serverName;
        return true;
    } catch (const tarnwick::DbError& error) {
        if (connection.isOpen()) connection.close();
        tarnwick::toolkit().messageBox(error.description(), tarnwick::vbOKOnly, QString());
        return false;
    }
}

QString ReadServerVersion(tarnwick::OdbcConnection& connection) {
    tarnwick::RecordSet versionSet;
    versionSet.open(u"select left(@@version,charindex('-',@@version)-1)"_s, connection,
                    tarnwick::RecordSet::adOpenStatic, tarnwick::RecordSet::adLockOptimistic);
    QString version = versionSet.field(0).toString();
    // Blanks only: a tab or a line end stays.
    qsizetype begin = 0;
    qsizetype end = version.size();
    while (begin < end && version.at(begin) == u' ') ++begin;
    while (end > begin && version.at(end - 1) == u' ') --end;
    return version.mid(begin, end - begin);
}

}  // namespace ModMain
