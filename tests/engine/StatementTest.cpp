// Batches whose answers depend on a scenario built in code (most statements are transcripts).

#include "tests/engine/EngineTestSupport.h"

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

TEST(Statements, SyntaxErrorRunsNothingOfTheBatch) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 76);
    const Reply reply =
        session->executeBatch(QStringLiteral("use pubs create table T1(a int) select * from where"));
    EXPECT_EQ(shape(reply), QStringLiteral("ERROR(156) DONE(error)"));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("master"));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("pubs"), QStringLiteral("T1")));
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
