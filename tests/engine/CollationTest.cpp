// The server collation: what a scenario chooses, and how varchar columns keep text in its code page.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

Scenario withCollation(const char* name) {
    Scenario s = testScenario();
    s.collation = *Collation::byName(QString::fromLatin1(name));
    return s;
}

const QStringList kTruncated = {QStringLiteral("8152: String or binary data would be truncated.")};

struct StorageCase {
    const char* what;
    const char16_t* value;  // inserted as a varchar literal
    int length;             // of the varchar column
    const char16_t* western;  // what the column keeps under SQL_Latin1_General_CP1_CI_AS; null: truncation error
    const char16_t* chinese;  // and under Chinese_PRC_CI_AS
};

// Lengths count bytes of the code page: a Chinese character takes two under code page 936.
const StorageCase kStorage[] = {
    {"mixed text", u"€ café 数据", 20, u"€ café ??", u"€ café 数据"},
    {"two characters in four bytes", u"数据", 4, u"??", u"数据"},
    {"one byte too many", u"数据x", 4, u"??x", nullptr},
    {"half a character too many", u"数据库", 5, u"???", nullptr},
    {"trailing blanks are cut", u"数据  ", 4, u"??  ", u"数据"},
    {"missing from both code pages", u"a한b", 10, u"a?b", u"a?b"},
    {"ascii", u"plain", 5, u"plain", u"plain"},
};

void expectStorage(const char* collation, const char16_t* StorageCase::*expected) {
    for (const StorageCase& c : kStorage) {
        SCOPED_TRACE(std::string(collation) + ": " + c.what);
        auto engine = Engine::create(withCollation(collation));
        auto session = loginAs(*engine, 90);
        session->executeBatch(QStringLiteral("USE pubs"));
        ASSERT_EQ(errors(session->executeBatch(
                      QStringLiteral("create table T(v varchar(%1), n nvarchar(20))").arg(c.length))),
                  QStringList());
        const QString value = QString::fromUtf16(c.value);
        const Reply insert = session->executeBatch(QStringLiteral("insert into T values ('%1', N'%1')").arg(value));
        const auto rows = engine->tableRows(QStringLiteral("pubs"), QStringLiteral("T"));
        if (c.*expected == nullptr) {
            EXPECT_EQ(errors(insert), kTruncated);
            EXPECT_EQ(shape(insert), QStringLiteral("ERROR(8152) INFO(3621) DONE(error)"));
            EXPECT_TRUE(rows.empty()) << "nothing is inserted";
            continue;
        }
        EXPECT_EQ(shape(insert), QStringLiteral("DONE(count 1)"));
        // nvarchar keeps everything, whatever the collation.
        EXPECT_EQ(rows, (std::vector<QStringList>{{QString::fromUtf16(c.*expected), value}}));
        // What a select answers is what the column keeps.
        EXPECT_EQ(column(session->executeBatch(QStringLiteral("select v from T")), 0),
                  QStringList{QString::fromUtf16(c.*expected)});
    }
}

}  // namespace

TEST(Collations, VarcharKeepsCodePage1252OnAWesternServer) {
    expectStorage("SQL_Latin1_General_CP1_CI_AS", &StorageCase::western);
}

TEST(Collations, VarcharKeepsCodePage936OnAChineseServer) {
    expectStorage("Chinese_PRC_CI_AS", &StorageCase::chinese);
}

TEST(Collations, ChosenByTheScenario) {
    EXPECT_EQ(Scenario::fromJson("{}").collation.name, QStringLiteral("SQL_Latin1_General_CP1_CI_AS"));
    EXPECT_EQ(Engine::create(Scenario::fromJson("{}"))->collation().name,
              QStringLiteral("SQL_Latin1_General_CP1_CI_AS"));
    // Collation names ignore case, as the server's do.
    const Scenario chinese = Scenario::fromJson(R"({"collation": "chinese_prc_ci_as"})");
    EXPECT_EQ(chinese.collation.name, QStringLiteral("Chinese_PRC_CI_AS"));
    EXPECT_EQ(chinese.collation.codePage, CodePage::Cp936);
    EXPECT_EQ(Engine::create(chinese)->collation().charset, QStringLiteral("cp936"));

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
