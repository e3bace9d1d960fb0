// A check of a database with a Chinese name, end to end through FreeTDS to an embedded sqlsim, on
// a server whose collation keeps Chinese text in its varchar work table (code page 936) and on one
// whose Western collation (code page 1252) turns it into question marks. The result text shows
// what the server kept, as the client decoded it.

#include "operations/CaptureStatements.h"
#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;

namespace {

const QString kChineseDb = u"销售数据"_s;

// The batches of a whole check of the database, in order.
QStringList checkRun(const QString& database)
{
    return {u"USE ["_s + database + u"]"_s,
            dropLeftoverTableStatement(),
            dropLeftoverProcStatement(),
            createResultTableStatement(),
            createCaptureProcStatement(captureStatementOf(CheckRoutine::CheckDatabase), database),
            execCaptureProcStatement(),
            readBackQuery(),
            dropResultTableStatement(),
            dropCaptureProcStatement(),
            u"USE [master]"_s};
}

struct ServerCase {
    const char* name;
    sqlsim::Profile profile;
    const char* collation;
    QString shownName;   // the database name as the result text shows it
    QString shownTable;  // and the name of its table 客户
};

void PrintTo(const ServerCase& c, std::ostream* out) { *out << c.name; }

const ServerCase kServers[] = {
    {"Chinese2000", sqlsim::Profile::Sql2000, "Chinese_PRC_CI_AS", u"销售数据"_s, u"客户"_s},
    {"Chinese70", sqlsim::Profile::Sql70, "Chinese_PRC_CI_AS", u"销售数据"_s, u"客户"_s},
    {"Western2000", sqlsim::Profile::Sql2000, "SQL_Latin1_General_CP1_CI_AS", u"\?\?\?\?"_s, u"\?\?"_s},
    {"Western70", sqlsim::Profile::Sql70, "SQL_Latin1_General_CP1_CI_AS", u"\?\?\?\?"_s, u"\?\?"_s},
};

class ChineseServer : public testing::TestWithParam<ServerCase> {};

TEST_P(ChineseServer, CheckDatabaseShowsTheNameAsTheServerKeptIt)
{
    const ServerCase& c = GetParam();
    sqlsim::Scenario scenario = sqlsim::Scenario::fromFile(tarnwick::test::SqlsimFixture::dataPath(u"collation-chinese.json"_s));
    scenario.profile = c.profile;
    scenario.collation = *sqlsim::Collation::byName(QString::fromLatin1(c.collation));
    tarnwick::test::SqlsimFixture sim(scenario);
    ASSERT_TRUE(sim.connect());
    const int conn = sim.server().journal().back().conn;
    sim.clearJournal();

    RecordingHost host;
    ModMain::CheckDatabase(host, kChineseDb);

    EXPECT_EQ(sim.journalTextsOf(conn), checkRun(kChineseDb));
    const QString text = host.resultText();
    EXPECT_TRUE(text.startsWith(u"DBCC results for '"_s + c.shownName + u"'.\rDBCC results for 'sysobjects'.\r"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"\rDBCC results for '"_s + c.shownTable + u"'.\rThere are 45 rows in 2 pages for object '"_s +
                              c.shownTable + u"'.\r"_s))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"\rCHECKDB found 0 allocation errors and 0 consistency errors in database '"_s +
                              c.shownName + u"'.\r"_s))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"错误信息"_s)) << "no failure report";
    EXPECT_FALSE(host.panelVisible());

    // The work objects are gone and the connection is back in master.
    EXPECT_FALSE(sim.engine().objectExists(kChineseDb, u"DBCCRESULT"_s));
    EXPECT_FALSE(sim.engine().objectExists(kChineseDb, u"spDBCCTABLE"_s));
    EXPECT_TRUE(sim.engine().sessionsIn(kChineseDb).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(E2e, ChineseServer, testing::ValuesIn(kServers),
                         [](const testing::TestParamInfo<ServerCase>& p) { return std::string(p.param.name); });

}  // namespace
