// Start-up end to end: the real login window and the real database list through unixODBC and
// FreeTDS to an embedded sqlsim on an ephemeral loopback port.

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

#include <utility>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString kListQuery = u"select Name from sysdatabases where Dbid>6 order by Name"_s;
const QString kVersionQuery = u"select left(@@version,charindex('-',@@version)-1)"_s;

sqlsim::ScenarioDatabase userDatabase(const QString& name, int dbid) {
    sqlsim::ScenarioDatabase db;
    db.name = name;
    db.dbid = dbid;
    db.files = {{1, name, u"C:\\Data\\"_s + name + u".mdf"_s, 1, 128, 64},
                {2, name + u"_log"_s, u"C:\\Data\\"_s + name + u"_log.ldf"_s, 0, 64, 8}};
    sqlsim::ScenarioTable orders;
    orders.name = u"Orders"_s;
    orders.rowCount = 10;
    db.tables = {orders};
    return db;
}

sqlsim::Scenario scenario(const QStringList& userDatabases, const QString& banner = {}) {
    sqlsim::Scenario s = sqlsim::Scenario::standard();
    s.saPassword = u"pw"_s;
    s.versionBanner = banner;
    int dbid = 7;
    for (const QString& name : userDatabases) s.databases.push_back(userDatabase(name, dbid++));
    return s;
}

// Logs in through a real login window, typed as a user would, without showing it modally.
struct TypedLogin {
    TypedLogin(SqlsimFixture& fixture, const QString& typedPassword)
        : sim(fixture), password(typedPassword) {}
    SqlsimFixture& sim;
    QString password;
    int shown = 0;
    QString serverBoxAtShow;
    QString passwordBoxAtShow;

    bool operator()(QWidget* owner) {
        frmLogin w(owner);
        ++shown;
        serverBoxAtShow = w.txtServer->text();
        passwordBoxAtShow = w.txtPass->text();
        w.txtServer->setText(sim.serverName());
        w.txtPass->setText(password);
        w.CmdOK_Click();
        return w.result() == QDialog::Accepted;
    }
};

MainServices servicesWith(TypedLogin& login) {
    MainServices s = MainServices::standard();
    s.login = [&login](QWidget* owner) { return login(owner); };
    return s;
}

class StartupE2eTest : public ::testing::Test {
protected:
    void SetUp() override { ModMain::serverConnection().ServerVersion.clear(); }
    RecordingToolkit toolkit;
};

}  // namespace

TEST_F(StartupE2eTest, ListsUserDatabasesByNameAndFillsTheWindow) {
    SqlsimFixture sim(scenario({u"b"_s, u"a"_s, u"销售"_s}));
    TypedLogin login(sim, sim.password());
    frmMain w(servicesWith(login));
    w.Form_Load();

    EXPECT_TRUE(toolkit.messageBoxes.empty());
    EXPECT_TRUE(ModMain::serverConnection().Connection.isOpen());
    ASSERT_EQ(w.Combo_DB->count(), 3);
    EXPECT_EQ(w.Combo_DB->itemText(0), u"a"_s);
    EXPECT_EQ(w.Combo_DB->itemText(1), u"b"_s);
    EXPECT_EQ(w.Combo_DB->itemText(2), u"销售"_s);
    EXPECT_EQ(w.Combo_DB->currentText(), u"a"_s);
    EXPECT_EQ(w.Label5->text(), u"当前数据库版本：Microsoft SQL Server  2000"_s);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);

    EXPECT_EQ(w.TV_Ope->topLevelItemCount(), 14);  // the program's own operations

    const QStringList journal = sim.journalTexts();
    EXPECT_EQ(journal.count(kVersionQuery), 1);
    EXPECT_EQ(journal.count(kListQuery), 1);
    EXPECT_LT(journal.indexOf(kVersionQuery), journal.indexOf(kListQuery));
    EXPECT_EQ(sim.engine().databaseNames().size(), 9);  // nothing created or dropped
}

TEST_F(StartupE2eTest, StandardStartUpShowsTheLoginWindowModally) {
    SqlsimFixture sim(scenario({u"a"_s}));
    bool answered = false;
    // Answer the modal login window from inside its own event loop, as a user would.
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
    EXPECT_EQ(w.Combo_DB->currentText(), u"a"_s);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);
    EXPECT_EQ(toolkit.endProgramCount, 0);
}
