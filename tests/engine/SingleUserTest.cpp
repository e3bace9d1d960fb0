// The single-user option: switched through xp_cmdshell and osql, and what it means for others.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

const QString kNull = QStringLiteral("<null>");

}  // namespace

TEST(SingleUser, SwitchOnAndOffThroughTheCommandShell) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 90);
    const Reply on = tool->executeBatch(sent::singleUser(QStringLiteral("Sales"), true));
    EXPECT_EQ(shape(on), QStringLiteral("RESULT(1x1) DONEINPROC(count 1) RETURN(0) DONEPROC"));
    const auto sets = results(on);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].columns[0].name, QStringLiteral("output"));
    EXPECT_EQ(sets[0].columns[0].type, ColumnType::NVarChar);
    EXPECT_EQ(sets[0].columns[0].length, 255);
    EXPECT_EQ(column(on, 0), QStringList{kNull});
    EXPECT_TRUE(engine->isSingleUser(QStringLiteral("Sales")));
    // The utility's own connection is gone; nobody is left inside.
    EXPECT_TRUE(engine->sessionsIn(QStringLiteral("Sales")).isEmpty());
    EXPECT_EQ(engine->sessionsIn(QStringLiteral("master")), QStringList{QStringLiteral("90")});

    const Reply off = tool->executeBatch(sent::singleUser(QStringLiteral("Sales"), false));
    EXPECT_EQ(column(off, 0), QStringList{kNull});
    EXPECT_FALSE(engine->isSingleUser(QStringLiteral("Sales")));
}

TEST(SingleUser, OnlyOneConnectionMayBeInside) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 91);
    auto other = loginAs(*engine, 92);
    tool->executeBatch(sent::singleUser(QStringLiteral("Sales"), true));
    EXPECT_EQ(shape(tool->executeBatch(QStringLiteral("USE [Sales]"))), QStringLiteral("ENVDB INFO(5701) DONE"));
    // Entering again from inside is fine.
    EXPECT_EQ(shape(tool->executeBatch(QStringLiteral("USE [Sales]"))), QStringLiteral("ENVDB INFO(5701) DONE"));

    const Reply refused = other->executeBatch(QStringLiteral("USE [Sales]"));
    EXPECT_EQ(shape(refused), QStringLiteral("ERROR(924) DONE(error)"));
    EXPECT_EQ(messageTexts(refused),
              QStringList{QStringLiteral("Database 'Sales' is already open and can only have one user at a time.")});
    EXPECT_EQ(std::get<Message>(refused.tokens[0]).severity, 14);
    EXPECT_EQ(other->currentDatabase(), QStringLiteral("master"));
    EXPECT_EQ(errors(other->executeBatch(QStringLiteral("dbcc checkdb(Sales)"))),
              QStringList{QStringLiteral("924: Database 'Sales' is already open and can only have one user at a "
                                         "time.")});

    // Once the first one leaves, the other may enter.
    tool->executeBatch(QStringLiteral("USE [master]"));
    EXPECT_EQ(shape(other->executeBatch(QStringLiteral("USE [Sales]"))), QStringLiteral("ENVDB INFO(5701) DONE"));
}

TEST(SingleUser, RepairRunsWhenTheSessionIsTheOnlyOneInside) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 95);
    tool->executeBatch(sent::singleUser(QStringLiteral("Broken"), true));
    tool->executeBatch(QStringLiteral("USE [Broken]"));
    const Reply repair = tool->executeBatch(QStringLiteral("dbcc CHECKDB(Broken,REPAIR_ALLOW_DATA_LOSS)"));
    EXPECT_TRUE(messageTexts(repair).contains(
        QStringLiteral("CHECKDB fixed 1 allocation errors and 2 consistency errors in database 'Broken'.")));
    tool->executeBatch(QStringLiteral("USE [master]"));
    tool->executeBatch(sent::singleUser(QStringLiteral("Broken"), false));
    EXPECT_FALSE(engine->isSingleUser(QStringLiteral("Broken")));
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 0);
}

