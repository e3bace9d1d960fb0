// The main window offscreen: start-up with recorded services and a recording operation table,
// layout, the wait panel, the result area and keeping itself maximized.

#include "mainwindow/OperationTable.h"
#include "mainwindow/ResultArea.h"
#include "tests/gui/MainWindowFakes.h"
#include "tests/support/GuiTestHelpers.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>

#include <iterator>
#include <utility>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    RecordingToolkit toolkit;
    FakeServer server;
};

void expectEmptyWindow(frmMain& w) {
    EXPECT_EQ(w.Combo_DB->count(), 0);
    EXPECT_EQ(w.Label5->text(), QString());
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-"_s);
    EXPECT_EQ(w.TV_Ope->topLevelItemCount(), 0);
    EXPECT_TRUE(w.mnuReConn->isEnabled());
    EXPECT_TRUE(w.mnuExit->isEnabled());
}

}  // namespace

TEST_F(MainWindowTest, LoadListsTheDatabasesShowsTheVersionAndFillsTheCatalogue) {
    server.databases = {u"a"_s, u"b"_s, u"销售 数据"_s};
    frmMain w(server.services());
    w.Form_Load();
    EXPECT_EQ(server.calls, (QStringList{u"login"_s, u"list"_s}));
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(comboItems(w.Combo_DB), server.databases);
    EXPECT_EQ(w.Combo_DB->currentIndex(), 0);
    EXPECT_EQ(w.Combo_DB->currentText(), u"a"_s);
    EXPECT_EQ(w.Label5->text(), u"当前数据库版本：Microsoft SQL Server  2000"_s);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);

    // The tree shows the rows of the table it was given, in order, each at the top level.
    ASSERT_EQ(w.TV_Ope->topLevelItemCount(), int(server.operations.size()));
    for (int i = 0; i < w.TV_Ope->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = w.TV_Ope->topLevelItem(i);
        const OperationRow& row = server.operations[i];
        EXPECT_EQ(item->data(0, frmMain::kNodeKeyRole).toString(), row.key) << i;
        EXPECT_EQ(item->text(0), row.text) << i;
        EXPECT_EQ(item->data(0, frmMain::kNodeImageRole).toInt(), row.image) << i;
        EXPECT_EQ(item->icon(0).pixmap(16, 16).toImage(), w.ImageList1.at(row.image - 1).toImage())
            << i;
        EXPECT_EQ(item->childCount(), 0);
    }
}

TEST_F(MainWindowTest, NoUserDatabaseGivesTheMessageAndAnEmptyWindow) {
    server.databases.clear();
    frmMain w(server.services());
    w.Form_Load();
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"该服务器上没有用户数据库！"_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbInformation);
    EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
    expectEmptyWindow(w);
    EXPECT_EQ(toolkit.endProgramCount, 0);
}

TEST_F(MainWindowTest, FailingDatabaseListIsReportedAndLeavesAnEmptyUsableWindow) {
    server.listError = u"Invalid object name 'sysdatabases'."_s;
    frmMain w(server.services());
    w.Form_Load();
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text,
              u"无法读取数据库列表：\r\nInvalid object name 'sysdatabases'."_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbCritical);
    EXPECT_EQ(toolkit.messageBoxes[0].shownTitle(), u"Tarnwick"_s);
    expectEmptyWindow(w);
    EXPECT_EQ(toolkit.endProgramCount, 0);
}

