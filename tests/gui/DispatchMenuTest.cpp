// Double-clicking an operation node and the file menu, with a recording operation table and
// recorded services.

#include "tests/gui/MainWindowFakes.h"
#include "tests/support/MainWindowNodes.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
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
        // The repair node runs at once unless a test asks for the question.
        window->mnuConfirmDataLoss->setChecked(false);
        server.calls.clear();
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
        doubleClickNode(*window, key);
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
    ASSERT_EQ(w.TV_Ope->topLevelItemCount(), 6);
    QTreeWidgetItem* item = w.TV_Ope->topLevelItem(5);
    EXPECT_EQ(item->text(0), u"新的操作"_s);
    EXPECT_EQ(item->data(0, frmMain::kNodeKeyRole).toString(), u"NEWOP"_s);
    EXPECT_EQ(item->data(0, frmMain::kNodeImageRole).toInt(), 2);

    const QPoint at = w.TV_Ope->visualItemRect(item).center();
    QTest::mouseClick(w.TV_Ope->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.TV_Ope->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(server.operationCalls, QStringList{u"NEWOP|a|"_s});
}

TEST_F(DispatchTest, DoubleClickOnTheBlankPartRunsTheSelectedNode) {
    doubleClickNode(*window, u"REPDB"_s);
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
    EXPECT_EQ(window->TV_Ope->selectedItems().first(), nodeOf(*window, u"REPDB"_s));
}

TEST_F(DispatchTest, KeysWithoutAnActionOrARowAndNoSelectedNodeOnlyEmptyTheResult) {
    QTreeWidgetItem* item = nodeOf(*window, u"CHECKDB"_s);
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
        if (nested++ == 0)
            doubleClickNode(*window, u"REPDB"_s);  // arrives while the first one waits
        EXPECT_EQ(host.resultText(), u"running\r"_s);
    };
    doubleClickNode(*window, u"CHECKDB"_s);
    EXPECT_EQ(server.operationCalls, QStringList{u"CHECKDB|a|"_s});
    EXPECT_EQ(window->resultText(), u"running\r"_s);
    EXPECT_FALSE(window->operationRunning());

    server.duringOperation = {};
    doubleClickNode(*window, u"REPDB"_s);  // once it has ended, the next one runs
    EXPECT_EQ(server.operationCalls.last(), u"REPDB|a|"_s);
}

TEST_F(DispatchTest, ReconnectShowsTheNewServersDatabasesVersionAndName) {
    EXPECT_EQ(window->lblServer->text(), u"服务器：(local)"_s);
    server.version = u"Microsoft SQL Server  7.00"_s;
    server.databases = {u"other"_s};
    server.name = u"(local),25001"_s;
    window->mnuReConn->trigger();
    EXPECT_EQ(server.calls, (QStringList{u"close"_s, u"login"_s, u"list"_s}));
    EXPECT_EQ(window->Combo_DB->count(), 1);
    EXPECT_EQ(window->Combo_DB->currentText(), u"other"_s);
    EXPECT_EQ(window->TV_Ope->topLevelItemCount(), 5);
    EXPECT_EQ(window->windowTitle(), u"Tarnwick-Microsoft SQL Server  7.00"_s);
    EXPECT_EQ(window->Label5->text(), u"当前数据库版本：Microsoft SQL Server  7.00"_s);
    EXPECT_EQ(window->lblServer->text(), u"服务器：(local),25001"_s);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(toolkit.endProgramCount, 0);

    doubleClickNode(*window, u"CHECKDB"_s);
    EXPECT_EQ(server.operationCalls, QStringList{u"CHECKDB|other|"_s});
}

