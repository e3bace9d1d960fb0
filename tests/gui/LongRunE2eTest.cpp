// Long statements through the real window, offscreen, against an embedded sqlsim that holds a
// statement on the server: the window keeps running its timers while it waits, input during a run
// is dropped rather than replayed, and Esc, the wait panel's "取消" and closing the window cancel
// the run, which then takes its failure path (back to master, the switch back).

#include "connection/ModMain.h"
#include "mainwindow/OperationTable.h"
#include "mainwindow/ResultArea.h"
#include "mainwindow/frmMain.h"
#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "tests/support/MainWindowNodes.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"
#include "toolkit/WaitControls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString kDb = u"Sales"_s;  // of ops-server.json
const QString kCancelled = u"Operation was cancelled"_s;

class LongRunE2e : public testing::Test {
protected:
    void SetUp() override {
        m_toolkit.waitsInEventLoop = true;
        MainServices services = MainServices::standard();
        services.login = [this](QWidget*) { return m_sim.connect(); };
        services.confirmDataLoss = [] { return false; };  // the repairs run without a question
        m_window = std::make_unique<frmMain>(std::move(services));
        m_window->show();
        m_window->Form_Load();
        m_window->Combo_DB->setCurrentIndex(m_window->Combo_DB->findText(kDb));
        m_sim.clearJournal();
    }

    int count(const QString& statement) const { return int(m_sim.journalTexts().count(statement)); }

    RecordingToolkit m_toolkit;
    SqlsimFixture m_sim{u"ops-server.json"_s};
    std::unique_ptr<frmMain> m_window;
};

TEST_F(LongRunE2e, TimersKeepFiringAndTheElapsedTimeCountsDuringAThreeSecondStatement) {
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(100);
    QStringList elapsedShown;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        if (!elapsedShown.contains(m_window->lblElapsed->text()))
            elapsedShown << m_window->lblElapsed->text();
    });
    m_sim.delayOn(SqlsimFixture::literal(execCaptureProcStatement()), std::chrono::seconds(3));
    doubleClickNode(*m_window, u"CHECKDB"_s);
    // The timer ran all along; the panel counted the seconds beside its caption.
    EXPECT_GE(ticks, 20);
    EXPECT_TRUE(elapsedShown.contains(u"00:02"_s)) << elapsedShown.join(u' ').toStdString();
    EXPECT_EQ(m_window->Label6->text(), waitText());
    EXPECT_FALSE(m_window->fra_Wait->isVisible());
}

// A second double-click, keys in the tree and a choice in the database list made while CHECKDB
// runs: dropped, so after the run nothing else starts and the choice stays.
TEST_F(LongRunE2e, InputDuringARunIsDroppedNotReplayed) {
    m_sim.delayOn(SqlsimFixture::literal(execCaptureProcStatement()),
                  std::chrono::milliseconds(1500));
    m_sim.whenReceived(m_window.get(), execCaptureProcStatement(), [this] {
        doubleClickNode(*m_window, u"CHECKDB"_s);
        QTest::keyClick(m_window->TV_Ope, Qt::Key_Down);
        QTest::keyClick(m_window->Combo_DB, Qt::Key_Down);
        QTest::mouseClick(m_window->menuBar(), Qt::LeftButton);
    });
    doubleClickNode(*m_window, u"CHECKDB"_s);
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    EXPECT_EQ(count(execCaptureProcStatement()), 1);
    EXPECT_EQ(m_window->TV_Ope->currentItem(), nodeOf(*m_window, u"CHECKDB"_s));
    EXPECT_EQ(m_window->Combo_DB->currentText(), kDb);
    EXPECT_FALSE(m_window->resultText().isEmpty());
}

// Esc, the "取消" button and closing the window each cancel the run: the failure report, the
// panel hidden, back to master and the switch back, the database multi-user. The shrinks, which
// show no panel, say in the status bar that Esc cancels them.
TEST_F(LongRunE2e, EscTheCancelButtonOrClosingCancelsTheRun) {
    using tarnwick::maintenance::backupLogStatement;
    struct Case {
        const char* key;
        QString held;
        std::function<void(frmMain&)> cancel;
        bool repairs;
    };
    const std::vector<Case> cases = {
        {"REPDB", execCaptureProcStatement(),
         [](frmMain& w) { QTest::keyClick(&w, Qt::Key_Escape); }, true},
        {"REPINDEX", execCaptureProcStatement(),
         [](frmMain& w) { QTest::mouseClick(w.cmdCancelRun, Qt::LeftButton); }, true},
        {"ShrinkLog", backupLogStatement(kDb),
         [](frmMain& w) {
             EXPECT_EQ(w.statusBar()->currentMessage(), u"正在执行操作，按 Esc 键取消"_s);
             QTest::keyClick(w.TV_Ope, Qt::Key_Escape);
         },
         false},
        {"REPDB", execCaptureProcStatement(), [](frmMain& w) { w.close(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        m_sim.clearJournal();
        m_sim.delayOn(SqlsimFixture::literal(c.held), std::chrono::seconds(10));
        m_sim.whenReceived(m_window.get(), c.held, [&] { c.cancel(*m_window); });
        doubleClickNode(*m_window, QString::fromLatin1(c.key));
        const QString text = m_window->resultText();
        EXPECT_TRUE(text.endsWith(withFailureReport({}, kCancelled))) << text.toStdString();
        EXPECT_FALSE(m_window->fra_Wait->isVisible());
        EXPECT_TRUE(m_window->statusBar()->currentMessage().isEmpty());
        EXPECT_FALSE(m_sim.engine().isSingleUser(kDb));
        if (c.repairs) {
            const QStringList sent = m_sim.journalTexts();
            EXPECT_EQ(sent.mid(sent.indexOf(c.held) + 1),
                      (QStringList{u"USE [master]"_s, singleUserStatement(kDb, false)}));
        }
        m_sim.server().clearFaults();
    }
    EXPECT_FALSE(m_window->isVisible());  // closed once its run had ended
}

}  // namespace
