// Starts the program at the main window, whose load step runs the login.

#include "mainwindow/frmMain.h"
#include "toolkit/Pictures.h"
#include "toolkit/QtToolkit.h"
#include "toolkit/QtTranslations.h"
#include "toolkit/Toolkit.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace {

// The one description of the command line: the manual page is made from it.
constexpr const char* kHelp = R"(Usage: tarnwick [Qt options]
Maintenance of SQL Server 7.0 and 2000 databases in a window. Tarnwick opens with the login
window: type the server and the sa password, pick a user database in the main window and
double-click an operation: check and repair with DBCC, shrink the log or data file, rebuild every
index, repair every table, or attach a database from its files. The messages the server reports
appear in the result area exactly as the server wrote them. The user interface is in Simplified
Chinese.

The server is typed in one of these forms: host (port 1433), host\instance (the port asked from
the server's browser service), host,port, (local) or . or localhost (this machine), the name of
a section of freetds.conf, or the name of an ODBC data source. No ODBC configuration is needed:
the registered FreeTDS driver is used, or libtdsodbc.so from the system's library folders.

Options:
  --help                 this text
  -platform NAME         the Qt platform plugin (xcb, wayland, offscreen, ...)
  -display DISPLAY       the X display to open (with the xcb platform)

The same operations run without a window with tarnwick-cli.
)";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any window system is opened, so it works without a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName(tarnwick::applicationTitle());
    QApplication::setWindowIcon(tarnwick::windowIcon());
    tarnwick::installQtTranslations();

    tarnwick::QtToolkit qtToolkit;
    tarnwick::setToolkit(&qtToolkit);

    int result = 0;
    {
        frmMain window;
        window.Form_Load();
        // Without a window manager nothing maximizes the window: it takes the screen's free area.
        if (const QScreen* screen = window.screen())
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
        result = QApplication::exec();
    }
    tarnwick::setToolkit(nullptr);
    return result;
}
