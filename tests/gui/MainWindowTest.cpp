// The main window offscreen: start-up with recorded services and a recording operation table,
// layout, the wait panel, the result area and keeping itself maximized.

#include "tests/gui/GuiTestHelpers.h"
#include "tests/gui/MainWindowFakes.h"
#include "mainwindow/OperationTable.h"
#include "tests/support/RecordingToolkit.h"
#include "mainwindow/ResultArea.h"

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

QStringList comboItems(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

QRect px(int l, int t, int w, int h) {
    return {l / 15, t / 15, w / 15, h / 15};
}

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

TEST_F(MainWindowTest, LayoutInTwipsMenusAndTabOrder) {
    frmMain w(server.services());
    struct Control {
        QString name;
        QString text;
        QRect geometry;
    };
    const Control controls[] = {
        {u"Frame1"_s, u"操作区"_s, px(120, 0, 5055, 8175)},
        {u"Label1"_s, u"请选择您要操作的数据库："_s, px(135, 780, 2520, 210)},
        {u"Combo_DB"_s, QString(), px(2520, 720, 2415, 330)},
        {u"Label2"_s, u"警告："_s, px(480, 1080, 735, 255)},
        {u"Label7"_s, u"1、修复操作有可能造成部分数据丢失，使用前请作好数据库备份！"_s,
         px(720, 1320, 3360, 570)},
        {u"Label8"_s, u"2、数据库附加必须在服务器上操作！"_s, px(720, 1800, 3465, 210)},
        {u"Label3"_s, u"操作提示：选择数据库后双击所要进行的操作即可！"_s,
         px(480, 2040, 4140, 180)},
        {u"TV_Ope"_s, QString(), px(120, 2280, 4815, 5775)},
        {u"Frame2"_s, u"结果区"_s, px(5280, 0, 6495, 8175)},
        {u"Label4"_s,
         u"提示：如果修复结果提示有错误，请重复执行该操作，直到提示没有错误！可以执行不同的操作来尝试修复！"_s,
         px(360, 240, 4560, 420)},
        {u"txtResult"_s, QString(), px(120, 720, 6255, 7335)},
        {u"Label6"_s, u"正在附加数据库。。。。。。。。"_s, QRect()},
    };
    for (const Control& c : controls) {
        QWidget* widget = w.findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name.toStdString();
        QString text;
        if (auto* l = qobject_cast<QLabel*>(widget)) text = l->text();
        if (auto* g = qobject_cast<QGroupBox*>(widget)) text = g->title();
        EXPECT_EQ(text, c.text) << c.name.toStdString();
        if (!c.geometry.isNull()) {
            EXPECT_EQ(widget->geometry(), c.geometry) << c.name.toStdString();
        }
    }
    EXPECT_EQ(w.Label5->pos(), QPoint(465 / 15, 360 / 15));
    EXPECT_EQ(w.Label5->parentWidget(), w.Frame1);
    EXPECT_EQ(w.txtResult->parentWidget(), w.Frame2);
    EXPECT_EQ(w.fra_Wait->parentWidget(), w.centralWidget());
    EXPECT_EQ(w.fra_Wait->size(), QSize(5535 / 15, 975 / 15));
    EXPECT_TRUE(w.fra_Wait->isHidden());
    EXPECT_TRUE(w.Label7->wordWrap());
    for (QLabel* red : {w.Label2, w.Label7, w.Label8})
        EXPECT_TRUE(red->styleSheet().contains(u"#FF0000"_s)) << red->objectName().toStdString();
    for (QLabel* blue : {w.Label5, w.Label3, w.Label4})
        EXPECT_TRUE(blue->styleSheet().contains(u"#0000FF"_s)) << blue->objectName().toStdString();
    EXPECT_DOUBLE_EQ(w.Label3->font().pointSizeF(), 9.0);
    EXPECT_DOUBLE_EQ(w.Label4->font().pointSizeF(), 9.0);
    EXPECT_DOUBLE_EQ(w.Label1->font().pointSizeF(), 10.5);
    EXPECT_EQ(w.ImageList1.size(), 2);

    EXPECT_EQ(w.mnuFile->title(), u"文件"_s);
    EXPECT_EQ(w.mnuFile->objectName(), u"mnuFile"_s);
    ASSERT_EQ(w.mnuFile->actions().size(), 2);
    EXPECT_EQ(w.mnuFile->actions()[0], w.mnuReConn);
    EXPECT_EQ(w.mnuReConn->text(), u"重新连接"_s);
    EXPECT_EQ(w.mnuExit->text(), u"退出"_s);

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

TEST_F(MainWindowTest, StaysMaximizedAndKeepsThePanelPlace) {
    toolkit.setScreenSizeTwips({1920 * 15, 1080 * 15});
    frmMain w(server.services());
    w.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // (28800 - 5535) / 2 = 11632.5 and (16200 - 975) / 3 = 5075 twips.
    const QPoint place(11633 / 15, 5075 / 15);
    EXPECT_EQ(w.fra_Wait->pos(), place);

    w.showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(w.windowState(), Qt::WindowMaximized);
    EXPECT_EQ(w.fra_Wait->pos(), place);

    w.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(w.windowState(), Qt::WindowMaximized);
    EXPECT_EQ(w.fra_Wait->pos(), place);
}
