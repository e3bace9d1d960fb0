// Scenario files: the shipped ones and every field of the format.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

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
    return column(
        session->executeBatch(u"select Name from sysdatabases where Dbid>6 order by Name"_s), 0);
}

}  // namespace

TEST(Scenarios, DemoServer) {
    auto engine = Engine::fromFile(shipped("demo.json"));
    EXPECT_EQ(engine->profile(), Profile::Sql2000);
    EXPECT_EQ(engine->collation().name, u"Chinese_PRC_CI_AS"_s)
        << "the demo server is a Chinese one";
    EXPECT_EQ(
        engine->databaseNames().mid(0, 6),
        (QStringList{u"master"_s, u"tempdb"_s, u"model"_s, u"msdb"_s, u"pubs"_s, u"Northwind"_s}));
    const QStringList users = userDatabases(*engine);
    EXPECT_TRUE(users.contains(u"销售数据"_s));
    EXPECT_TRUE(users.contains(u"HR Archive"_s));
    EXPECT_GT(engine->findingCount(u"Warehouse"_s), 0);

    auto session = loginAs(*engine, 121);
    const Reply listing =
        session->executeBatch(u"dbcc checkprimaryfile (N'C:\\Attach\\Archive2004_Data.MDF', 3)"_s);
    EXPECT_EQ(column(listing, 3).size(), 2);
    session->executeBatch(u"USE [Warehouse]"_s);
    const Reply check = session->executeBatch(u"dbcc checkdb(Warehouse) with tableresults"_s);
    EXPECT_TRUE(
        column(check, 3).last().startsWith(u"repair_allow_data_loss is the minimum repair"_s));
}

TEST(Scenarios, SevenServerAndEmptyServer) {
    auto seven = Engine::fromFile(shipped("sql70.json"));
    EXPECT_EQ(seven->profile(), Profile::Sql70);
    EXPECT_EQ(seven->collation().name, u"SQL_Latin1_General_CP1_CI_AS"_s);
    EXPECT_TRUE(seven->versionBanner().startsWith(u"Microsoft SQL Server  7.00 - 7.00.623"_s));
    EXPECT_FALSE(userDatabases(*seven).isEmpty());

    auto empty = Engine::fromFile(shipped("no-user-databases.json"));
    EXPECT_TRUE(userDatabases(*empty).isEmpty());
    EXPECT_EQ(empty->databaseNames().size(), 6);
}

TEST(Scenarios, EveryFieldOfTheFormat) {
    auto engine = Engine::fromFile(testData("engine-scenario.json"));
    EXPECT_EQ(engine->versionBanner(), u"Emulated Server 2000 build 7"_s);
    EXPECT_TRUE(engine->isSingleUser(u"Alpha"_s));
    EXPECT_EQ(engine->fileSizePages(u"Alpha"_s, u"Alpha_Log"_s), 200);

    auto refused = engine->newSession(122);
    LoginRequest request;
    request.user = u"sa"_s;
    EXPECT_FALSE(refused->login(request).accepted);
    auto session = loginAs(*engine, 123, u"pw;1"_s, u"Alpha"_s);
    EXPECT_EQ(column(session->executeBatch(u"select payload from Big"_s), 0),
              (QStringList{u"abcde"_s, u"bcdef"_s, u"cdefg"_s}));
    EXPECT_EQ(
        column(session->executeBatch(u"select Name From Alpha.dbo.sysfiles where groupid = 1"_s), 0)
            .front()
            .trimmed(),
        u"Alpha_Data"_s);
    // A finding that no repair can fix survives the repair.
    const Reply repair =
        session->executeBatch(u"dbcc checktable('[sales].[Big]', REPAIR_ALLOW_DATA_LOSS)"_s);
    EXPECT_EQ(messageTexts(repair).first(2),
              (QStringList{u"Bad page."_s, u"        Could not repair this error. "_s}));
    EXPECT_EQ(engine->findingCount(u"Alpha"_s), 1);
    EXPECT_EQ(
        column(session->executeBatch(u"dbcc checkprimaryfile (N'D:\\d.mdf', 2)"_s), 1).front(),
        u"Dee"_s);
}

TEST(Scenarios, BrokenFilesAreRefused) {
    EXPECT_THROW(Engine::fromFile(testData("engine-bad-profile.json")), std::runtime_error);
    EXPECT_THROW(Engine::fromFile(testData("no-such-file.json")), std::runtime_error);
    EXPECT_THROW(Scenario::fromJson("{ not json"), std::runtime_error);
    EXPECT_THROW(Scenario::fromJson(R"({"databases": [{"name": "x"}]})"), std::runtime_error);
    EXPECT_THROW(
        Scenario::fromJson(R"({"databases": [{"name": "x", "dbid": 7, "crdate": "2004-03-15"}]})"),
        std::runtime_error);
}
