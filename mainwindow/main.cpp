// Starts the program at the main window, whose load step runs the login.

#include "mainwindow/frmMain.h"
#include "toolkit/Pictures.h"
#include "toolkit/QtToolkit.h"
#include "toolkit/QtTranslations.h"
#include "toolkit/Toolkit.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
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
