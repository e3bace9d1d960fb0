// Start-up end to end: the modal login window answered as a user would, then the version and the
// database list read through unixODBC and FreeTDS from an embedded sqlsim on a loopback port.

#include "connection/ModMain.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/frmMain.h"
#include "tests/support/GuiTestHelpers.h"
#include "tests/support/MainWindowNodes.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

TEST(StartupE2eTest, LoginWindowThenTheUserDatabasesByNameAndTheVersion) {
    ModMain::serverConnection().ServerVersion.clear();
    RecordingToolkit toolkit;
    SqlsimFixture sim(
        uR"({"saPassword": "pw", "databases": [
        {"name": "master", "dbid": 1}, {"name": "model", "dbid": 3},
        {"name": "b", "dbid": 7}, {"name": "a", "dbid": 8}, {"name": "销售", "dbid": 9}]})"_s);
    bool answered = false;
    // The login window is answered from inside its own event loop.
    QTimer::singleShot(0, qApp, [&] {
        auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        ASSERT_NE(login, nullptr);
        EXPECT_EQ(login->txtServer->text(), u"(local)"_s);
        login->txtServer->setText(sim.serverName());
        login->txtPass->setText(sim.password());
        QTest::mouseClick(login->CmdOK, Qt::LeftButton);
        answered = true;
    });
    frmMain w;
    w.Form_Load();

    EXPECT_TRUE(answered);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(toolkit.endProgramCount, 0);
    EXPECT_EQ(comboItems(w.Combo_DB), (QStringList{u"a"_s, u"b"_s, u"销售"_s}));
    EXPECT_EQ(w.Label5->text(), u"当前数据库版本：Microsoft SQL Server  2000"_s);
    EXPECT_EQ(w.TV_Ope->topLevelItemCount(), 14);  // the program's own operations
    EXPECT_EQ(sim.journalTexts(),
              (QStringList{u"select left(@@version,charindex('-',@@version)-1)"_s,
                           u"select Name from sysdatabases where Dbid>6 order by Name"_s}));
}

namespace {

// Answers the next login window from inside its event loop: server, password, then OK.
void answerLogin(const QString& server, const QString& password) {
    QTimer::singleShot(0, qApp, [server, password] {
        auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        ASSERT_NE(login, nullptr);
        login->txtServer->setText(server);
        login->txtPass->setText(password);
        QTest::mouseClick(login->CmdOK, Qt::LeftButton);
    });
}

}  // namespace

// The demo server first, then a reconnect to the 7.0 server: the window lists the 7.0 server's
// databases, its version and its name; a repair there asks first and, answered by its default
// button, sends nothing; with the question turned off in the stored settings it runs at once. The
// password holds ";" and "}". The question's text, Enter on a node and the window's title are
// checked with recorded services in gui_mainwindow_test.
TEST(StartupE2eTest, ReconnectShowsTheNewServerAndARepairAsksFirst) {
    QTemporaryDir settings;
    ASSERT_TRUE(settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    RecordingToolkit toolkit;
    sqlsim::Scenario demoScenario = SqlsimFixture::loadScenario(u"sqlsim/scenarios/demo.json"_s);
    demoScenario.saPassword = u"a;b}c"_s;
    SqlsimFixture demo(demoScenario);
    SqlsimFixture sql70(u"sqlsim/scenarios/sql70.json"_s);

    answerLogin(demo.serverName(), u"a;b}c"_s);
    frmMain w;
    w.Form_Load();
    EXPECT_EQ(w.lblServer->text(), u"服务器："_s + demo.serverName());
    EXPECT_EQ(w.Combo_DB->findText(u"Warehouse"_s) >= 0, true);

    answerLogin(sql70.serverName(), sql70.password());
    w.mnuReConn_Click();
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(comboItems(w.Combo_DB),
              (QStringList{u"Accounting"_s, u"Old Stock"_s, u"销售数据"_s}));
    EXPECT_EQ(w.Label5->text(), u"当前数据库版本：Microsoft SQL Server  7.00"_s);
    EXPECT_EQ(w.lblServer->text(), u"服务器："_s + sql70.serverName());

    // The repair of the database asks; its default answer sends nothing.
    w.Combo_DB->setCurrentIndex(w.Combo_DB->findText(u"Accounting"_s));
    w.TV_Ope->setCurrentItem(nodeOf(w, u"REPDB"_s));
    sql70.clearJournal();
    w.TV_Ope_DblClick();
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbYesNoWarningDefaultNo);
    EXPECT_EQ(sql70.journalTexts(), QStringList());
    EXPECT_TRUE(demo.journalTexts().filter(u"REPAIR"_s).isEmpty());

    // Turned off in the options menu, which stores it; the next window reads it and runs at once.
    w.mnuConfirmDataLoss->trigger();
    EXPECT_EQ(QSettings(u"Tarnwick"_s, u"Tarnwick"_s).value(u"confirm/dataLoss"_s).toBool(), false);
    toolkit.clear();
    w.TV_Ope_DblClick();
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_EQ(sql70.journalTexts().filter(u"REPAIR_ALLOW_DATA_LOSS"_s).size(), 1);
    EXPECT_TRUE(w.resultText().contains(u"Accounting"_s)) << w.resultText().toStdString();
    EXPECT_FALSE(sql70.engine().isSingleUser(u"Accounting"_s));
    frmMain next;
    EXPECT_FALSE(next.mnuConfirmDataLoss->isChecked());
}