TEST_F(MainWindowTest, LoginClosedWithoutLoggingInEndsTheProgramAtStartUp) {
    server.loginSucceeds = false;
    frmMain w(server.services());
    w.Form_Load();
    EXPECT_EQ(toolkit.endProgramCount, 1);
    EXPECT_EQ(server.calls, QStringList{u"login"_s});  // no query on a closed connection
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(MainWindowTest, MenusAndTabOrder) {
    frmMain w(server.services());
    EXPECT_EQ(w.Label5->parentWidget(), w.Frame1);
    EXPECT_EQ(w.txtResult->parentWidget(), w.Frame2);
    EXPECT_EQ(w.fra_Wait->parentWidget(), w.centralWidget());
    EXPECT_TRUE(w.fra_Wait->isHidden());
    ASSERT_EQ(w.mnuFile->actions().size(), 2);
    EXPECT_EQ(w.mnuFile->actions()[0], w.mnuReConn);
    EXPECT_EQ(w.mnuFile->actions()[1], w.mnuExit);
    EXPECT_EQ(tabChain(w.Combo_DB, 4),
              (QStringList{u"Combo_DB"_s, u"txtResult"_s, u"TV_Ope"_s, u"Combo_DB"_s}));
}

TEST_F(MainWindowTest, WaitPanelShowsItsTextIsPaintedAndHides) {
    frmMain w(server.services());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    bool visibleWhilePumping = false;
    QString textWhilePumping;
    toolkit.onProcessEvents = [&] {
        visibleWhilePumping = w.fra_Wait->isVisible();
        textWhilePumping = w.Label6->text();
    };
    w.ShowWaitPanel(u"正在检测................"_s);
    EXPECT_EQ(toolkit.processEventsCount, 1);
    EXPECT_TRUE(visibleWhilePumping);
    EXPECT_EQ(textWhilePumping, u"正在检测................"_s);
    EXPECT_TRUE(w.fra_Wait->isVisible());
    // Raised above the frames, so nothing covers it.
    EXPECT_EQ(w.centralWidget()->children().last(), w.fra_Wait);
    EXPECT_EQ(w.Label6->text(), u"正在检测................"_s);
    w.HideWaitPanel();
    EXPECT_FALSE(w.fra_Wait->isVisible());
    EXPECT_EQ(toolkit.processEventsCount, 1);
}

TEST_F(MainWindowTest, ResultTextKeepsCarriageReturnsExactly) {
    frmMain w(server.services());
    const QString text = u"DBCC results for 'a'.\rCHECKDB found 0 errors.\r错误信息x\r\n"_s;
    w.setResultText(text);
    EXPECT_EQ(w.resultText(), text);
    EXPECT_EQ(w.txtResult->toPlainText(),
              u"DBCC results for 'a'.\nCHECKDB found 0 errors.\n错误信息x\n"_s);
    w.setResultText(w.resultText() + u"more\r\n"_s);
    EXPECT_EQ(w.resultText(), text + u"more\r\n"_s);
    EXPECT_TRUE(w.txtResult->isReadOnly());
}

TEST_F(MainWindowTest, MinimizesAndComesBackMaximizedWithThePanelInPlace) {
    toolkit.setScreenSizeTwips({1920 * 15, 1080 * 15});
    frmMain w(server.services());
    w.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.resize(1920, 1080);  // the offscreen screen is smaller than the one the toolkit reports
    QApplication::processEvents();
    // (28800 - 5535) / 2 = 11632.5 and (16200 - 975) / 3 = 5075 twips.
    const QPoint place(11633 / 15, 5075 / 15);
    EXPECT_EQ(w.fra_Wait->pos(), place);

    w.showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(w.windowState().testFlag(Qt::WindowMinimized));

    w.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(w.windowState(), Qt::WindowMaximized);
    w.resize(1920, 1080);
    QApplication::processEvents();
    EXPECT_EQ(w.fra_Wait->pos(), place);
}

namespace {

// Sizes the window so that its client area (below the menu, above the status bar) is client.
void setClientSize(frmMain& w, QSize client) {
    w.resize(client + (w.size() - w.centralWidget()->size()));
    QApplication::processEvents();
    ASSERT_EQ(w.centralWidget()->size(), client);
}

// The widgets of the client area that stick out of it or out of their frame.
QStringList cutOff(frmMain& w) {
    QStringList names;
    for (QWidget* child : w.centralWidget()->findChildren<QWidget*>()) {
        if (child->isHidden() || child->objectName().isEmpty()) continue;
        const QRect inside = child->parentWidget()->rect();
        if (!inside.contains(child->geometry())) names << child->objectName();
    }
    return names;
}

QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

}  // namespace

// At the designed size every control stands where it was designed; more room goes to the result
// area (width and height) and the tree (height); less room comes from them; nothing is cut off.
TEST_F(MainWindowTest, TheLayoutGivesTheRoomToTheResultAreaAndTheTree) {
    frmMain w(server.services());
    w.Form_Load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize design(11895 / 15, 8295 / 15);  // the frames and a margin right and below
    const struct {
        QSize client;
        int dw;  // what the result area gains in width
        int dh;  // what the tree and the result area gain in height
    } cases[] = {
        {design, 0, 0},
        {{1600, 930}, 1600 - 793, 930 - 553},
        {{1024, 700}, 1024 - 793, 700 - 553},
        {{800, 420}, 7, 420 - 553},  // a scale factor of 2 on 1600 x 1000
        {{780, 545}, -13, -8},       // the frames' own extent
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.client.width());
        setClientSize(w, c.client);
        EXPECT_EQ(cutOff(w), QStringList());
        EXPECT_EQ(w.Frame1->geometry(), twips(120, 0, 5055, 8175).adjusted(0, 0, 0, c.dh));
        EXPECT_EQ(w.TV_Ope->geometry(), twips(120, 2280, 4815, 5775).adjusted(0, 0, 0, c.dh));
        EXPECT_EQ(w.Frame2->geometry(), twips(5280, 0, 6495, 8175).adjusted(0, 0, c.dw, c.dh));
        EXPECT_EQ(w.txtResult->geometry(), twips(120, 720, 6255, 7335).adjusted(0, 0, c.dw, c.dh));
        // Everything else stays as designed.
        EXPECT_EQ(w.Combo_DB->geometry(), twips(2520, 720, 2415, 330));
        EXPECT_EQ(w.Label4->geometry(), twips(360, 240, 4560, 420));
        EXPECT_EQ(w.Label7->geometry(), twips(720, 1320, 3360, 570));
    }
}

// The panel sits where the screen puts it while that is inside the window, else as near as fits.
TEST_F(MainWindowTest, TheWaitPanelStaysInsideASmallerWindow) {
    toolkit.setScreenSizeTwips({1920 * 15, 1080 * 15});
    frmMain w(server.services());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    setClientSize(w, {800, 420});
    w.ShowWaitPanel(u"正在检测................"_s);
    // From the screen: 11633 / 15 = 775 across, 5075 / 15 = 338 down; the panel is 369 wide.
    EXPECT_EQ(w.fra_Wait->pos(), QPoint(800 - 369, 338));
    EXPECT_EQ(cutOff(w), QStringList());
}