// After a login window closed without logging in, the window shows no server, and every node says
// so instead of running, until a reconnect logs in again.
TEST_F(DispatchTest, ReconnectWithoutLoggingInShowsNoServerAndOperationsSaySo) {
    server.loginSucceeds = false;
    window->mnuReConn_Click();
    EXPECT_FALSE(server.connectionOpen);
    EXPECT_EQ(toolkit.endProgramCount, 0);  // the window stays, with the connection closed
    EXPECT_EQ(window->lblServer->text(), u"未连接服务器"_s);
    EXPECT_EQ(window->Combo_DB->count(), 0);
    EXPECT_EQ(window->Label5->text(), QString());
    EXPECT_EQ(window->windowTitle(), u"Tarnwick-"_s);

    for (const QString& key : {u"CHECKDB"_s, u"REPDB"_s}) {
        toolkit.clear();
        window->setResultText(u"previous"_s);
        doubleClickNode(*window, key);
        EXPECT_EQ(window->resultText(), QString());
        ASSERT_EQ(toolkit.messageBoxes.size(), 1u) << key.toStdString();
        EXPECT_EQ(toolkit.messageBoxes[0].text,
                  u"没有连接服务器，请先用“文件”菜单的“重新连接”登录服务器。"_s);
        EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbInformation);
        EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
    }
    EXPECT_TRUE(server.operationCalls.isEmpty());

    server.loginSucceeds = true;
    window->mnuReConn_Click();  // closing the closed connection fails quietly
    EXPECT_EQ(server.calls,
              (QStringList{u"close"_s, u"login"_s, u"close failed"_s, u"login"_s, u"list"_s}));
    EXPECT_TRUE(server.connectionOpen);
    EXPECT_EQ(window->lblServer->text(), u"服务器：(local)"_s);
    EXPECT_EQ(window->Combo_DB->count(), 3);
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

// Each row of the table says whether its operation may lose data; those ask first, naming the
// operation, the database and the server, unless the options menu turned the question off.
TEST_F(DispatchTest, OperationsThatMayLoseDataAskFirstUnlessTurnedOff) {
    const QString repairQuestion =
        u"“修复数据库”将以允许数据丢失的方式（REPAIR_ALLOW_DATA_LOSS）修复服务器“(local)"
        u"”上的数据库“销售 数据”，"
        u"无法修复的数据会被删除。\r\n请先作好数据库备份。是否继续？"_s;
    const QString shrinkQuestion =
        u"“压缩数据文件”将先截断服务器“(local)”上的数据库“销售 数据”的事务日志，不作备份；"
        u"此后无法再用日志备份恢复到此刻之前的数据。\r\n请先作好数据库备份。是否继续？"_s;
    const struct {
        QString key;
        bool confirm;
        int answer;  // 0: none preset, the default button answers
        QString question;
        bool runs;
    } cases[] = {
        {u"REPDB"_s, true, 0, repairQuestion, false},
        {u"REPDB"_s, true, tarnwick::vbNo, repairQuestion, false},
        {u"REPDB"_s, true, tarnwick::vbYes, repairQuestion, true},
        {u"ShrinkMDF"_s, true, 0, shrinkQuestion, false},
        {u"ShrinkMDF"_s, true, tarnwick::vbYes, shrinkQuestion, true},
        {u"REPDB"_s, false, 0, QString(), true},
        {u"ShrinkMDF"_s, false, 0, QString(), true},
        {u"CHECKDB"_s, true, 0, QString(), true},
        {u"ShrinkLog"_s, true, 0, QString(), true},
    };
    window->Combo_DB->setCurrentIndex(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString() + (c.confirm ? " asks" : " does not ask"));
        toolkit.clear();
        server.operationCalls.clear();
        window->mnuConfirmDataLoss->setChecked(c.confirm);
        if (c.answer) toolkit.setNextAnswer(c.answer);
        window->setResultText(u"previous"_s);
        doubleClickNode(*window, c.key);
        if (c.question.isEmpty()) {
            EXPECT_TRUE(toolkit.messageBoxes.empty());
        } else {
            ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
            EXPECT_EQ(toolkit.messageBoxes[0].text, c.question);
            EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbYesNoWarningDefaultNo);
            EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
        }
        EXPECT_EQ(server.operationCalls,
                  c.runs ? QStringList{c.key + u"|销售 数据|"_s} : QStringList());
        EXPECT_EQ(window->resultText(), QString());
    }
}

TEST_F(DispatchTest, TheOptionsMenuKeepsTheDataLossQuestionSetting) {
    EXPECT_EQ(window->mnuOptions->title(), u"选项"_s);
    EXPECT_EQ(window->mnuOptions->objectName(), u"mnuOptions"_s);
    ASSERT_TRUE(window->mnuOptions->actions().contains(window->mnuConfirmDataLoss));
    EXPECT_TRUE(window->mnuConfirmDataLoss->isCheckable());
    window->mnuConfirmDataLoss->trigger();
    window->mnuConfirmDataLoss->trigger();
    EXPECT_EQ(server.calls, (QStringList{u"confirm/dataLoss=true"_s, u"confirm/dataLoss=false"_s}));

    // A new window shows the stored setting, and reading it writes nothing.
    for (bool stored : {true, false}) {
        server.confirmDataLoss = stored;
        frmMain w(server.services());
        EXPECT_EQ(w.mnuConfirmDataLoss->isChecked(), stored);
    }
    EXPECT_EQ(server.calls.size(), 2);
}

