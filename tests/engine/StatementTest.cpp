// One batch at a time from master: the reply's token shape, message texts and first column.

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

struct BatchCase {
    const char* batch;
    const char* shape;
    QStringList messages;  // every message text, in order
    QStringList values;    // first column of the first result set
};

QString padded128(const QString& s) {
    return s + QString(128 - s.size(), u' ');
}

void check(Engine& engine, const std::vector<BatchCase>& cases) {
    for (const BatchCase& c : cases) {
        const QString batch = QString::fromUtf8(c.batch);
        SCOPED_TRACE(c.batch);
        auto session = loginAs(engine, 70);
        const Reply reply = session->executeBatch(batch);
        EXPECT_EQ(shape(reply), QString::fromUtf8(c.shape));
        EXPECT_EQ(messageTexts(reply), c.messages);
        if (!c.values.isEmpty()) {
            EXPECT_EQ(column(reply, 0), c.values);
        }
    }
}

}  // namespace

TEST(Statements, VersionQueries) {
    auto engine = Engine::create(testScenario());
    const QString banner = engine->versionBanner();
    EXPECT_TRUE(banner.startsWith(QStringLiteral("Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\t")));
    check(*engine, {
                       {"select @@version", "RESULT(1x1) DONE(count 1)", {}, {banner}},
                       {"select left(@@version,charindex('-',@@version)-1)",
                        "RESULT(1x1) DONE(count 1)",
                        {},
                        {QStringLiteral("Microsoft SQL Server  2000 ")}},
                       {"SELECT LEFT(@@VERSION, CHARINDEX('-', @@VERSION) - 1)",
                        "RESULT(1x1) DONE(count 1)",
                        {},
                        {QStringLiteral("Microsoft SQL Server  2000 ")}},
                   });
    auto session = loginAs(*engine, 71);
    const auto sets = results(session->executeBatch(QStringLiteral("select @@version")));
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].columns[0].name, QString());
    EXPECT_EQ(sets[0].columns[0].type, ColumnType::NVarChar);
}

TEST(Statements, VersionOfTheSevenProfile) {
    auto engine = Engine::create(testScenario(Profile::Sql70));
    check(*engine, {{"select left(@@version,charindex('-',@@version)-1)",
                     "RESULT(1x1) DONE(count 1)",
                     {},
                     {QStringLiteral("Microsoft SQL Server  7.00 ")}}});
}

TEST(Statements, BannerWithoutHyphenFailsTheVersionQuery) {
    Scenario s = testScenario();
    s.versionBanner = QStringLiteral("Emulated Server 2000 build 1");
    auto engine = Engine::create(s);
    check(*engine, {
                       {"select @@version", "RESULT(1x1) DONE(count 1)", {}, {s.versionBanner}},
                       {"select left(@@version,charindex('-',@@version)-1)",
                        "ERROR(536) DONE(error)",
                        {QStringLiteral("Invalid length parameter passed to the substring function.")},
                        {}},
                   });
}

TEST(Statements, DatabaseList) {
    auto engine = Engine::create(testScenario());
    const QStringList users = {QStringLiteral("Broken"), QStringLiteral("my db"), QStringLiteral("o'brien"),
                               QStringLiteral("Sales"), QStringLiteral("销售数据")};
    check(*engine,
          {
              {"select Name from sysdatabases where Dbid>6 order by Name", "RESULT(1x5) DONE(count 5)", {}, users},
              {"SELECT NAME FROM MASTER..SYSDATABASES WHERE DBID>6 ORDER BY NAME", "RESULT(1x5) DONE(count 5)", {},
               users},
              {"select name from master.dbo.sysdatabases where dbid <= 6",
               "RESULT(1x6) DONE(count 6)",
               {},
               {QStringLiteral("master"), QStringLiteral("tempdb"), QStringLiteral("model"), QStringLiteral("msdb"),
                QStringLiteral("pubs"), QStringLiteral("Northwind")}},
              {"select name, dbid from sysdatabases where name = 'SALES'", "RESULT(2x1) DONE(count 1)", {},
               {QStringLiteral("Sales")}},
              {"select top 2 name from sysdatabases where name like '%s%' order by name desc",
               "RESULT(1x2) DONE(count 2)",
               {},
               {QStringLiteral("Sales"), QStringLiteral("pubs")}},
              {"select count(*) from sysdatabases", "RESULT(1x1) DONE(count 1)", {}, {QStringLiteral("11")}},
          });
    auto session = loginAs(*engine, 72);
    const auto sets = results(session->executeBatch(QStringLiteral("select Name from sysdatabases where Dbid>6")));
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].columns[0].name, QStringLiteral("Name"));
    EXPECT_EQ(sets[0].columns[0].type, ColumnType::NVarChar);
    EXPECT_EQ(sets[0].columns[0].length, 128);
}

