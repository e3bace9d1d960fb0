#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

Session::LoginOutcome tryLogin(Session& session, const QString& user, const QString& password,
                               const QString& database = QString()) {
    LoginRequest request;
    request.tdsVersion = 0x71000001;
    request.user = user;
    request.password = password;
    request.database = database;
    return session.login(request);
}

}  // namespace

TEST(Login, RightPasswordEntersMaster) {
    auto engine = Engine::create(testScenario(Profile::Sql2000, QStringLiteral("Secret1")));
    auto session = engine->newSession(51);
    const auto outcome = tryLogin(*session, QStringLiteral("sa"), QStringLiteral("Secret1"));
    ASSERT_TRUE(outcome.accepted);
    EXPECT_FALSE(outcome.reply.closeConnection);
    EXPECT_EQ(shape(outcome.reply), QStringLiteral("ENVDB INFO(5701) INFO(5703)"));
    const auto& change = std::get<DatabaseChange>(outcome.reply.tokens[0]);
    EXPECT_EQ(change.newDatabase, QStringLiteral("master"));
    EXPECT_EQ(change.oldDatabase, QStringLiteral("master"));
    EXPECT_EQ(messageTexts(outcome.reply),
              (QStringList{QStringLiteral("Changed database context to 'master'."),
                           QStringLiteral("Changed language setting to us_english.")}));
    EXPECT_EQ(std::get<Message>(outcome.reply.tokens[1]).severity, 0);
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("master"));
    EXPECT_EQ(engine->sessionsIn(QStringLiteral("master")), QStringList{QStringLiteral("51")});
}

TEST(Login, RefusedLoginsCarry18456AndClose) {
    struct Case {
        const char* what;
        QString user;
        QString password;
        QString expectedText;
    };
    const std::vector<Case> cases = {
        {"wrong password", QStringLiteral("sa"), QStringLiteral("secret1"),
         QStringLiteral("Login failed for user 'sa'.")},
        {"empty password", QStringLiteral("sa"), QString(), QStringLiteral("Login failed for user 'sa'.")},
        {"password with a trailing NUL", QStringLiteral("sa"), QStringLiteral("Secret1") + QChar(0),
         QStringLiteral("Login failed for user 'sa'.")},
        {"other user", QStringLiteral("bob"), QStringLiteral("Secret1"), QStringLiteral("Login failed for user 'bob'.")},
    };
    auto engine = Engine::create(testScenario(Profile::Sql2000, QStringLiteral("Secret1")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto session = engine->newSession(60);
        const auto outcome = tryLogin(*session, c.user, c.password);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_TRUE(outcome.reply.closeConnection);
        EXPECT_EQ(shape(outcome.reply), QStringLiteral("ERROR(18456) DONE(error)"));
        const auto& m = std::get<Message>(outcome.reply.tokens[0]);
        EXPECT_EQ(m.text, c.expectedText);
        EXPECT_EQ(m.severity, 14);
        EXPECT_EQ(m.state, 1);
        EXPECT_TRUE(engine->sessionsIn(QStringLiteral("master")).isEmpty());
    }
}

TEST(Login, UserNameIsCaseInsensitive) {
    auto engine = Engine::create(testScenario());
    auto session = engine->newSession(52);
    EXPECT_TRUE(tryLogin(*session, QStringLiteral("SA"), QString()).accepted);
}

TEST(Login, DatabaseNamedInTheLoginIsEntered) {
    auto engine = Engine::create(testScenario());
    auto session = engine->newSession(53);
    const auto outcome = tryLogin(*session, QStringLiteral("sa"), QString(), QStringLiteral("sales"));
    ASSERT_TRUE(outcome.accepted);
    EXPECT_EQ(std::get<DatabaseChange>(outcome.reply.tokens[0]).newDatabase, QStringLiteral("Sales"));
    EXPECT_EQ(messageTexts(outcome.reply).front(), QStringLiteral("Changed database context to 'Sales'."));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("Sales"));
    EXPECT_EQ(engine->sessionsIn(QStringLiteral("Sales")), QStringList{QStringLiteral("53")});
}

TEST(Login, UnknownOrOccupiedLoginDatabaseFails) {
    auto engine = Engine::create(testScenario());
    auto unknown = engine->newSession(54);
    auto outcome = tryLogin(*unknown, QStringLiteral("sa"), QString(), QStringLiteral("Nowhere"));
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(shape(outcome.reply), QStringLiteral("ERROR(4060) ERROR(18456) DONE(error)"));
    EXPECT_EQ(messageTexts(outcome.reply).front(),
              QStringLiteral("Cannot open database requested in login 'Nowhere'. Login fails."));

    engine->setSingleUser(QStringLiteral("Sales"), true);
    auto first = loginAs(*engine, 55, QString(), QStringLiteral("Sales"));
    auto second = engine->newSession(56);
    outcome = tryLogin(*second, QStringLiteral("sa"), QString(), QStringLiteral("Sales"));
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(engine->sessionsIn(QStringLiteral("Sales")), QStringList{QStringLiteral("55")});
}

TEST(Login, DisconnectLeavesTheDatabase) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 57, QString(), QStringLiteral("pubs"));
    EXPECT_EQ(engine->sessionsIn(QStringLiteral("pubs")).size(), 1);
    session->disconnect();
    EXPECT_TRUE(engine->sessionsIn(QStringLiteral("pubs")).isEmpty());
    auto other = loginAs(*engine, 58, QString(), QStringLiteral("pubs"));
    other.reset();  // destroying a session counts as a disconnect too
    EXPECT_TRUE(engine->sessionsIn(QStringLiteral("pubs")).isEmpty());
}
