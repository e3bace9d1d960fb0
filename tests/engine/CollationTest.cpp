// The server collation a scenario chooses. How varchar keeps text in its code page is in the
// collation transcripts.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::testing;

TEST(Collations, ChosenByTheScenario) {
    EXPECT_EQ(Scenario::fromJson("{}").collation.name, u"SQL_Latin1_General_CP1_CI_AS"_s);
    EXPECT_EQ(Engine::create(Scenario::fromJson("{}"))->collation().name,
              u"SQL_Latin1_General_CP1_CI_AS"_s);
    // Collation names ignore case, as the server's do.
    const Scenario chinese = Scenario::fromJson(R"({"collation": "chinese_prc_ci_as"})");
    EXPECT_EQ(chinese.collation.name, u"Chinese_PRC_CI_AS"_s);
    EXPECT_EQ(chinese.collation.codePage, CodePage::Cp936);
    EXPECT_EQ(Engine::create(chinese)->collation().charset, u"cp936"_s);

    struct Refused {
        const char* json;
        const char* message;
    };
    const Refused refused[] = {
        {R"({"collation": "Klingon_CI_AS"})", "scenario: unknown collation Klingon_CI_AS"},
        {R"({"collation": ""})", "scenario: unknown collation "},
        {R"({"collation": 936})", "scenario: unknown collation 936"},
        {R"({"collation": null})", "scenario: unknown collation "},
    };
    for (const Refused& r : refused) {
        try {
            Scenario::fromJson(r.json);
            ADD_FAILURE() << r.json << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), r.message) << r.json;
        }
    }
}
