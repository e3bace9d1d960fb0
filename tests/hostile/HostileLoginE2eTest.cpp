// Hostile login values end to end through FreeTDS to an embedded sqlsim: odd passwords and server
// names, a server that accepts and never answers. Each case ends in one clear message (or a login)
// and a program that logs in normally afterwards. Every address used is a loopback one: the host
// part of each server name is 127.0.0.1, so no name is resolved.

#include "connection/ModMain.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

tarnwick::OdbcConnection& connection() {
    return ModMain::serverConnection().Connection;
}

sqlsim::Scenario serverWithPassword(const QString& password) {
    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    scenario.saPassword = password;
    return scenario;
}

const QString kLoginFailed = u"Login failed for user 'sa'."_s;

// Each case ends in a login or in the login failure's one box; the right password works afterwards.
TEST(HostileLoginTest, PasswordsEndInALoginOrOneMessage) {
    const struct {
        const char* name;
        QString saPassword;
        QString typed;
        bool logsIn;
    } cases[] = {
        {"empty", u""_s, u""_s, true},
        {"blanks only", u"   "_s, u"   "_s, true},
        {"blanks only are not empty", u""_s, u"   "_s, false},
        {"blanks around", u" Secret  "_s, u" Secret  "_s, true},
        {"blanks around count", u"Secret"_s, u"  Secret "_s, false},
        {"case matters", u"Secret"_s, u"secret"_s, false},
        {"equals sign", u"a=b"_s, u"a=b"_s, true},
        {"ten thousand characters", u"p"_s, QString(10000, u'p'), false},
        {"control characters", u"a\tb\r\nc\x01\x1b"_s, u"a\tb\r\nc\x01\x1b"_s, true},
        {"control characters mistyped", u"a\tb\r\nc\x01\x1b"_s, u"a b c"_s, false},
        {"NUL is not the end", u"ab"_s, QString::fromUtf16(u"ab\0cd", 5), false},
        {"Chinese", u"数据库密码"_s, u"数据库密码"_s, true},
        {"Chinese mistyped", u"数据库密码"_s, u"数据库密马"_s, false},
        {"emoji", u"🔑锁😀"_s, u"🔑锁😀"_s, true},
        // Every password logs in as typed; nothing in it can add keys of its own.
        {"braces", u"{a}b}"_s, u"{a}b}"_s, true},
        {"semicolon and brace", u"a;b}c"_s, u"a;b}c"_s, true},
        {"semicolon cut short", u"a"_s, u"a;b"_s, false},
        // The one thing FreeTDS cannot take: it ends a braced value at the first "};".
        {"a brace before a semicolon", u"x"_s, u"x};PORT=1"_s, false},
        {"doubled braces", u"}}{{;"_s, u"}}{{;"_s, true},
        {"quotes", u"\"q'\"\";"_s, u"\"q'\"\";"_s, true},
        {"a key of its own", u"a;Data Source=127.0.0.1,1"_s, u"a;Data Source=127.0.0.1,1"_s, true},
    };
    RecordingToolkit toolkit;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        toolkit.clear();
        SqlsimFixture sim(serverWithPassword(c.saPassword));
        EXPECT_EQ(ModMain::ConnectServer(sim.serverName(), c.typed), c.logsIn);
        EXPECT_EQ(connection().isOpen(), c.logsIn);
        if (c.logsIn) {
            EXPECT_TRUE(toolkit.messageBoxes.empty());
            sim.disconnect();
        } else {
            ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
            EXPECT_EQ(toolkit.messageBoxes[0].text,
                      c.typed.contains(u"};"_s)
                          ? u"The FreeTDS driver cannot take a password that contains \"};\"."_s
                          : kLoginFailed);
            EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbOKOnly);
        }
        toolkit.clear();
        EXPECT_TRUE(sim.connect());
        EXPECT_EQ(ModMain::serverConnection().ServerVersion, u"Microsoft SQL Server  2000"_s);
    }
}

