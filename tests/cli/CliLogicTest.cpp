// The command line's own logic without a server: which invocations are usage errors, and what a
// result text says about DBCC's findings.

#include "cli/AllDatabases.h"
#include "cli/CommandLine.h"
#include "cli/DbccFindings.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::cli::parseCommandLine;

TEST(CliLogicTest, UsageErrorsAreFoundBeforeAnyLogin) {
    struct Row {
        QStringList arguments;
        QString named;  // what the error names; empty: accepted
    };
    const Row rows[] = {
        {{u"run"_s, u"CHECKDB"_s, u"db"_s}, {}},
        {{u"--server"_s, u"h,1"_s, u"--json"_s, u"databases"_s}, {}},
        {{u"attach"_s, u"/d/a.MDF"_s, u"--as"_s, u"a"_s}, {}},
        {{u"attach7"_s, u"/d/a.MDF"_s, u"--log=/d/a.LDF"_s, u"--as"_s, u"a"_s}, {}},
        {{u"attach7"_s, u"/d/a.MDF"_s, u"--single-file"_s, u"--as"_s, u"a"_s}, {}},
        {{}, u"no command"_s},
        {{u"run"_s, u"checkdb"_s, u"db"_s}, u"\"checkdb\""_s},  // keys keep their case
        {{u"run"_s, u"ATTACH"_s, u"db"_s}, u"attach7"_s},
        {{u"run"_s, u"CHECKDB"_s}, u"run KEY DATABASE"_s},
        {{u"attach7"_s, u"/d/a.MDF"_s, u"--as"_s, u"a"_s}, u"--single-file"_s},
        {{u"attach7"_s, u"/d/a.MDF"_s, u"--single-file"_s}, u"--as NAME"_s},
        {{u"attach7"_s, u"/d/a.MDF"_s, u"--log"_s, u"l"_s, u"--single-file"_s, u"--as"_s, u"a"_s},
         u"--log"_s},
        {{u"attach"_s, u"/d/a.MDF"_s, u"--single-file"_s}, u"attach7"_s},
        {{u"run"_s, u"CHECKDB"_s, u"db"_s, u"--as"_s, u"x"_s}, u"--as"_s},
        {{u"--password-file"_s, u"f"_s, u"--password-stdin"_s, u"databases"_s}, u"exclude"_s},
        {{u"--server"_s}, u"--server"_s},
        {{u"--server="_s, u"databases"_s}, u"--server"_s},
        {{u"--passwd=hunter2"_s, u"databases"_s}, u"--passwd"_s},
        {{u"frobnicate"_s}, u"frobnicate"_s},
        {{u"--switch-on-connection"_s, u"run"_s, u"REPDB"_s, u"db"_s}, {}},
        {{u"history"_s, u"--json"_s}, {}},
        {{u"history"_s, u"REPDB"_s}, u"usage: tarnwick-cli [options] history"_s},
        {{u"--switch-on-connection"_s, u"databases"_s}, u"belongs to run"_s},
        {{u"--switch-on-connection"_s, u"history"_s}, u"belongs to run"_s},
        {{u"--switch-on-connection=yes"_s, u"run"_s, u"REPDB"_s, u"db"_s}, u"unknown option"_s},
        {{u"run"_s, u"CHECKDB"_s, u"--all-databases"_s}, {}},
        {{u"run"_s, u"CHECKDB"_s, u"db"_s, u"--all-databases"_s}, u"run KEY --all-databases"_s},
        {{u"run"_s, u"ATTACH"_s, u"--all-databases"_s}, u"attach7"_s},
        {{u"databases"_s, u"--all-databases"_s}, u"--all-databases belongs to run"_s},
    };
    for (const Row& row : rows) {
        const auto parsed = parseCommandLine(row.arguments);
        const std::string label = row.arguments.join(u' ').toStdString();
        EXPECT_EQ(parsed.invocation.has_value(), row.named.isEmpty()) << label;
        EXPECT_TRUE(parsed.error.contains(row.named))
            << label << ": " << parsed.error.toStdString();
        EXPECT_FALSE(parsed.error.contains(u"hunter2"_s));
    }
    EXPECT_TRUE(parseCommandLine({u"--switch-on-connection"_s, u"run"_s, u"REPDB"_s, u"d"_s})
                    .invocation->switchOnConnection);
    EXPECT_FALSE(parseCommandLine({u"run"_s, u"REPDB"_s, u"d"_s}).invocation->switchOnConnection);
    // A password typed on the command line is refused and not repeated.
    const auto typed = parseCommandLine({u"--password"_s, u"hunter2"_s, u"databases"_s});
    EXPECT_FALSE(typed.invocation);
    EXPECT_FALSE(typed.error.contains(u"hunter2"_s));
}