TEST(SingleUser, OddNamesInTheSwitch) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 97);
    for (const QString& name : {QStringLiteral("my db"), QStringLiteral("销售数据")}) {
        const Reply on = tool->executeBatch(sent::singleUser(name, true));
        EXPECT_EQ(column(on, 0), QStringList{kNull});
        EXPECT_TRUE(engine->isSingleUser(name)) << name.toStdString();
        tool->executeBatch(sent::singleUser(name, false));
        EXPECT_FALSE(engine->isSingleUser(name));
    }
    const Reply quote = tool->executeBatch(sent::singleUser(QStringLiteral("o'brien"), true));
    EXPECT_FALSE(errors(quote).isEmpty());
    EXPECT_FALSE(engine->isSingleUser(QStringLiteral("o'brien")));

    const Reply unknown = tool->executeBatch(sent::singleUser(QStringLiteral("Nowhere"), true));
    EXPECT_EQ(column(unknown, 0),
              (QStringList{QStringLiteral("Msg 15010, Level 16, State 1, Server TESTSRV, Procedure sp_dboption, Line 1"),
                           QStringLiteral("The database 'Nowhere' does not exist. Use sp_helpdb to show available "
                                          "databases."),
                           kNull}));
}

TEST(SingleUser, CommandShellOutsideMasterAndOtherCommands) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 98, QString(), QStringLiteral("pubs"));
    EXPECT_EQ(errors(tool->executeBatch(QStringLiteral("xp_cmdshell 'osql -Usa -P -Q\"select 1\"'"))),
              QStringList{QStringLiteral("2812: Could not find stored procedure 'xp_cmdshell'.")});
    const Reply other = tool->executeBatch(QStringLiteral("exec master..xp_cmdshell 'frobnicate /all'"));
    EXPECT_EQ(column(other, 0), (QStringList{QStringLiteral("'frobnicate' is not recognized as an internal or external "
                                                            "command,"),
                                             QStringLiteral("operable program or batch file."), kNull}));
    EXPECT_EQ(shape(tool->executeBatch(QStringLiteral("exec master.dbo.xp_cmdshell 'frobnicate', no_output"))),
              QStringLiteral("RETURN(1) DONEPROC"));
    const Reply query =
        tool->executeBatch(QStringLiteral("master..xp_cmdshell 'osql -Usa -P -dpubs -Q\"select name from "
                                          "sysobjects where name = ''authors''\"'"));
    EXPECT_EQ(column(query, 0), (QStringList{QStringLiteral(" name   "), QStringLiteral(" -------"),
                                             QStringLiteral(" authors"), kNull,
                                             QStringLiteral("(1 row affected)"), kNull}));
}

TEST(SingleUser, DboptionCalledDirectly) {
    auto engine = Engine::create(testScenario());
    auto tool = loginAs(*engine, 99);
    EXPECT_EQ(shape(tool->executeBatch(QStringLiteral("exec sp_dboption 'Sales', 'single', 'on'"))),
              QStringLiteral("RETURN(0) DONEPROC"));
    EXPECT_TRUE(engine->isSingleUser(QStringLiteral("Sales")));
    EXPECT_EQ(errors(tool->executeBatch(QStringLiteral("exec sp_dboption 'Sales', 'nonsense', 'on'"))),
              QStringList{QStringLiteral("15011: Database option 'nonsense' does not exist. Specify a valid database "
                                         "option.")});
    EXPECT_EQ(shape(tool->executeBatch(QStringLiteral("exec sp_dboption 'Sales', 'single user', 'maybe'"))),
              QStringLiteral("ERROR(15241) DONEINPROC(error) RETURN(1) DONEPROC(error)"));
    EXPECT_TRUE(engine->isSingleUser(QStringLiteral("Sales")));
}