// Server names built around the fixture's "127.0.0.1,<port>" (%1 is the port): each ends in a
// login or in one message, and the program stays usable.
TEST(HostileLoginTest, ServerNamesEndInALoginOrOneMessage) {
    const struct {
        const char* name;
        QString pattern;
        bool logsIn;
    } cases[] = {
        {"blanks around each part", u"  127.0.0.1 ,  %1  "_s, true},
        {"local alias", u"(local),%1"_s, true},
        {"local alias in capitals", u"(LOCAL),%1"_s, true},
        {"dot", u".,%1"_s, true},
        {"localhost", u"LocalHost,%1"_s, true},
        {"a local instance with a port is not looked up", u"(local)\\SQL2000,%1"_s, true},
        {"instance with a blank", u"127.0.0.1\\my instance,%1"_s, true},
        {"instance with braces", u"127.0.0.1\\{x},%1"_s, true},
        {"instance ending in a brace", u"127.0.0.1\\x},%1"_s, true},
        // The name ends at a semicolon: port 1, where nothing listens, and "%1" is a junk piece.
        {"a semicolon cuts the name", u"127.0.0.1,1;%1"_s, false},
        {"a semicolon after the port", u"127.0.0.1,%1;x"_s, true},
        // The driver reads the port as a number and ignores what follows it.
        {"port with letters", u"127.0.0.1,%1x"_s, true},
        {"ten thousand character instance", u"127.0.0.1\\"_s + QString(10000, u'i') + u",%1"_s,
         true},
        {"control characters in the instance", u"127.0.0.1\\a\x01\x1b,%1"_s, true},
        {"NUL in the instance", QString::fromUtf16(u"127.0.0.1\\a\0b,%1", 16), true},
        {"Chinese and emoji instance", u"127.0.0.1\\实例😀,%1"_s, true},
    };
    RecordingToolkit toolkit;
    SqlsimFixture sim(serverWithPassword(u"pw"_s));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        toolkit.clear();
        // A name that leads nowhere must fail soon: nothing here answers on another port.
        connection().setLoginTimeout(2);
        const bool loggedIn = ModMain::ConnectServer(c.pattern.arg(sim.port()), u"pw"_s);
        connection().setLoginTimeout(tarnwick::OdbcConnection::kDefaultLoginTimeoutSeconds);
        EXPECT_EQ(loggedIn, c.logsIn);
        EXPECT_EQ(connection().isOpen(), loggedIn);
        EXPECT_EQ(toolkit.messageBoxes.size(), loggedIn ? 0u : 1u);
        if (!loggedIn && !toolkit.messageBoxes.empty()) {
            EXPECT_EQ(toolkit.messageBoxes[0].text,
                      u"Unable to connect: Adaptive Server is unavailable or does not exist"_s);
        }
        sim.disconnect();
        toolkit.clear();
        EXPECT_TRUE(sim.connect());
        sim.disconnect();
    }
}

// A loopback listener that takes connections into its backlog and never reads or answers.
class SilentListener {
public:
    SilentListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_fd); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

TEST(HostileServerTest, AServerThatNeverAnswersEndsInOneMessageAfterTheLoginTimeOut) {
    RecordingToolkit toolkit;
    SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    connection().setLoginTimeout(1);
    const bool loggedIn =
        ModMain::ConnectServer(u"127.0.0.1,"_s + QString::number(silent.port()), u"pw"_s);
    connection().setLoginTimeout(tarnwick::OdbcConnection::kDefaultLoginTimeoutSeconds);
    EXPECT_FALSE(loggedIn);
    EXPECT_FALSE(connection().isOpen());
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"Timeout expired"_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbOKOnly);

    toolkit.clear();
    SqlsimFixture sim(serverWithPassword(u"pw"_s));
    EXPECT_TRUE(sim.connect());
}

}  // namespace
