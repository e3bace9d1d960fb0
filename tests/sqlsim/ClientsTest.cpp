// Clients nobody here wrote talk to sqlsim: FreeTDS tsql and bsqldb, unixODBC isql through the
// FreeTDS driver (which sends sp_prepexec), and python3-tds. Each logs in, reads the version and
// the database list, and a wrong password gets "Login failed for user 'sa'.".

#include "tests/sqlsim/ClientRunner.h"
#include "tests/sqlsim/FakeEngine.h"
#include "sqlsim/protocol/Server.h"

#include "tests/sqlsim/QtPrinters.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::test;

namespace {

class ClientsTest : public ::testing::Test {
protected:
    void start(Profile profile)
    {
        engine = std::make_shared<FakeEngine>(profile);
        server = std::make_unique<Server>(engine);
        port = server->start(0);
    }
    void SetUp() override
    {
        QString missing;
        if (!allClientsInstalled(&missing))
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        start(Profile::Sql2000);
    }
    void TearDown() override
    {
        if (server)
            server->stop();
    }

    ClientRun tsql(const QStringList& batches, const QString& password, const QString& tdsVersion = QStringLiteral("7.1"))
    {
        return runTsql(port, batches, password, tdsVersion);
    }
    ClientRun bsqldb(const QString& batch, const QString& password) { return runBsqldb(port, batch, password); }
    ClientRun isql(const QString& batch, const QString& password) { return runIsql(port, batch, password); }
    ClientRun pytds(const QStringList& queries, const QString& password) { return runPytds(port, queries, password); }

    std::shared_ptr<FakeEngine> engine;
    std::unique_ptr<Server> server;
    quint16 port = 0;
};

}  // namespace

TEST_F(ClientsTest, TsqlReadsVersionAndDatabaseList)
{
    const ClientRun run = tsql({VersionPrefixQuery, DatabaseListQuery, VersionQuery}, QStringLiteral("Secret1"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_TRUE(run.out.startsWith(u"Microsoft SQL Server  2000 \nalpha\nbeta\n" + FakeBanner2000)) << run.out.toStdString();
    const auto journal = server->journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].text, VersionPrefixQuery + u'\n');
    EXPECT_EQ(journal[1].text, DatabaseListQuery + u'\n');
    EXPECT_EQ(journal[0].db, u"master");
}

TEST_F(ClientsTest, BsqldbReadsDatabaseList)
{
    const ClientRun run = bsqldb(DatabaseListQuery, QStringLiteral("Secret1"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_EQ(run.out, u"alpha\nbeta\n");
    const ClientRun version = bsqldb(VersionPrefixQuery, QStringLiteral("Secret1"));
    EXPECT_EQ(version.out, u"Microsoft SQL Server  2000\n") << "bsqldb trims trailing blanks";
}

TEST_F(ClientsTest, IsqlGoesThroughPrepExec)
{
    const ClientRun run = isql(DatabaseListQuery, QStringLiteral("Secret1"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_EQ(run.out, u"name\nalpha\nbeta\n");
    const auto journal = server->journal();
    ASSERT_GE(journal.size(), 1u);
    EXPECT_EQ(journal[0].text, u"RPC sp_prepexec NULL OUTPUT, NULL, N'" + DatabaseListQuery + u'\'');
    EXPECT_EQ(engine->batches(), QStringList{DatabaseListQuery});

    const ClientRun version = isql(VersionPrefixQuery, QStringLiteral("Secret1"));
    EXPECT_EQ(version.out, u"\nMicrosoft SQL Server  2000 \n");
}

TEST_F(ClientsTest, PytdsReadsVersionAndDatabaseList)
{
    const ClientRun run = pytds({VersionPrefixQuery, DatabaseListQuery}, QStringLiteral("Secret1"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_EQ(run.out, u"[('Microsoft SQL Server  2000 ',)]\n[('alpha',), ('beta',)]\n");
}

TEST_F(ClientsTest, WrongPasswordIsRefusedByEveryClient)
{
    const QString wrong = QStringLiteral("wrong");
    const QString message = QStringLiteral("Login failed for user 'sa'.");
    const ClientRun t = tsql({VersionQuery}, wrong);
    EXPECT_NE(t.exitCode, 0);
    EXPECT_TRUE(t.all().contains(u"Msg 18456 (severity 14, state 1)")) << t.all().toStdString();
    EXPECT_TRUE(t.all().contains(message));
    const ClientRun b = bsqldb(VersionQuery, wrong);
    EXPECT_NE(b.exitCode, 0);
    EXPECT_TRUE(b.all().contains(u"Msg 18456, Level 14, State 1")) << b.all().toStdString();
    EXPECT_TRUE(b.all().contains(message));
    const ClientRun i = isql(VersionQuery, wrong);
    EXPECT_NE(i.exitCode, 0);
    EXPECT_TRUE(i.all().contains(u"[FreeTDS][SQL Server]" + message)) << i.all().toStdString();
    const ClientRun p = pytds({VersionQuery}, wrong);
    EXPECT_EQ(p.exitCode, 3);
    EXPECT_EQ(p.out, u"ERROR: " + message + u'\n');
    EXPECT_TRUE(server->journal().empty());
}

TEST_F(ClientsTest, SeventyProfileRefusesPreloginAndAcceptsSeventyLogin)
{
    server->stop();
    start(Profile::Sql70);
    const ClientRun refused = tsql({VersionPrefixQuery}, QStringLiteral("Secret1"), QStringLiteral("7.1"));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_FALSE(refused.out.contains(u"Microsoft"));
    const ClientRun run = tsql({VersionPrefixQuery, DatabaseListQuery}, QStringLiteral("Secret1"), QStringLiteral("7.0"));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_EQ(run.out, u"Microsoft SQL Server  7.00 \nalpha\nbeta\n");
    ASSERT_EQ(engine->logins().size(), 1u);
    EXPECT_EQ(engine->logins()[0].tdsVersion, 0x70000000u);
}
