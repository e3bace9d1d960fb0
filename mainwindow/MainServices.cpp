#include "mainwindow/MainServices.h"

#include "attach/AttachWindows.h"
#include "connection/ModMain.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/OperationTable.h"
#include "operations/UserDatabases.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString kSwitchOnConnectionKey = u"singleUser/onConnection"_s;

}  // namespace

MainServices MainServices::standard() {
    MainServices s;
    s.login = [](QWidget* owner) { return frmLogin::showModal(owner); };
    s.userDatabases = &ModMain::UserDatabases;
    s.closeConnection = [] { ModMain::serverConnection().Connection.close(); };
    s.serverVersion = [] { return ModMain::serverConnection().ServerVersion; };
    s.showAttachWindow = &attach::ShowAttachWindow;
    s.switchOnConnection = [] {
        return QSettings(u"Tarnwick"_s, u"Tarnwick"_s)
            .value(kSwitchOnConnectionKey, false)
            .toBool();
    };
    s.setSwitchOnConnection = [](bool on) {
        QSettings(u"Tarnwick"_s, u"Tarnwick"_s).setValue(kSwitchOnConnectionKey, on);
    };
    s.operations = operationTable();
    return s;
}
