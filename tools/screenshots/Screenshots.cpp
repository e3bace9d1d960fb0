// Renders the login window and the main window (with the wait panel shown) to PNG files, without
// a server: the main window is filled directly. Used by scripts/screenshots.sh.
//
//   tarnwick_screenshots <output folder>

#include "connection/login/frmLogin.h"
#include "mainwindow/OperationTable.h"
#include "mainwindow/frmMain.h"
#include "toolkit/QtToolkit.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

bool save(QWidget& window, const QString& path) {
    QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qUtf8Printable(path));
    return ok;
}

MainServices demoServices() {
    MainServices s;
    s.login = [](QWidget*) { return true; };
    s.userDatabases = [] { return QStringList{u"Northwind2"_s, u"Sales"_s, u"销售数据"_s}; };
    s.closeConnection = [] {};
    s.serverVersion = [] { return u"Microsoft SQL Server  2000"_s; };
    s.serverName = [] { return u"(local)"_s; };
    s.operations = operationTable();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(tarnwick::applicationTitle());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);

    tarnwick::QtToolkit qtToolkit;
    tarnwick::setToolkit(&qtToolkit);
    bool ok = true;
    {
        frmLogin login;
        login.txtPass->setText(u"sa密码"_s);
        login.show();
        ok &= save(login, folder + u"/login.png"_s);
    }
    {
        frmMain window(demoServices());
        window.Form_Load();
        window.showMaximized();
        // Without a window manager nothing maximizes the window: give it the screen.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window.setGeometry(screen->availableGeometry());
        window.TV_Ope->setCurrentItem(window.TV_Ope->topLevelItem(3));
        window.setResultText(
            u"DBCC results for 'Sales'.\rThere are 120 rows in 3 pages for object 'Orders'.\r"
            u"CHECKDB found 0 allocation errors and 0 consistency errors in database 'Sales'.\r"
            u"错误信息示例\r\n"_s);
        ok &= save(window, folder + u"/main.png"_s);
        window.ShowWaitPanel(u"正在检测................"_s);
        ok &= save(window, folder + u"/main-wait.png"_s);
        window.HideWaitPanel();
    }
    tarnwick::setToolkit(nullptr);
    return ok ? 0 : 1;
}
