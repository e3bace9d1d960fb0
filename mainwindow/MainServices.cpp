#include "mainwindow/MainServices.h"

#include "attach/AttachWindows.h"
#include "connection/ModMain.h"
#include "mainwindow/OperationTable.h"
#include "connection/RecordSet.h"
#include "connection/login/frmLogin.h"

using namespace Qt::StringLiterals;

namespace {

QStringList queryUserDatabases() {
    tarnwick::RecordSet rs;
    rs.open(u"select Name from sysdatabases where Dbid>6 order by Name"_s,
            ModMain::serverConnection().Connection, tarnwick::RecordSet::adOpenStatic,
            tarnwick::RecordSet::adLockOptimistic);
    QStringList names;
    if (rs.recordCount() < 1) return names;
    while (!rs.eof()) {
        names << rs.field(0).toString();
        rs.moveNext();
    }
    return names;
}

}  // namespace

MainServices MainServices::standard() {
    MainServices s;
    s.login = [](QWidget* owner) { return frmLogin::showModal(owner); };
    s.userDatabases = &queryUserDatabases;
    s.closeConnection = [] { ModMain::serverConnection().Connection.close(); };
    s.serverVersion = [] { return ModMain::serverConnection().ServerVersion; };
    s.showAttachWindow = &attach::ShowAttachWindow;
    s.operations = operationTable();
    return s;
}
