// Long statements: how alive the window stays while a statement takes ten seconds on the server,
// and how fast a cancel ends a run. The main window runs the operation against an embedded sqlsim
// serving the demo at a page rate at which a CHECKDB of Warehouse takes ten seconds; a 5 ms timer
// on the user-interface thread measures the longest gap between its ticks. Prints:
//   longest_stall_ms     the longest user-interface stall during a 10-second CHECKDB
//   cancel_to_idle_ms    from Esc during REPDB to the panel hidden with the database switched back
// Exits 1 when a run did not end as it should.
//
//   bench_long_run

#include "bench/BenchSupport.h"
#include "connection/ModMain.h"
#include "mainwindow/frmMain.h"
#include "tests/support/SqlsimFixture.h"
#include "toolkit/QtToolkit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kDb = u"Warehouse"_s;
// The demo's Warehouse has 18,000 pages: ten seconds of DBCC.
constexpr double kPagesPerSecond = 1800;

void select(frmMain& window, const QString& key) {
    for (int row = 0; row < window.TV_Ope->topLevelItemCount(); ++row) {
        QTreeWidgetItem* node = window.TV_Ope->topLevelItem(row);
        if (node->data(0, frmMain::kNodeKeyRole).toString() == key)
            window.TV_Ope->setCurrentItem(node);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnwick::QtToolkit toolkit;
    tarnwick::setToolkit(&toolkit);
    tarnwick::test::SqlsimFixture sim(u"sqlsim/scenarios/demo.json"_s);
    sim.setDbccPagesPerSecond(kPagesPerSecond);
    MainServices services = MainServices::standard();
    services.login = [&sim](QWidget*) { return sim.connect(); };
    // REPDB would ask before losing data, a modal question nobody answers here.
    services.confirmDataLoss = [] { return false; };
    frmMain window(services);
    window.show();
    window.Form_Load();
    window.Combo_DB->setCurrentIndex(window.Combo_DB->findText(kDb));

    // The stall: the longest gap between the ticks of a 5 ms timer during the run.
    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0) longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    select(window, u"CHECKDB"_s);
    clock.start();
    ticker.start(5);
    window.TV_Ope_DblClick();
    ticker.stop();
    const bool checked = clock.elapsed() >= 9000 && !window.resultText().contains(u"错误信息"_s);

    // Cancel to idle: Esc a second into REPDB's DBCC, until the run has ended.
    select(window, u"REPDB"_s);
    qint64 cancelledAt = 0;
    QTimer::singleShot(1000, &window, [&] {
        cancelledAt = clock.nsecsElapsed();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window.TV_Ope, &escape);
    });
    clock.restart();
    window.TV_Ope_DblClick();
    const qint64 idleAt = clock.nsecsElapsed();
    const bool cancelled = window.resultText().endsWith(u"错误信息Operation was cancelled\r\n"_s) &&
                           !sim.engine().isSingleUser(kDb) && window.fra_Wait->isHidden();

    tarnwick::bench::report("longest_stall_ms", double(longest) / 1e6);
    tarnwick::bench::report("cancel_to_idle_ms", double(idleAt - cancelledAt) / 1e6);
    tarnwick::setToolkit(nullptr);
    if (!checked || !cancelled) {
        std::fprintf(stderr, "bench_long_run: the check %s, the cancel %s\n",
                     checked ? "ran" : "failed", cancelled ? "ended the run" : "did not end it");
        return 1;
    }
    return 0;
}
