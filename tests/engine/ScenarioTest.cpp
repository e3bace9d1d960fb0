// Scenario files: the shipped ones and every field of the format.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

QString shipped(const char* name) {
    return QStringLiteral(TARNWICK_SOURCE_DIR "/sqlsim/scenarios/") + QString::fromLatin1(name);
}

QString testData(const char* name) {
    return QStringLiteral(TARNWICK_TEST_DATA "/") + QString::fromLatin1(name);
}

QStringList userDatabases(Engine& engine) {
    auto session = loginAs(engine, 120);
    return column(session->executeBatch(QStringLiteral("select Name from sysdatabases where Dbid>6 order by Name")), 0);
}

}  // namespace

TEST(Scenarios, DemoServer) {
    auto engine = Engine::fromFile(shipped("demo.json"));
    EXPECT_EQ(engine->profile(), Profile::Sql2000);
    EXPECT_EQ(engine->collation().name, QStringLiteral("Chinese_PRC_CI_AS")) << "the demo server is a Chinese one";
    EXPECT_EQ(engine->databaseNames().mid(0, 6),
              (QStringList{QStringLiteral("master"), QStringLiteral("tempdb"), QStringLiteral("model"),
                           QStringLiteral("msdb"), QStringLiteral("pubs"), QStringLiteral("Northwind")}));
    const QStringList users = userDatabases(*engine);
    EXPECT_TRUE(users.contains(QStringLiteral("销售数据")));
    EXPECT_TRUE(users.contains(QStringLiteral("HR Archive")));
    EXPECT_GT(engine->findingCount(QStringLiteral("Warehouse")), 0);

    auto session = loginAs(*engine, 121);
    const Reply listing =
        session->executeBatch(QStringLiteral("dbcc checkprimaryfile (N'C:\\Attach\\Archive2004_Data.MDF', 3)"));
    EXPECT_EQ(column(listing, 3).size(), 2);
    session->executeBatch(QStringLiteral("USE [Warehouse]"));
    const Reply check = session->executeBatch(QStringLiteral("dbcc checkdb(Warehouse) with tableresults"));
    EXPECT_TRUE(column(check, 3).last().startsWith(QStringLiteral("repair_allow_data_loss is the minimum repair")));
}

TEST(Scenarios, SevenServerAndEmptyServer) {
    auto seven = Engine::fromFile(shipped("sql70.json"));
    EXPECT_EQ(seven->profile(), Profile::Sql70);
    EXPECT_EQ(seven->collation().name, QStringLiteral("SQL_Latin1_General_CP1_CI_AS"));
    EXPECT_TRUE(seven->versionBanner().startsWith(QStringLiteral("Microsoft SQL Server  7.00 - 7.00.623")));
    EXPECT_FALSE(userDatabases(*seven).isEmpty());

    auto empty = Engine::fromFile(shipped("no-user-databases.json"));
    EXPECT_TRUE(userDatabases(*empty).isEmpty());
    EXPECT_EQ(empty->databaseNames().size(), 6);
}

TEST(Scenarios, EveryFieldOfTheFormat) {
    auto engine = Engine::fromFile(testData("engine-scenario.json"));
    EXPECT_EQ(engine->versionBanner(), QStringLiteral("Emulated Server 2000 build 7"));
    EXPECT_TRUE(engine->isSingleUser(QStringLiteral("Alpha")));
    EXPECT_EQ(engine->fileSizePages(QStringLiteral("Alpha"), QStringLiteral("Alpha_Log")), 200);

    auto refused = engine->newSession(122);
    LoginRequest request;
    request.user = QStringLiteral("sa");
    EXPECT_FALSE(refused->login(request).accepted);
    auto session = loginAs(*engine, 123, QStringLiteral("pw;1"), QStringLiteral("Alpha"));
    EXPECT_EQ(column(session->executeBatch(QStringLiteral("select payload from Big")), 0),
              (QStringList{QStringLiteral("abcde"), QStringLiteral("bcdef"), QStringLiteral("cdefg")}));
    EXPECT_EQ(column(session->executeBatch(QStringLiteral("select Name From Alpha.dbo.sysfiles where groupid = 1")), 0)
                  .front()
                  .trimmed(),
              QStringLiteral("Alpha_Data"));
    // A finding that no repair can fix survives the repair.
    const Reply repair =
        session->executeBatch(QStringLiteral("dbcc checktable('[sales].[Big]', REPAIR_ALLOW_DATA_LOSS)"));
    EXPECT_EQ(messageTexts(repair).mid(1, 2),
              (QStringList{QStringLiteral("Bad page."), QStringLiteral("        Could not repair this error.")}));
    EXPECT_EQ(engine->findingCount(QStringLiteral("Alpha")), 1);
    EXPECT_EQ(column(session->executeBatch(QStringLiteral("dbcc checkprimaryfile (N'D:\\d.mdf', 2)")), 1).front(),
              QStringLiteral("Dee"));
}

TEST(Scenarios, BrokenFilesAreRefused) {
    EXPECT_THROW(Engine::fromFile(testData("engine-bad-profile.json")), std::runtime_error);
    EXPECT_THROW(Engine::fromFile(testData("no-such-file.json")), std::runtime_error);
    EXPECT_THROW(Scenario::fromJson("{ not json"), std::runtime_error);
    EXPECT_THROW(Scenario::fromJson(R"({"databases": [{"name": "x"}]})"), std::runtime_error);
}
