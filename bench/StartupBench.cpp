// Start-up benchmark: the program's start as a user sees it, timed from outside by bench/run as
// the whole process: the login window answered by typing into it (message boxes go to the
// recording toolkit), the database list read, the main window shown maximized, and the process
// ends once the window is painted. Exits 1 unless the list holds the expected number of names.
//
//   bench_startup SERVER PASSWORD EXPECTED_DATABASES

#include "bench/BenchSupport.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/frmMain.h"
#include "tests/support/RecordingToolkit.h"
#include "toolkit/Pictures.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_startup SERVER PASSWORD EXPECTED_DATABASES\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setWindowIcon(tarnwick::windowIcon());
    tarnwick::test::RecordingToolkit toolkit;
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString password = QString::fromLocal8Bit(argv[2]);
    const int expected = QByteArray(argv[3]).toInt();

    MainServices services = MainServices::standard();
    services.login = [&](QWidget* owner) {
        frmLogin login(owner);
        login.txtServer->setText(server);
        login.txtPass->setText(password);
        login.CmdOK_Click();
        return login.result() == QDialog::Accepted;
    };
    frmMain window(services);
    window.Form_Load();
    window.showMaximized();
    tarnwick::bench::FirstPaintQuit quitAfterPaint(&window);
    QApplication::exec();

    if (window.Combo_DB->count() != expected || !toolkit.messageBoxes.empty()) {
        std::fprintf(stderr, "bench_startup: %d databases listed, %zu message boxes\n",
                     window.Combo_DB->count(), toolkit.messageBoxes.size());
        return 1;
    }
    return 0;
}