TEST(Statements, SysdatabasesExistsOnlyInMaster) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 73, QString(), QStringLiteral("pubs"));
    const Reply reply = session->executeBatch(QStringLiteral("select Name from sysdatabases where Dbid>6 order by Name"));
    EXPECT_EQ(shape(reply), QStringLiteral("ERROR(208) DONE(error)"));
    EXPECT_EQ(messageTexts(reply), QStringList{QStringLiteral("Invalid object name 'sysdatabases'.")});
}

TEST(Statements, FileNamesComePaddedTo128) {
    auto engine = Engine::create(testScenario());
    check(*engine,
          {
              {"Select Name From Sales.dbo.sysfiles Where GroupID=0", "RESULT(1x1) DONE(count 1)", {},
               {padded128(QStringLiteral("Sales_Log"))}},
              {"Select Name From Sales.dbo.sysfiles Where GroupID=1", "RESULT(1x1) DONE(count 1)", {},
               {padded128(QStringLiteral("Sales_Data"))}},
              {"Select Name From 销售数据.dbo.sysfiles Where GroupID=0", "RESULT(1x1) DONE(count 1)", {},
               {padded128(QStringLiteral("销售数据_Log"))}},
              {"Select Name From pubs.dbo.sysfiles Where GroupID=2", "RESULT(1x0) DONE(count 0)", {}, {}},
              {"Select Name From my db.dbo.sysfiles Where GroupID=0",
               "ERROR(170) DONE(error)",
               {QStringLiteral("Line 1: Incorrect syntax near '.'.")},
               {}},
              {"Select Name From o'brien.dbo.sysfiles Where GroupID=0",
               "ERROR(105) ERROR(170) DONE(error)",
               {QStringLiteral("Unclosed quotation mark before the character string 'brien.dbo.sysfiles Where GroupID=0'."),
                QStringLiteral("Line 1: Incorrect syntax near 'brien.dbo.sysfiles Where GroupID=0'.")},
               {}},
              {"Select Name From Nowhere.dbo.sysfiles Where GroupID=0",
               "ERROR(911) DONE(error)",
               {QStringLiteral("Could not locate entry in sysdatabases for database 'Nowhere'. No entry found with that "
                               "name. Make sure that the name is entered correctly.")},
               {}},
          });
    auto session = loginAs(*engine, 74);
    const auto sets =
        results(session->executeBatch(QStringLiteral("Select Name From Sales.dbo.sysfiles Where GroupID=0")));
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].columns[0].type, ColumnType::NChar);
    EXPECT_EQ(sets[0].columns[0].length, 128);
}

