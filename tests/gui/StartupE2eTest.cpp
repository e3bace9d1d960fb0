// Start-up, reconnect and one operation end to end: the real login window and the real database
// list through unixODBC and FreeTDS to an embedded sqlsim on an ephemeral loopback port.

#include "GuiTestHelpers.h"
#include "ModMain.h"
#include "RecordingToolkit.h"
#include "SqlsimFixture.h"
#include "frmLogin.h"
#include "frmMain.h"

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

    const QStringList keys{
        u"ATTACH"_s,         u"ShrinkLog"_s,    u"ShrinkMDF"_s,   u"CHECKDB"_s,
        u"CHECKALLOC"_s,     u"CHECKCATALOG"_s, u"UPDATEUSAGE"_s, u"CHECKDBWITHPHYSICAL_ONLY"_s,
        u"REPINDEX"_s,       u"REPOBJ"_s,       u"REPCOL"_s,      u"REPDB"_s,
        u"CHECKEACHTABLE"_s, u"DBREINDEX"_s};
    ASSERT_EQ(w.TV_Ope->topLevelItemCount(), 14);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(w.TV_Ope->topLevelItem(i)->data(0, frmMain::kNodeKeyRole).toString(), keys[i]);
        EXPECT_EQ(w.TV_Ope->topLevelItem(i)->data(0, frmMain::kNodeImageRole).toInt(), 1 + i % 2);
    }

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

TEST_F(StartupE2eTest, ServerWithoutUserDatabasesGivesTheMessageAndAnEmptyTree) {
    SqlsimFixture sim(scenario({}));
    TypedLogin login(sim, sim.password());
    frmMain w(servicesWith(login));
    w.Form_Load();

    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"该服务器上没有用户数据库！"_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbInformation);
    EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
    EXPECT_EQ(w.Combo_DB->count(), 0);
    EXPECT_EQ(w.Label5->text(), QString());
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-"_s);
    EXPECT_EQ(w.TV_Ope->topLevelItemCount(), 0);
    EXPECT_EQ(sim.journalTexts().count(kListQuery), 1);
}

TEST_F(StartupE2eTest, WrongPasswordKeepsTheLoginWindowWithItsEntries) {
    SqlsimFixture sim(scenario({u"a"_s}));
    frmLogin w;
    w.txtServer->setText(sim.serverName());
    w.txtPass->setText(u"wrong"_s);
    w.CmdOK_Click();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbOKOnly);
    EXPECT_EQ(toolkit.messageBoxes[0].shownTitle(), u"Tarnwick"_s);
    EXPECT_FALSE(ModMain::serverConnection().Connection.isOpen());
    EXPECT_EQ(ModMain::serverConnection().ServerVersion, QString());
    EXPECT_EQ(w.txtServer->text(), sim.serverName());
    EXPECT_EQ(w.txtPass->text(), u"wrong"_s);
}

TEST_F(StartupE2eTest, BannerWithoutAHyphenLeavesNoHalfOpenConnection) {
    SqlsimFixture sim(scenario({u"a"_s}, u"Odd Server 2000 build 8"_s));
    frmLogin w;
    w.txtServer->setText(sim.serverName());
    w.txtPass->setText(sim.password());
    w.CmdOK_Click();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_TRUE(toolkit.messageBoxes[0].text.startsWith(u"无法读取服务器版本：\r\n"_s));
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbCritical);
    EXPECT_FALSE(ModMain::serverConnection().Connection.isOpen());
    EXPECT_EQ(ModMain::serverConnection().ServerVersion, QString());
    EXPECT_EQ(sim.journalTexts().count(kVersionQuery), 1);
}

TEST_F(StartupE2eTest, ReconnectOpensAFreshLoginAndKeepsTheWindow) {
    SqlsimFixture sim(scenario({u"a"_s, u"b"_s}));
    TypedLogin login(sim, sim.password());
    frmMain w(servicesWith(login));
    w.Form_Load();
    ASSERT_TRUE(ModMain::serverConnection().Connection.isOpen());
    ModMain::serverConnection().ServerVersion = u"stale"_s;

    w.mnuReConn_Click();
    EXPECT_EQ(login.shown, 2);
    EXPECT_EQ(login.serverBoxAtShow, u"(local)"_s);  // a fresh window
    EXPECT_EQ(login.passwordBoxAtShow, QString());
    EXPECT_TRUE(ModMain::serverConnection().Connection.isOpen());
    EXPECT_EQ(ModMain::serverConnection().ServerVersion, u"Microsoft SQL Server  2000"_s);
    EXPECT_EQ(sim.journalTextsOf(2).count(kVersionQuery), 1);  // asked on the new connection
    EXPECT_EQ(sim.journalTexts().count(kListQuery), 1);        // the list is not read again
    EXPECT_EQ(w.Combo_DB->count(), 2);
    EXPECT_EQ(w.windowTitle(), u"Tarnwick-Microsoft SQL Server  2000"_s);
    EXPECT_TRUE(toolkit.messageBoxes.empty());

    // A login that fails leaves the connection closed; the next reconnect still works.
    login.password = u"wrong"_s;
    w.mnuReConn_Click();
    EXPECT_FALSE(ModMain::serverConnection().Connection.isOpen());
    login.password = sim.password();
    w.mnuReConn_Click();
    EXPECT_TRUE(ModMain::serverConnection().Connection.isOpen());
    EXPECT_EQ(toolkit.messageBoxes.size(), 1u);  // only the failed login's own report
}

TEST_F(StartupE2eTest, DoubleClickRunsTheCheckOnTheChosenDatabase) {
    SqlsimFixture sim(scenario({u"a"_s, u"b"_s}));
    TypedLogin login(sim, sim.password());
    frmMain w(servicesWith(login));
    w.Form_Load();
    w.Combo_DB->setCurrentIndex(1);
    w.setResultText(u"previous"_s);
    sim.clearJournal();

    QTreeWidgetItem* item = w.TV_Ope->topLevelItem(3);
    ASSERT_EQ(item->data(0, frmMain::kNodeKeyRole).toString(), u"CHECKDB"_s);
    w.TV_Ope->setCurrentItem(item);
    w.TV_Ope_DblClick();

    EXPECT_TRUE(w.resultText().contains(
        u"CHECKDB found 0 allocation errors and 0 consistency errors in database 'b'.\r"_s))
        << w.resultText().toStdString();
    EXPECT_FALSE(w.resultText().contains(u"previous"_s));
    EXPECT_FALSE(w.fra_Wait->isVisible());
    EXPECT_EQ(w.Label6->text(), u"正在检测................"_s);
    EXPECT_FALSE(sim.engine().objectExists(u"b"_s, u"DBCCRESULT"_s));
    EXPECT_FALSE(sim.engine().objectExists(u"b"_s, u"spDBCCTABLE"_s));
    bool checkedB = false;
    for (const sqlsim::JournalEntry& e : sim.journal())
        if (e.text.contains(u"dbcc checkdb(b)"_s, Qt::CaseInsensitive) && e.db == u"b"_s)
            checkedB = true;
    EXPECT_TRUE(checkedB);
}
