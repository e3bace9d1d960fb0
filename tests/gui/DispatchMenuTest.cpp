// Double-clicking an operation node and the file menu, with a recording operation table and
// recorded services.

#include "tests/gui/GuiTestHelpers.h"
#include "tests/gui/MainWindowFakes.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;

namespace {

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.databases = {u"a"_s, u"b"_s, u"销售 数据"_s};
        window = std::make_unique<frmMain>(server.services());
        window->Form_Load();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        server.calls.clear();
    }

    QTreeWidgetItem* node(const QString& key) {
        for (int i = 0; i < window->TV_Ope->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = window->TV_Ope->topLevelItem(i);
            if (item->data(0, frmMain::kNodeKeyRole).toString() == key) return item;
        }
        return nullptr;
    }

    // Double-clicks the node as a user does: the first press selects it.
    void doubleClick(const QString& key) {
        QTreeWidgetItem* item = node(key);
        ASSERT_NE(item, nullptr) << key.toStdString();
        const QPoint at = window->TV_Ope->visualItemRect(item).center();
        QTest::mouseClick(window->TV_Ope->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window->TV_Ope->viewport(), Qt::LeftButton, {}, at);
    }

    RecordingToolkit toolkit;
    FakeServer server;
    std::unique_ptr<frmMain> window;
};

}  // namespace

TEST_F(DispatchTest, DoubleClickRunsTheNodesRowWithTheChosenDatabaseAfterTheResultIsEmptied) {
    const QString keys[] = {u"CHECKDB"_s, u"ShrinkLog"_s, u"REPDB"_s};
    int database = 0;
    for (const QString& key : keys) {
        database = (database + 1) % 3;
        window->Combo_DB->setCurrentIndex(database);
        window->setResultText(u"previous\r"_s);
        server.operationCalls.clear();
        doubleClick(key);
        // The action saw the chosen database and an empty result area.
        EXPECT_EQ(server.operationCalls,
                  QStringList{key + u'|' + window->Combo_DB->currentText() + u'|'})
            << key.toStdString();
        EXPECT_FALSE(window->operationRunning());
    }
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(DispatchTest, ARowAddedToTheTableShowsInTheTreeAndRuns) {
    server.operations.push_back(server.recordingRow(u"NEWOP"_s, u"新的操作"_s, 2));
    frmMain w(server.services());
    w.Form_Load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(w.TV_Ope->topLevelItemCount(), 5);
    QTreeWidgetItem* item = w.TV_Ope->topLevelItem(4);
    EXPECT_EQ(item->text(0), u"新的操作"_s);
    EXPECT_EQ(item->data(0, frmMain::kNodeKeyRole).toString(), u"NEWOP"_s);
    EXPECT_EQ(item->data(0, frmMain::kNodeImageRole).toInt(), 2);

    const QPoint at = w.TV_Ope->visualItemRect(item).center();
    QTest::mouseClick(w.TV_Ope->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.TV_Ope->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(server.operationCalls, QStringList{u"NEWOP|a|"_s});
}

TEST_F(DispatchTest, DoubleClickOnTheBlankPartRunsTheSelectedNode) {
    doubleClick(u"REPDB"_s);
    server.operationCalls.clear();
    QWidget* viewport = window->TV_Ope->viewport();
    const QPoint blank(viewport->width() / 2, viewport->height() - 3);
    ASSERT_FALSE(window->TV_Ope->indexAt(blank).isValid());
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, blank);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, blank);
    }
    EXPECT_EQ(server.operationCalls, (QStringList{u"REPDB|a|"_s, u"REPDB|a|"_s}));
    ASSERT_EQ(window->TV_Ope->selectedItems().size(), 1);
    EXPECT_EQ(window->TV_Ope->selectedItems().first(), node(u"REPDB"_s));
}

