// Read-back benchmark: one CHECKDB double-click in the main window against a running sqlsim, from
// the double-click to the result area painted. Prints the time, the memory before and at the peak,
// and the size of the text shown, one "key value" line each.
//
//   bench_readback SERVER PASSWORD DATABASE     e.g. bench_readback 127.0.0.1,50123 bench bench

#include "bench/BenchSupport.h"
#include "connection/ModMain.h"
#include "mainwindow/ResultArea.h"
#include "mainwindow/frmMain.h"
#include "toolkit/QtToolkit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdio>

using namespace Qt::StringLiterals;
using tarnwick::bench::procStatusKb;
using tarnwick::bench::report;

namespace {

QTreeWidgetItem* operationNode(QTreeWidget* tree, const QString& key) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->data(0, frmMain::kNodeKeyRole).toString() == key) return *it;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_readback SERVER PASSWORD DATABASE\n");
        return 2;
    }
    QApplication app(argc, argv);
    tarnwick::QtToolkit qtToolkit;
    tarnwick::setToolkit(&qtToolkit);
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString password = QString::fromLocal8Bit(argv[2]);
    const QString database = QString::fromLocal8Bit(argv[3]);

    int status = 0;
    {
        MainServices services = MainServices::standard();
        services.login = [&](QWidget*) {
            if (!ModMain::ConnectServer(server, password)) return false;
            ModMain::serverConnection().ServerVersion =
                ModMain::ReadServerVersion(ModMain::serverConnection().Connection);
            return true;
        };
        frmMain window(services);
        window.Form_Load();
        window.resize(1024, 768);
        window.show();
        QApplication::processEvents();

        QTreeWidgetItem* node = operationNode(window.TV_Ope, u"CHECKDB"_s);
        const int databaseIndex = window.Combo_DB->findText(database);
        if (!node || databaseIndex < 0) {
            std::fprintf(stderr, "bench_readback: no CHECKDB node or no database %s\n", argv[3]);
            return 1;
        }
        window.Combo_DB->setCurrentIndex(databaseIndex);
        window.TV_Ope->setCurrentItem(node);
        QApplication::processEvents();
        const long startupKb = procStatusKb("VmRSS");

        QElapsedTimer timer;
        timer.start();
        window.TV_Ope_DblClick();
        window.txtResult->viewport()->repaint();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        // Read before the text is taken out of the result area, which builds a copy of it.
        const long peakKb = procStatusKb("VmHWM");

        const QString text = window.txtResult->resultText();
        report("readback_seconds", seconds);
        report("startup_rss_kb", static_cast<double>(startupKb));
        report("peak_rss_kb", static_cast<double>(peakKb));
        report("text_utf16_bytes", static_cast<double>(text.size()) * 2);
        report("messages", static_cast<double>(text.count(u'\r')));
        if (text.contains(u"错误信息"_s)) {
            std::fprintf(stderr, "bench_readback: the run failed: %s\n",
                         qPrintable(text.right(300)));
            status = 1;
        }
    }
    tarnwick::setToolkit(nullptr);
    return status;
}
