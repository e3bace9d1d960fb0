// Hostile names and results through an operation end to end (FreeTDS to an embedded sqlsim):
// database and table names with a blank, a quote, a bracket, 128 characters or Chinese, DBCC
// messages of 4000 characters, and the server stopping while a long DBCC runs.

#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

tarnwick::OdbcConnection& connection() {
    return ModMain::serverConnection().Connection;
}

sqlsim::ScenarioDatabase userDatabase(const QString& name, int dbid,
                                      std::vector<sqlsim::ScenarioTable> tables = {}) {
    sqlsim::ScenarioDatabase db;
    db.name = name;
    db.dbid = dbid;
    db.files.push_back({1, u"data"_s, u"D:\\Data\\data"_s + QString::number(dbid) + u".mdf"_s, 1});
    db.files.push_back({2, u"log"_s, u"D:\\Data\\log"_s + QString::number(dbid) + u".ldf"_s, 0});
    db.tables = std::move(tables);
    return db;
}

sqlsim::ScenarioTable userTable(const QString& name, qint64 rows) {
    sqlsim::ScenarioTable table;
    table.name = name;
    table.rowCount = rows;
    return table;
}

QString checkDbProc(const QString& database) {
    return u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc checkDB("_s +
           database + u") with TABLERESULTS ')"_s;
}

// Where a check of the database stops: nowhere, or at the statement that the name breaks. A run
// that stops leaves its work objects and the default database behind for the next run to clear.
enum class StopsAt { Nowhere, CreateProc, Exec };

struct OddName {
    const char* name;
    QString database;
    StopsAt stopsAt;
    QString failure;  // the server's description in the failure report
};

void PrintTo(const OddName& c, std::ostream* out) {
    *out << c.name;
}

class OddDatabaseNameTest : public ::testing::TestWithParam<OddName> {};

TEST_P(OddDatabaseNameTest, CheckSendsTheNameUnchangedAndReportsWhatTheServerSays) {
    const OddName& c = GetParam();
    RecordingToolkit toolkit;
    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    scenario.collation = *sqlsim::Collation::byName(u"Chinese_PRC_CI_AS"_s);
    scenario.databases.push_back(userDatabase(c.database, 7, {userTable(u"T"_s, 3)}));
    SqlsimFixture sim(scenario);
    ASSERT_TRUE(sim.connect());
    sim.clearJournal();

    RecordingHost host;
    ModMain::CheckDatabase(host, c.database);

    const QStringList journal = sim.journalTexts();
    ASSERT_GE(journal.size(), 5);
    EXPECT_EQ(journal.first(), u"USE ["_s + QString(c.database).replace(u"]"_s, u"]]"_s) + u']');
    EXPECT_EQ(journal.at(4), checkDbProc(c.database));
    EXPECT_FALSE(host.panelVisible());
    EXPECT_TRUE(toolkit.messageBoxes.empty());
    const bool stopped = c.stopsAt != StopsAt::Nowhere;
    EXPECT_EQ(sim.engine().objectExists(c.database, u"DBCCRESULT"_s), stopped);
    EXPECT_EQ(sim.engine().objectExists(c.database, u"spDBCCTABLE"_s), c.stopsAt == StopsAt::Exec);
    switch (c.stopsAt) {
        case StopsAt::Nowhere:
            EXPECT_EQ(journal.last(), u"USE [master]"_s);
            EXPECT_TRUE(
                host.resultText().startsWith(u"DBCC results for '"_s + c.database + u"'.\r"_s));
            EXPECT_TRUE(host.resultText().endsWith(
                u"CHECKDB found 0 allocation errors and 0 consistency errors in database '"_s +
                c.database + u"'.\r"_s));
            break;
        case StopsAt::CreateProc:
            EXPECT_EQ(journal.size(), 5);
            EXPECT_EQ(host.resultText(), u"错误信息"_s + c.failure + u"\r\n"_s);
            break;
        case StopsAt::Exec:
            EXPECT_EQ(journal.last(), u"exec spDBCCTABLE"_s);
            EXPECT_EQ(host.resultText(), u"错误信息"_s + c.failure + u"\r\n"_s);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, OddDatabaseNameTest,
    ::testing::Values(
        OddName{"Blank", u"My Db"_s, StopsAt::Exec, u"Line 1: Incorrect syntax near 'Db'."_s},
        OddName{"Quote", u"It's"_s, StopsAt::CreateProc,
                u"Unclosed quotation mark before the character string ')'."_s},
        OddName{"ClosingBracket", u"a]b"_s, StopsAt::Exec, u"Line 1: Incorrect syntax near ']'."_s},
        OddName{"Brackets", u"[x]"_s, StopsAt::Exec,
                u"Could not find database 'x'. Check sysdatabases."_s},
        OddName{"OneHundredTwentyEightCharacters", QString(128, u'd'), StopsAt::Nowhere, {}},
        OddName{"Chinese", u"销售数据"_s, StopsAt::Nowhere, {}},
        OddName{"ChineseWithBlank", u"销售 数据"_s, StopsAt::Exec,
                u"Line 1: Incorrect syntax near '数据'."_s}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(HostileTableNamesTest, IndexRebuildRunsOverOddTableNamesUntilAQuoteBreaksTheStatement) {
    RecordingToolkit toolkit;
    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    std::vector<sqlsim::ScenarioTable> tables;
    for (const QString& table : {u"Order Details"_s, u"表一"_s, QString(128, u't'), u"It's"_s})
        tables.push_back(userTable(table, 2));
    scenario.databases.push_back(userDatabase(u"Shop"_s, 7, tables));
    SqlsimFixture sim(scenario);
    ASSERT_TRUE(sim.connect());
    sim.clearJournal();

    RecordingHost host;
    ModMain::RebuildAllIndexes(host, u"Shop"_s);
    EXPECT_FALSE(host.panelVisible());
    EXPECT_EQ(host.resultText(), QString());
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text,
              u"Unclosed quotation mark before the character string ','')with NO_INFOMSGS'."_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbCritical);
    EXPECT_EQ(
        sim.journalTexts(),
        (QStringList{u"USE [Shop]"_s,
                     u"SP_MSFOREACHTABLE @COMMAND1=\"DBCC DBREINDEX('?','')with NO_INFOMSGS\""_s,
                     u"USE [Master]"_s}));
    // The tables before the one whose quote broke the statement were rebuilt.
    for (const QString& table : {u"Order Details"_s, u"表一"_s, QString(128, u't')})
        EXPECT_EQ(sim.engine().indexRebuilds(u"Shop"_s, table), 1) << table.toStdString();
    EXPECT_EQ(sim.engine().indexRebuilds(u"Shop"_s, u"It's"_s), 0);
}

TEST(HostileResultsTest, FourThousandCharacterMessagesAreReadBackWhole) {
    RecordingToolkit toolkit;
    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    scenario.collation = *sqlsim::Collation::byName(u"Chinese_PRC_CI_AS"_s);
    sqlsim::ScenarioDatabase db = userDatabase(u"Big"_s, 7, {userTable(u"T"_s, 1)});
    QString longText;
    for (int i = 0; longText.size() < 4000; ++i) longText += QString::number(i % 10);
    sqlsim::ScenarioFinding finding;
    finding.table = u"T"_s;
    finding.text = longText;
    db.findings.push_back(finding);
    sqlsim::ScenarioFinding chinese = finding;
    chinese.text = QString(2000, u'错');  // 4000 bytes in the server's code page, the column's size
    db.findings.push_back(chinese);
    scenario.databases.push_back(db);
    SqlsimFixture sim(scenario);
    ASSERT_TRUE(sim.connect());

    RecordingHost host;
    ModMain::CheckDatabase(host, u"Big"_s);
    const QStringList messages = host.resultText().split(u'\r');
    EXPECT_TRUE(messages.contains(longText)) << host.resultText().size();
    EXPECT_TRUE(messages.contains(chinese.text));
    EXPECT_FALSE(host.resultText().contains(u"错误信息"_s));
}

TEST(HostileServerStopTest, AServerStoppedDuringALongCheckEndsInAReportAndAReconnectWorks) {
    RecordingToolkit toolkit;
    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    scenario.databases.push_back(userDatabase(u"Sales"_s, 7, {userTable(u"Orders"_s, 5)}));
    {
        SqlsimFixture sim(scenario);
        ASSERT_TRUE(sim.connect());
        sqlsim::Fault slow;
        slow.pattern = QRegularExpression(SqlsimFixture::literal(u"exec spDBCCTABLE"_s));
        slow.action = sqlsim::Fault::Action::Sleep;
        slow.delay = std::chrono::milliseconds(1500);
        sim.server().addFault(slow);
        std::thread stopper([&sim] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sim.server().stop();
        });
        RecordingHost host;
        ModMain::CheckDatabase(host, u"Sales"_s);
        stopper.join();
        EXPECT_EQ(host.resultText(), u"错误信息Unexpected EOF from the server\r\n"_s);
        EXPECT_FALSE(host.panelVisible());
        EXPECT_TRUE(toolkit.messageBoxes.empty());
    }
    // The reconnect command closes the dead connection and logs in again.
    SqlsimFixture restarted(scenario);
    EXPECT_FALSE(connection().isOpen());
    ASSERT_TRUE(restarted.connect());
    RecordingHost host;
    ModMain::CheckDatabase(host, u"Sales"_s);
    EXPECT_FALSE(host.resultText().contains(u"错误信息"_s)) << host.resultText().toStdString();
    EXPECT_FALSE(host.panelVisible());
}

}  // namespace
