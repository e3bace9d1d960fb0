// ConnectServer and ReadServerVersion through unixODBC and FreeTDS to an embedded sqlsim.

#include "connection/DbError.h"
#include "connection/ModMain.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString versionQuery = u"select left(@@version,charindex('-',@@version)-1)"_s;

class ConnectServerTest : public ::testing::Test {
protected:
    void SetUp() override { ModMain::serverConnection().ServerVersion = u"unchanged"_s; }

    // A failed ConnectServer: one message box with the text, no icon, the application title;
    // the connection closed; the version text untouched.
    void expectOneFailureBox(const QString& text = {}) {
        ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
        const RecordingToolkit::MessageBoxCall& box = toolkit.messageBoxes.front();
        if (!text.isEmpty()) {
            EXPECT_EQ(box.text, text);
        }
        EXPECT_FALSE(box.text.isEmpty());
        EXPECT_FALSE(box.text.startsWith(u'[')) << box.text.toStdString();
        EXPECT_EQ(box.style, 0);
        EXPECT_EQ(box.title, u""_s);
        EXPECT_EQ(box.shownTitle(), u"Tarnwick"_s);
        EXPECT_FALSE(ModMain::serverConnection().Connection.isOpen());
        EXPECT_EQ(ModMain::serverConnection().ServerVersion, u"unchanged"_s);
    }

    RecordingToolkit toolkit;
};

TEST_F(ConnectServerTest, ReadsTheVersionOfEachProfile) {
    struct Case {
        const char* scenario;
        QString version;
    };
    const Case cases[] = {
        {"conn-2000.json", u"Microsoft SQL Server  2000"_s},
        {"conn-70.json", u"Microsoft SQL Server  7.00"_s},  // through the fall-back to TDS 7.0
    };
    for (const Case& c : cases) {
        SqlsimFixture sim(QString::fromLatin1(c.scenario));
        ASSERT_TRUE(ModMain::ConnectServer(sim.serverName(), sim.password())) << c.scenario;
        EXPECT_TRUE(ModMain::serverConnection().Connection.isOpen());
        EXPECT_EQ(ModMain::ReadServerVersion(ModMain::serverConnection().Connection), c.version);
        // Nothing but the version query reaches the server: no cursor, no set-up batches.
        EXPECT_EQ(sim.journalTexts(), QStringList{versionQuery}) << c.scenario;
        EXPECT_TRUE(toolkit.messageBoxes.empty()) << c.scenario;
    }
}

TEST_F(ConnectServerTest, TheVersionIsTrimmedOfBlanksOnly) {
    SqlsimFixture sim(
        u"{\"profile\": \"2000\", \"versionBanner\": \"  \\tOdd Server 9 - 9.00\"}"_s);
    ASSERT_TRUE(ModMain::ConnectServer(sim.serverName(), u""_s));
    EXPECT_EQ(ModMain::ReadServerVersion(ModMain::serverConnection().Connection),
              u"\tOdd Server 9"_s);
}

TEST_F(ConnectServerTest, WrongPasswordShowsTheLoginFailure) {
    struct Case {
        const char* scenario;
        int connectionsPerLogin;  // 7.0: the 7.1 attempt the server closes, then the 7.0 login
    };
    for (const Case& c : {Case{"conn-2000.json", 1}, Case{"conn-70.json", 2}}) {
        SqlsimFixture sim(QString::fromLatin1(c.scenario));
        toolkit.clear();
        ModMain::serverConnection().ServerVersion = u"unchanged"_s;
        EXPECT_FALSE(ModMain::ConnectServer(sim.serverName(), u"wrong"_s)) << c.scenario;
        expectOneFailureBox(u"Login failed for user 'sa'."_s);
        EXPECT_TRUE(sim.journalTexts().isEmpty()) << c.scenario;
        // Connections are numbered in accept order: a refused login is not tried again.
        ASSERT_TRUE(sim.connect()) << c.scenario;
        ASSERT_FALSE(sim.server().journal().empty());
        EXPECT_EQ(sim.server().journal().front().conn, 2 * c.connectionsPerLogin) << c.scenario;
    }
}

TEST_F(ConnectServerTest, ClosedPortAndUnknownHostFailWithOneBox) {
    QString closedServer;
    {
        SqlsimFixture sim(u"conn-2000.json"_s);
        closedServer = sim.serverName();
    }  // the server is gone; nothing listens on its port any more
    // The network library's own texts: the record that names the cause, not "Unable to connect
    // to data source", and neither case is tried again with the older protocol.
    struct Case {
        QString server;
        QString text;
    };
    const Case cases[] = {
        {closedServer, u"Unable to connect: Adaptive Server is unavailable or does not exist"_s},
        {u"no-such-host.invalid"_s, u"Unknown host machine name."_s},
    };
    for (const Case& c : cases) {
        toolkit.clear();
        EXPECT_FALSE(ModMain::ConnectServer(c.server, u"x"_s)) << c.server.toStdString();
        expectOneFailureBox(c.text);
    }
}

TEST_F(ConnectServerTest, ReconnectingActsOnTheSameConnection) {
    SqlsimFixture sim(u"conn-2000.json"_s);
    tarnwick::OdbcConnection* const connection = &ModMain::serverConnection().Connection;
    ASSERT_TRUE(sim.connect());
    connection->close();
    EXPECT_THROW(connection->close(), tarnwick::DbError);  // the reconnect command relies on this
    ASSERT_TRUE(sim.connect());
    EXPECT_EQ(&ModMain::serverConnection().Connection, connection);
    EXPECT_TRUE(connection->isOpen());
    EXPECT_EQ(sim.journalTexts(), (QStringList{versionQuery, versionQuery}));
}

}  // namespace