TEST(Statements, UseAndItsFailures) {
    auto engine = Engine::create(testScenario());
    check(*engine,
          {
              {"USE pubs", "ENVDB INFO(5701) DONE", {QStringLiteral("Changed database context to 'pubs'.")}, {}},
              {"use PUBS", "ENVDB INFO(5701) DONE", {QStringLiteral("Changed database context to 'pubs'.")}, {}},
              {"USE [my db]", "ENVDB INFO(5701) DONE", {QStringLiteral("Changed database context to 'my db'.")}, {}},
              {"USE [o'brien]", "ENVDB INFO(5701) DONE", {QStringLiteral("Changed database context to 'o'brien'.")},
               {}},
              {"USE 销售数据", "ENVDB INFO(5701) DONE", {QStringLiteral("Changed database context to '销售数据'.")}, {}},
              {"USE [a]]b]",
               "ERROR(911) DONE(error)",
               {QStringLiteral("Could not locate entry in sysdatabases for database 'a]b'. No entry found with that name. "
                               "Make sure that the name is entered correctly.")},
               {}},
              {"USE my db", "ERROR(170) DONE(error)", {QStringLiteral("Line 1: Incorrect syntax near 'db'.")}, {}},
          });
    auto session = loginAs(*engine, 75);
    const Reply reply = session->executeBatch(QStringLiteral("USE [my db]"));
    const auto& change = std::get<DatabaseChange>(reply.tokens[0]);
    EXPECT_EQ(change.newDatabase, QStringLiteral("my db"));
    EXPECT_EQ(change.oldDatabase, QStringLiteral("master"));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("my db"));
    session->executeBatch(QStringLiteral("USE nowhere"));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("my db"));
}

TEST(Statements, SetOptionsAreAcceptedSilently) {
    auto engine = Engine::create(testScenario());
    check(*engine, {
                       {"SET TEXTSIZE 2147483647", "DONE", {}, {}},
                       {"set quoted_identifier on", "DONE", {}, {}},
                       {"SET ANSI_NULLS, ANSI_WARNINGS ON", "DONE", {}, {}},
                       {"SET TRANSACTION ISOLATION LEVEL READ COMMITTED", "DONE", {}, {}},
                       {"SET LOCK_TIMEOUT -1", "DONE", {}, {}},
                       {"SET", "ERROR(156) DONE(error)", {QStringLiteral("Incorrect syntax near the keyword 'SET'.")}, {}},
                       {"SET FMTONLY ON select name from sysdatabases SET FMTONLY OFF",
                        "DONE RESULT(1x0) DONE(count 0) DONE",
                        {},
                        {}},
                   });
}

TEST(Statements, ErrorsOfOrdinaryStatements) {
    auto engine = Engine::create(testScenario());
    check(*engine,
          {
              {"select MessageText from DBCCRESULT ",
               "ERROR(208) DONE(error)",
               {QStringLiteral("Invalid object name 'DBCCRESULT'.")},
               {}},
              {"DROP TABLE DBCCRESULT",
               "ERROR(3701) DONE(error)",
               {QStringLiteral("Cannot drop the table 'DBCCRESULT', because it does not exist in the system catalog.")},
               {}},
              {" Drop Proc spDBCCTABLE",
               "ERROR(3701) DONE(error)",
               {QStringLiteral(
                   "Cannot drop the procedure 'spDBCCTABLE', because it does not exist in the system catalog.")},
               {}},
              {"DROP TABLE pubs..DBCCRESULT",
               "ERROR(3701) DONE(error)",
               {QStringLiteral("Cannot drop the table 'DBCCRESULT', because it does not exist in the system catalog.")},
               {}},
              {"exec nothing", "ERROR(2812) DONE(error)",
               {QStringLiteral("Could not find stored procedure 'nothing'.")}, {}},
              {"selec 1", "ERROR(2812) DONE(error)", {QStringLiteral("Could not find stored procedure 'selec'.")}, {}},
              {"select * from",
               "ERROR(156) DONE(error)",
               {QStringLiteral("Incorrect syntax near the keyword 'from'.")},
               {}},
              {"select Name frm sysdatabases",
               "ERROR(170) DONE(error)",
               {QStringLiteral("Line 1: Incorrect syntax near 'sysdatabases'.")},
               {}},
              {"select name from sysdatabases\nwhere name = 'master' )",
               "ERROR(170) DONE(error)",
               {QStringLiteral("Line 2: Incorrect syntax near ')'.")},
               {}},
              {"select nosuch from sysdatabases",
               "ERROR(207) DONE(error)",
               {QStringLiteral("Invalid column name 'nosuch'.")},
               {}},
              {"Backup log pubs with no_log", "DONE", {}, {}},
              {"Backup log nowhere with no_log",
               "ERROR(911) ERROR(3013) DONE(error)",
               {QStringLiteral("Could not locate entry in sysdatabases for database 'nowhere'. No entry found with that "
                               "name. Make sure that the name is entered correctly."),
                QStringLiteral("BACKUP LOG is terminating abnormally.")},
               {}},
              {"Backup log my db with no_log",
               "ERROR(170) DONE(error)",
               {QStringLiteral("Line 1: Incorrect syntax near 'db'.")},
               {}},
              {"print 'it''s here'", "INFO(0) DONE", {QStringLiteral("it's here")}, {}},
              {"sp_datatype_info 11", "RETURN(0) DONEPROC", {}, {}},
              {"", "DONE", {}, {}},
          });
}