TEST_F(DispatchTest, KeysWithoutAnActionOrARowAndNoSelectedNodeOnlyEmptyTheResult) {
    QTreeWidgetItem* item = node(u"CHECKDB"_s);
    // NOTHING has a row without an action; the others match no row, compared exactly.
    const QString keys[] = {u"NOTHING"_s, u"checkdb"_s, u"CHECKDB "_s, u"Checkdb"_s, QString()};
    for (const QString& key : keys) {
        item->setData(0, frmMain::kNodeKeyRole, key);
        window->setResultText(u"previous"_s);
        const QPoint at = window->TV_Ope->visualItemRect(item).center();
        QTest::mouseClick(window->TV_Ope->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window->TV_Ope->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(window->resultText(), QString()) << key.toStdString();
    }
    window->TV_Ope->clearSelection();
    window->setResultText(u"previous"_s);
    window->TV_Ope_DblClick();
    EXPECT_EQ(window->resultText(), QString());
    EXPECT_TRUE(server.operationCalls.isEmpty());
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_TRUE(server.calls.isEmpty());
}

TEST_F(DispatchTest, ASecondDoubleClickDuringAnOperationIsIgnored) {
    int nested = 0;
    server.duringOperation = [&](tarnwick::OperationHost& host) {
        host.setResultText(u"running\r"_s);
        if (nested++ == 0) doubleClick(u"REPDB"_s);  // arrives while the first one waits
        EXPECT_EQ(host.resultText(), u"running\r"_s);
    };
    doubleClick(u"CHECKDB"_s);
    EXPECT_EQ(server.operationCalls, QStringList{u"CHECKDB|a|"_s});
    EXPECT_EQ(window->resultText(), u"running\r"_s);
    EXPECT_FALSE(window->operationRunning());

    server.duringOperation = {};
    doubleClick(u"REPDB"_s);  // once it has ended, the next one runs
    EXPECT_EQ(server.operationCalls.last(), u"REPDB|a|"_s);
}

TEST_F(DispatchTest, ReconnectClosesShowsTheLoginAndKeepsListTreeAndCaption) {
    server.version = u"Microsoft SQL Server  7.00"_s;  // the new server's
    server.databases = {u"other"_s};
    window->mnuReConn->trigger();
    EXPECT_EQ(server.calls, (QStringList{u"close"_s, u"login"_s}));
    EXPECT_EQ(window->Combo_DB->count(), 3);
    EXPECT_EQ(window->Combo_DB->currentText(), u"a"_s);
    EXPECT_EQ(window->TV_Ope->topLevelItemCount(), 4);
    EXPECT_EQ(window->windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);
    EXPECT_EQ(window->Label5->text(), u"当前数据库版本：Microsoft SQL Server  2000"_s);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(toolkit.endProgramCount, 0);
}

TEST_F(DispatchTest, ReconnectAfterALoginClosedWithoutLoggingIn) {
    server.loginSucceeds = false;
    window->mnuReConn_Click();
    EXPECT_FALSE(server.connectionOpen);
    EXPECT_EQ(toolkit.endProgramCount, 0);  // the window stays, with the connection closed

    server.loginSucceeds = true;
    window->mnuReConn_Click();  // closing the closed connection fails quietly
    EXPECT_EQ(server.calls, (QStringList{u"close"_s, u"login"_s, u"close failed"_s, u"login"_s}));
    EXPECT_TRUE(server.connectionOpen);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(DispatchTest, ExitDeletesTheResultFileIgnoringFailuresAndEndsTheProgram) {
    for (bool deletes : {true, false}) {
        toolkit.clear();
        toolkit.setDeleteResult(deletes);
        window->mnuExit->trigger();
        EXPECT_EQ(toolkit.deletedFiles, QStringList{u"c:\\Result.txt"_s});
        EXPECT_EQ(toolkit.endProgramCount, 1);
        EXPECT_TRUE(toolkit.messageBoxes.empty());
    }
    EXPECT_TRUE(server.calls.isEmpty());
}

TEST_F(DispatchTest, CloseBoxEndsWithoutDeletingTheResultFile) {
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(toolkit.deletedFiles.isEmpty());
    EXPECT_EQ(toolkit.endProgramCount, 0);
    EXPECT_TRUE(server.calls.isEmpty());
}

TEST_F(DispatchTest, TheOptionsItemChoosesTheSwitchOnTheConnectionAndIsStored) {
    EXPECT_EQ(window->mnuSingleUserOnConnection->parent(), window->mnuOptions);
    EXPECT_TRUE(window->mnuSingleUserOnConnection->isCheckable());
    EXPECT_FALSE(window->mnuSingleUserOnConnection->isChecked());
    std::vector<tarnwick::SingleUserSwitch> seen;
    server.duringOperation = [&seen](tarnwick::OperationHost& host) {
        seen.push_back(host.singleUserSwitch);
    };
    doubleClick(u"REPDB"_s);
    window->mnuSingleUserOnConnection->trigger();
    doubleClick(u"REPDB"_s);
    EXPECT_TRUE(window->mnuSingleUserOnConnection->isChecked());
    EXPECT_EQ(server.calls, QStringList{u"store switch on"_s});
    EXPECT_EQ(seen, (std::vector{tarnwick::SingleUserSwitch::ServerShell,
                                 tarnwick::SingleUserSwitch::OnConnection}));

    // A window made later starts with the stored choice; unchecking stores it again.
    frmMain later(server.services());
    EXPECT_TRUE(later.mnuSingleUserOnConnection->isChecked());
    EXPECT_EQ(later.singleUserSwitch, tarnwick::SingleUserSwitch::OnConnection);
    later.mnuSingleUserOnConnection->trigger();
    EXPECT_EQ(later.singleUserSwitch, tarnwick::SingleUserSwitch::ServerShell);
    EXPECT_FALSE(server.switchOnConnection);
}

TEST_F(DispatchTest, ARefusedRepairNamesTheOptionInTheStatusBarUntilTheNextRun) {
    server.duringOperation = [](tarnwick::OperationHost& host) {
        host.suggestSwitchOnConnection();
    };
    doubleClick(u"REPDB"_s);
    const QString hint = window->statusBar()->currentMessage();
    EXPECT_TRUE(hint.contains(window->mnuOptions->title()) &&
                hint.contains(window->mnuSingleUserOnConnection->text()))
        << hint.toStdString();
    EXPECT_EQ(window->resultText(), QString());
    server.duringOperation = nullptr;
    doubleClick(u"CHECKDB"_s);
    EXPECT_EQ(window->statusBar()->currentMessage(), QString());
}