// Enter and keypad Enter on the tree run the selected node as a double-click does, the attach
// node included; the cursor shows the run, but not over the attach window, which has its own.
TEST_F(DispatchTest, EnterRunsTheSelectedNodeWithTheBusyCursorDuringTheRun) {
    server.operations.push_back(server.recordingRow(u"ATTACH"_s, u"附加数据库"_s, 1));
    frmMain w(server.services());
    w.Form_Load();
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QStringList cursors;
    server.duringOperation = [&](tarnwick::OperationHost&) {
        const QCursor* cursor = QApplication::overrideCursor();
        cursors << (cursor ? QString::number(cursor->shape()) : u"none"_s);
    };
    w.TV_Ope->setFocus();
    const struct {
        int row;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString call;
        QString cursor;
    } cases[] = {
        {0, Qt::Key_Return, Qt::NoModifier, u"CHECKDB|a|"_s, QString::number(Qt::WaitCursor)},
        {1, Qt::Key_Enter, Qt::KeypadModifier, u"ShrinkLog|a|"_s, QString::number(Qt::WaitCursor)},
        {5, Qt::Key_Enter, Qt::KeypadModifier, u"ATTACH|a|"_s, u"none"_s},
    };
    for (const auto& c : cases) {
        server.operationCalls.clear();
        cursors.clear();
        w.TV_Ope->setCurrentItem(w.TV_Ope->topLevelItem(c.row));
        w.setResultText(u"previous"_s);
        QTest::keyClick(w.TV_Ope, c.key, c.modifiers);
        EXPECT_EQ(server.operationCalls, QStringList{c.call});
        EXPECT_EQ(cursors, QStringList{c.cursor}) << c.call.toStdString();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(DispatchTest, F10AndAltAloneOpenTheFileMenu) {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->TV_Ope->setFocus();
    QTest::keyClick(window->TV_Ope, Qt::Key_F10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->mnuFile->isVisible(); }));
    window->mnuFile->hide();
    QTest::qWait(10);

    QTest::keyPress(window->TV_Ope, Qt::Key_Alt);
    QTest::keyRelease(window->TV_Ope, Qt::Key_Alt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->mnuFile->isVisible(); }));
    window->mnuFile->hide();
    QTest::qWait(10);

    // Alt with another key is a shortcut, not the menu.
    QTest::keyPress(window->TV_Ope, Qt::Key_Alt);
    QTest::keyClick(window->TV_Ope, Qt::Key_X, Qt::AltModifier);
    QTest::keyRelease(window->TV_Ope, Qt::Key_Alt);
    QTest::qWait(20);
    EXPECT_FALSE(window->mnuFile->isVisible());
    EXPECT_TRUE(server.operationCalls.isEmpty());
}

TEST_F(DispatchTest, TheOptionsItemChoosesTheSwitchOnTheConnectionAndIsStored) {
    EXPECT_EQ(window->mnuSingleUserOnConnection->parent(), window->mnuOptions);
    EXPECT_TRUE(window->mnuSingleUserOnConnection->isCheckable());
    EXPECT_FALSE(window->mnuSingleUserOnConnection->isChecked());
    std::vector<tarnwick::SingleUserSwitch> seen;
    server.duringOperation = [&seen](tarnwick::OperationHost& host) {
        seen.push_back(host.singleUserSwitch);
    };
    doubleClickNode(*window, u"REPDB"_s);
    window->mnuSingleUserOnConnection->trigger();
    doubleClickNode(*window, u"REPDB"_s);
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
    doubleClickNode(*window, u"REPDB"_s);
    const QString hint = window->statusBar()->currentMessage();
    EXPECT_TRUE(hint.contains(window->mnuOptions->title()) &&
                hint.contains(window->mnuSingleUserOnConnection->text()))
        << hint.toStdString();
    EXPECT_EQ(window->resultText(), QString());
    server.duringOperation = nullptr;
    doubleClickNode(*window, u"CHECKDB"_s);
    EXPECT_EQ(window->statusBar()->currentMessage(), QString());
}
