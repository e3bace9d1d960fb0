#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::testing;

TEST(Login, RightPasswordEntersMaster) {
    auto engine = Engine::create(testScenario(Profile::Sql2000, QStringLiteral("Secret1")));
    auto session = engine->newSession(51);
    LoginRequest request;
    request.user = QStringLiteral("sa");
    request.password = QStringLiteral("Secret1");
    const auto outcome = session->login(request);
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