TEST(CliLogicTest, FindingsComeFromTheSummariesAndTheRepairLevel) {
    using tarnwick::cli::dbccFindings;
    using tarnwick::cli::resultMessages;
    struct Row {
        QString resultText;
        int allocation;
        int consistency;
        bool repairLevel;
    };
    const Row rows[] = {
        {u"DBCC results for 'a'.\rCHECKDB found 0 allocation errors and 0 consistency errors in "
         "database 'a'.\r"_s,
         0, 0, false},
        // The table summaries are part of the database's totals: counted once.
        {u"CHECKDB found 0 allocation errors and 2 consistency errors in table 'T' (object ID 5).\r"
         "CHECKDB found 1 allocation errors and 2 consistency errors in database 'a'.\r"
         "repair_allow_data_loss is the minimum repair level for the errors found by DBCC CHECKDB "
         "(a).\r"_s,
         1, 2, true},
        // A table check has table summaries only.
        {u"CHECKTABLE found 0 allocation errors and 1 consistency errors in table 'T' (object ID "
         u"5).\r"
         "CHECKTABLE found 0 allocation errors and 2 consistency errors in table 'U' (object ID 6).\r"_s,
         0, 3, false},
        {u"Reading the files...\r\n错误信息Could not locate entry in sysdatabases for database 'x'.\r\n"_s,
         0, 0, false},
    };
    for (const Row& row : rows) {
        const auto findings = dbccFindings(resultMessages(row.resultText));
        EXPECT_EQ(findings.allocationErrors, row.allocation) << row.resultText.toStdString();
        EXPECT_EQ(findings.consistencyErrors, row.consistency) << row.resultText.toStdString();
        EXPECT_EQ(findings.repairLevelReported, row.repairLevel) << row.resultText.toStdString();
    }
    EXPECT_EQ(resultMessages(u"a\rb\r\nc\r"_s), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
}

// The loop of run KEY --all-databases without a server: every database in order whatever became
// of the one before, the worst status, and a stop request honoured only between two databases.
TEST(CliLogicTest, EveryDatabaseRunsInOrderAndTheWorstStatusWins) {
    using namespace tarnwick::cli;
    const QStringList databases{u"a"_s, u"b b"_s, u"c"_s, u"销售"_s};
    struct Row {
        QList<ExitStatus> statuses;  // of a, b b, c, 销售
        int stopBefore;              // the database before which a stop is requested; -1: none
        ExitStatus status;
        QStringList failed, findings, notRun;
    };
    const Row rows[] = {
        {{Clean, Clean, Clean, Clean}, -1, Clean, {}, {}, {}},
        {{Clean, Findings, Clean, Clean}, -1, Findings, {}, {u"b b"_s}, {}},
        {{Failed, Findings, Clean, Findings}, -1, Failed, {u"a"_s}, {u"b b"_s, u"销售"_s}, {}},
        {{Clean, Clean, Clean, Clean}, 2, Failed, {}, {}, {u"c"_s, u"销售"_s}},
        {{Failed, Clean, Clean, Clean}, 1, Failed, {u"a"_s}, {}, {u"b b"_s, u"c"_s, u"销售"_s}},
        {{Clean, Clean, Clean, Clean}, 0, Failed, {}, {}, databases},
    };
    for (const Row& row : rows) {
        QStringList ran;
        const EveryDatabaseRun run = runOnEveryDatabase(
            databases,
            [&](const QString& database) {
                ran << database;
                return row.statuses.at(databases.indexOf(database));
            },
            [&] { return ran.size() == row.stopBefore; });
        const qsizetype reached = row.stopBefore < 0 ? databases.size() : row.stopBefore;
        EXPECT_EQ(ran, databases.mid(0, reached));
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.failed, row.failed);
        EXPECT_EQ(run.findings, row.findings);
        EXPECT_EQ(run.notRun, row.notRun);
        EXPECT_EQ(run.clean.size() + run.failed.size() + run.findings.size(), reached);
    }
    EXPECT_EQ(worse(Findings, LoginFailed), LoginFailed);
    EXPECT_EQ(worse(Failed, Clean), Failed);
}