TEST(Statements, SyntaxErrorRunsNothingOfTheBatch) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 76);
    const Reply reply =
        session->executeBatch(QStringLiteral("use pubs create table T1(a int) select * from where"));
    EXPECT_EQ(shape(reply), QStringLiteral("ERROR(156) DONE(error)"));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("master"));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("pubs"), QStringLiteral("T1")));
}

TEST(Statements, StatementsOfABatchRunInOrder) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 77);
    const Reply reply = session->executeBatch(
        QStringLiteral("USE pubs\ncreate table T1(a int, b varchar(10))\ninsert into T1 values (1, 'x')\n"
                       "select b from T1"));
    EXPECT_EQ(shape(reply), QStringLiteral("ENVDB INFO(5701) DONE DONE DONE(count 1) RESULT(1x1) DONE(count 1)"));
    EXPECT_EQ(column(reply, 0), QStringList{QStringLiteral("x")});
    EXPECT_EQ(engine->tableRows(QStringLiteral("pubs"), QStringLiteral("T1")),
              (std::vector<QStringList>{{QStringLiteral("1"), QStringLiteral("x")}}));

    // varchar keeps code page 1252 text; nvarchar keeps everything.
    session->executeBatch(QStringLiteral("create table T2(v varchar(20), n nvarchar(20))"));
    session->executeBatch(QStringLiteral("insert into T2 values ('€ café 数据', N'€ café 数据')"));
    EXPECT_EQ(engine->tableRows(QStringLiteral("pubs"), QStringLiteral("T2")),
              (std::vector<QStringList>{{QStringLiteral("€ café ??"), QStringLiteral("€ café 数据")}}));
}

TEST(Statements, GeneratedColumnAnswersWithRowsOfTheGivenWidth) {
    Scenario s = testScenario();
    ScenarioTable big;
    big.name = QStringLiteral("Big");
    big.rowCount = 1000;
    big.generate.column = QStringLiteral("payload");
    big.generate.width = 100;
    s.databases[6].tables.push_back(big);  // Sales
    auto engine = Engine::create(s);
    auto session = loginAs(*engine, 78, QString(), QStringLiteral("Sales"));
    const Reply reply = session->executeBatch(QStringLiteral("select payload from Big"));
    const auto sets = results(reply);
    ASSERT_EQ(sets.size(), 1u);
    ASSERT_EQ(sets[0].rows.size(), 1000);
    EXPECT_EQ(sets[0].columns[0].name, QStringLiteral("payload"));
    for (const auto& row : sets[0].rows)
        ASSERT_EQ(row[0].toString().size(), 100);
    EXPECT_EQ(shape(reply), QStringLiteral("RESULT(1x1000) DONE(count 1000)"));
}
