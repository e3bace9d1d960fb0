// Start-up end to end: the modal login window answered as a user would, then the version and the
// database list read through unixODBC and FreeTDS from an embedded sqlsim on a loopback port.

#include "connection/ModMain.h"
#include "connection/login/frmLogin.h"
#include "mainwindow/frmMain.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    ASSERT_EQ(w.Combo_DB->count(), 3);
    EXPECT_EQ(w.Combo_DB->itemText(0), u"a"_s);
    EXPECT_EQ(w.Combo_DB->itemText(1), u"b"_s);
    EXPECT_EQ(w.Combo_DB->itemText(2), u"销售"_s);
    EXPECT_EQ(w.Combo_DB->currentText(), u"a"_s);
    EXPECT_EQ(w.Label5->text(), u"当前数据库版本：Microsoft SQL Server  2000"_s);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);
    EXPECT_EQ(w.TV_Ope->topLevelItemCount(), 14);  // the program's own operations
    EXPECT_EQ(sim.journalTexts(),
              (QStringList{u"select left(@@version,charindex('-',@@version)-1)"_s,
                           u"select Name from sysdatabases where Dbid>6 order by Name"_s}));
}
