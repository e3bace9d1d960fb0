#include "mainwindow/MainServices.h"

#include "attach/AttachWindows.h"
#include "connection/ModMain.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/OperationTable.h"
#include "mainwindow/WindowSettings.h"
#include "operations/UserDatabases.h"

using namespace Qt::StringLiterals;

MainServices MainServices::standard() {
    MainServices s;
    s.login = [](QWidget* owner) { return frmLogin::showModal(owner); };
    s.userDatabases = &ModMain::UserDatabases;
    s.closeConnection = [] { ModMain::serverConnection().Connection.close(); };
    s.serverVersion = [] { return ModMain::serverConnection().ServerVersion; };
    s.serverName = [] {
        const ModMain::ServerConnection& sc = ModMain::serverConnection();
        return sc.Connection.isOpen() ? sc.ServerName : QString();
    };
    s.confirmDataLoss = [] { return WindowSettings().confirmDataLoss(); };
    s.setConfirmDataLoss = [](bool on) { WindowSettings().setConfirmDataLoss(on); };
    s.showAttachWindow = &attach::ShowAttachWindow;
    s.switchOnConnection = [] { return WindowSettings().switchOnConnection(); };
    s.setSwitchOnConnection = [](bool on) { WindowSettings().setSwitchOnConnection(on); };
    s.operations = operationTable();
    return s;
}
