// The TDS server over loopback with a bare client: login, replies, RPCs, attention, faults,
// journal, many connections and hostile input.

#include "tests/sqlsim/FakeEngine.h"
#include "tests/sqlsim/TdsTestClient.h"
#include "sqlsim/protocol/Packet.h"
#include "sqlsim/protocol/Server.h"

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

using namespace sqlsim;
using namespace sqlsim::test;
using namespace std::chrono_literals;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { startWith(Profile::Sql2000); }
    void TearDown() override { server->stop(); }

    void startWith(Profile profile, const Collation& collation = Collation::standard())
    {
        if (server)
            server->stop();
        engine = std::make_shared<FakeEngine>(profile);
        engine->setCollation(collation);
        server = std::make_unique<Server>(engine);
        port = server->start(0);
        ASSERT_NE(port, 0);
    }

    // A fresh client can still log in and run a batch.
    void expectServing()
    {
        TdsTestClient c;
        ASSERT_TRUE(c.login(port));
        const WireResponse r = c.batch(QStringLiteral("select @@version"));
        ASSERT_TRUE(r.complete);
        EXPECT_EQ(r.summary(), u"COLMETADATA ROW DONE(10,1)");
    }

    std::shared_ptr<FakeEngine> engine;
    std::unique_ptr<Server> server;
    quint16 port = 0;
};

quint16 spidIn(const QByteArray& header)
{
    return quint16((quint8(header[4]) << 8) | quint8(header[5]));
}

}  // namespace

TEST_F(ServerTest, PreloginAndLoginResponseOf2000)
{
    TdsTestClient c;
    ASSERT_TRUE(c.connect(port));
    ASSERT_TRUE(c.sendMessage(0x12, buildPrelogin()));
    const WireResponse pre = c.readResponse();
    ASSERT_TRUE(pre.complete);
    EXPECT_EQ(pre.headers[0], hex("04 01 00 25 00 33 01 00"));
    EXPECT_EQ(pre.payload, hex("00 0015 0006 01 001b 0001 02 001c 0001 03 001d 0000 ff 08 00 07 f7 00 00 02 00"));

    Login7Fields f;
    f.database = QStringLiteral("alpha");
    f.packetSize = 8192;
    ASSERT_TRUE(c.sendMessage(0x10, buildLogin7(f)));
    const WireResponse r = c.readResponse();
    ASSERT_TRUE(r.complete) << r.decodeError.toStdString();
    EXPECT_EQ(r.summary(),
              u"ENVCHANGE(1) INFO(5701) ENVCHANGE(7) ENVCHANGE(2) INFO(5703) LOGINACK ENVCHANGE(4) DONE(0,0)");
    EXPECT_EQ(spidIn(r.headers[0]), 51);
    EXPECT_EQ(r.tokens[0].text, u"alpha");
    EXPECT_EQ(r.tokens[1].text, u"Changed database context to 'alpha'.");
    EXPECT_EQ(r.tokens[2].raw, hex("0904d00034"));
    EXPECT_EQ(r.tokens[3].text, u"us_english");
    EXPECT_EQ(r.tokens[4].text, u"Changed language setting to us_english.");
    EXPECT_EQ(r.tokens[5].raw.left(5), hex("01 71000001"));
    EXPECT_EQ(r.tokens[5].raw.right(4), hex("08 00 07 f7"));
    EXPECT_EQ(r.tokens[6].text, u"8192");
    ASSERT_EQ(engine->logins().size(), 1u);
    EXPECT_EQ(engine->logins()[0].password, u"Secret1");
    EXPECT_EQ(engine->logins()[0].database, u"alpha");
    EXPECT_EQ(engine->logins()[0].tdsVersion, 0x71000001u);
}

TEST_F(ServerTest, WrongPasswordGets18456AndTheConnectionCloses)
{
    TdsTestClient c;
    Login7Fields f;
    f.password = QStringLiteral("wrong");
    EXPECT_FALSE(c.login(port, f));
    // login() consumed the reply; look at it again on a second attempt.
    TdsTestClient d;
    ASSERT_TRUE(d.connect(port));
    ASSERT_TRUE(d.sendMessage(0x10, buildLogin7(f)));
    const WireResponse r = d.readResponse();
    EXPECT_EQ(r.summary(), u"ERROR(18456) DONE(2,0)");
    EXPECT_EQ(r.tokens[0].severity, 14);
    EXPECT_EQ(r.tokens[0].state, 1);
    EXPECT_EQ(r.tokens[0].text, u"Login failed for user 'sa'.");
    EXPECT_TRUE(d.waitClosed());
    expectServing();
}

TEST_F(ServerTest, SeventyProfileClosesOnPreloginAndSpeaksSeventy)
{
    startWith(Profile::Sql70);
    TdsTestClient c;
    ASSERT_TRUE(c.connect(port));
    ASSERT_TRUE(c.sendMessage(0x12, buildPrelogin()));
    const WireResponse pre = c.readResponse();
    EXPECT_TRUE(pre.closed);
    EXPECT_TRUE(pre.payload.isEmpty());

    Login7Fields f;
    f.tdsVersion = 0x70000000;
    TdsTestClient d;
    ASSERT_TRUE(d.connect(port));
    d.setV71(false);
    ASSERT_TRUE(d.sendMessage(0x10, buildLogin7(f)));
    const WireResponse r = d.readResponse();
    EXPECT_EQ(r.summary(),
              u"ENVCHANGE(1) INFO(5701) ENVCHANGE(3) ENVCHANGE(2) INFO(5703) LOGINACK ENVCHANGE(4) DONE(0,0)");
    EXPECT_EQ(r.tokens[2].text, u"cp1252");
    EXPECT_EQ(r.tokens[5].raw.left(5), hex("01 07000000"));
    EXPECT_EQ(r.tokens[5].raw.right(4), hex("07 00 02 6f"));
    const WireResponse typed = d.batch(QStringLiteral("select typed"));
    ASSERT_TRUE(typed.decodeError.isEmpty()) << typed.decodeError.toStdString();
    EXPECT_EQ(typed.tokens[1].values.join(u'|'), u"-7|300|检测 ok|ab   |caf\u00e9 \u0080");
}

TEST_F(ServerTest, TwoThousandProfileAnswersASeventyLoginInSeventyLayout)
{
    TdsTestClient c;
    Login7Fields f;
    f.tdsVersion = 0x70000000;
    ASSERT_TRUE(c.login(port, f, false));
    const WireResponse r = c.batch(QStringLiteral("select typed"));
    ASSERT_TRUE(r.decodeError.isEmpty()) << r.decodeError.toStdString();
    EXPECT_EQ(r.summary(), u"COLMETADATA ROW ROW DONE(10,2)");
    EXPECT_EQ(r.tokens[2].values.join(u'|'), u"NULL|NULL|NULL|NULL|NULL");
}

TEST_F(ServerTest, DoneMoreOnAllButTheLastDone)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    const WireResponse r = c.batch(QStringLiteral("two errors"));
    EXPECT_EQ(r.summary(), u"INFO(0) DONE(1,0) ERROR(208) DONE(3,0) DONE(0,0)");
    EXPECT_EQ(r.tokens[2].text, u"Invalid object name 'x'.");
    EXPECT_EQ(r.tokens[2].severity, 16);
    EXPECT_EQ(r.tokens[2].serverName, u"SQLSIM");
    EXPECT_EQ(r.tokens[2].line, 1);
}

TEST_F(ServerTest, LargeBatchesAndResultsSpanPacketsOfTheNegotiatedSize)
{
    TdsTestClient c;
    Login7Fields f;
    f.packetSize = 512;
    ASSERT_TRUE(c.login(port, f));
    // A batch of many packets arrives whole.
    const QString text = QStringLiteral("-- ") + QString(3000, u'中');
    ASSERT_TRUE(c.batch(text, 512).complete);
    EXPECT_EQ(engine->batches().last(), text);

    const WireResponse r = c.batch(QStringLiteral("select rows 50 width 100"));
    ASSERT_TRUE(r.complete);
    ASSERT_TRUE(r.decodeError.isEmpty());
    EXPECT_EQ(r.tokens.size(), 52u);
    EXPECT_EQ(r.tokens[50].values.value(0), QString(100, u'x'));
    EXPECT_GT(r.headers.size(), 20u);
    for (size_t i = 0; i < r.headers.size(); ++i) {
        const auto h = tds::decodeHeader(r.headers[i].constData());
        EXPECT_EQ(h.type, 0x04);
        EXPECT_EQ(h.spid, 51);
        EXPECT_LE(h.length, 512);
        EXPECT_EQ(h.status, i + 1 == r.headers.size() ? 0x01 : 0x00);
        if (i + 1 < r.headers.size()) {
            EXPECT_EQ(h.length, 512);
        }
    }
}

TEST_F(ServerTest, AttentionIsAnsweredAfterTheBatchAndDuringIt)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.batch(QStringLiteral("select @@version")).complete);
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    EXPECT_EQ(c.readResponse().summary(), u"DONE(20,0)");

    Fault slow;
    slow.pattern = QRegularExpression(QStringLiteral("^slow$"));
    slow.action = Fault::Action::Sleep;
    slow.delay = 30s;
    server->addFault(slow);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(QStringLiteral("slow"))));
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    EXPECT_EQ(c.readResponse().summary(), u"DONE(20,0)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(engine->batches().contains(QStringLiteral("slow")))
        << "a cancelled batch does not run";
    EXPECT_EQ(c.batch(QStringLiteral("select @@version")).summary(), u"COLMETADATA ROW DONE(10,1)");
}

TEST_F(ServerTest, AttentionStopsALongReplyAtARowBoundary)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    // About 20 MB of rows: far more than the socket buffers hold, so the server is still writing
    // when the attention arrives.
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(QStringLiteral("select rows 100000 width 100"))));
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    const WireResponse r = c.readResponse(20000);
    ASSERT_TRUE(r.complete);
    ASSERT_TRUE(r.decodeError.isEmpty()) << r.decodeError.toStdString();
    ASSERT_GE(r.tokens.size(), 2u);
    EXPECT_EQ(r.tokens.front().type, 0x81);
    EXPECT_EQ(r.tokens.back().type, 0xFD);
    EXPECT_EQ(r.tokens.back().status, 0x20);
    EXPECT_LT(r.tokens.size(), 100000u) << "the rows after the attention are not sent";
    EXPECT_EQ(c.batch(QStringLiteral("select @@version")).summary(), u"COLMETADATA ROW DONE(10,1)");
}

TEST_F(ServerTest, IgnoredMessageGetsOneDone)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(QStringLiteral("select @@version")), 4096, tds::status::Ignore));
    EXPECT_EQ(c.readResponse().summary(), u"DONE(0,0)");
    EXPECT_TRUE(engine->batches().isEmpty());
}

TEST_F(ServerTest, RpcsGoToTheSessionWithTheirParameters)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    const TestParam handle{{}, {}, {}, true, true};
    const TestParam noParams{{}, {}, {}, false, false};
    const TestParam stmt{{}, QStringLiteral("select @@version"), {}, false, false};
    ASSERT_TRUE(c.sendMessage(0x03, buildRpc(13, {}, {handle, noParams, stmt})));
    EXPECT_EQ(c.readResponse().summary(),
              u"COLMETADATA ROW DONEINPROC(11,1) RETURNSTATUS(0) RETURNVALUE(=1) DONEPROC(0,0)");
    ASSERT_TRUE(c.sendMessage(0x03, buildRpc(0, QStringLiteral("sp_who"), {{QStringLiteral("@x"), QStringLiteral("y"), {}, false, false}})));
    EXPECT_EQ(c.readResponse().summary(), u"RETURNSTATUS(0) DONEPROC(0,0)");
    ASSERT_EQ(engine->rpcs().size(), 2u);
    EXPECT_EQ(engine->rpcs()[0].procId, 13);
    EXPECT_EQ(engine->rpcs()[0].params[2].value.toString(), u"select @@version");
    EXPECT_EQ(engine->rpcs()[1].procName, u"sp_who");
    EXPECT_EQ(engine->rpcs()[1].params[0].value.toString(), u"y");
}

TEST_F(ServerTest, JournalRecordsEveryRequestWithTheDatabaseAtArrival)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("journal.jsonl"));
    server->setJournalFile(file);
    TdsTestClient a;
    TdsTestClient b;
    ASSERT_TRUE(a.login(port));
    ASSERT_TRUE(b.login(port));
    a.batch(QStringLiteral("use alpha"));
    a.batch(QStringLiteral("select \"x\"\r\n\tfrom t"));
    b.batch(QStringLiteral("select 1"));
    ASSERT_TRUE(b.sendMessage(0x03, buildRpc(10, {}, {{QStringLiteral("@stmt"), QStringLiteral("it's"), {}, false, false}})));
    b.readResponse();

    const auto all = server->journal();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].conn, 1);
    EXPECT_EQ(all[0].db, u"master");
    EXPECT_EQ(all[1].db, u"alpha");
    EXPECT_EQ(all[1].text, u"select \"x\"\r\n\tfrom t");
    EXPECT_EQ(all[3].conn, 2);
    EXPECT_EQ(all[3].text, u"RPC sp_executesql @stmt=N'it''s'");
    EXPECT_EQ(server->journalOf(2).size(), 2u);

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QByteArray(R"({"conn":1,"db":"master","text":"use alpha"})"));
    EXPECT_EQ(lines[1], QByteArray(R"({"conn":1,"db":"alpha","text":"select \"x\"\r\n\tfrom t"})"));
    EXPECT_EQ(lines[4], QByteArray());

    server->clearJournal();
    EXPECT_TRUE(server->journal().empty());
}

TEST_F(ServerTest, InjectedFaults)
{
    Fault fail;
    fail.pattern = QRegularExpression(QStringLiteral("DROP TABLE"));
    fail.errorNumber = 3701;
    fail.severity = 11;
    fail.state = 5;
    fail.errorText = QStringLiteral("Cannot drop the table 'x'.");
    server->addFault(fail);
    Fault second;  // the 2nd request of connection 2 only, twice
    second.conn = 2;
    second.requestIndex = 2;
    second.times = 2;
    server->addFault(second);

    TdsTestClient a;
    ASSERT_TRUE(a.login(port));
    const WireResponse failed = a.batch(QStringLiteral("x DROP TABLE y"));
    EXPECT_EQ(failed.summary(), u"ERROR(3701) DONE(2,0)");
    EXPECT_EQ(failed.tokens[0].text, u"Cannot drop the table 'x'.");
    EXPECT_EQ(failed.tokens[0].severity, 11);
    EXPECT_EQ(failed.tokens[0].state, 5);
    EXPECT_FALSE(engine->batches().contains(QStringLiteral("x DROP TABLE y")));
    EXPECT_EQ(a.batch(QStringLiteral("x DROP TABLE y")).summary(), u"DONE(0,0)") << "times = 1";
    EXPECT_EQ(a.batch(QStringLiteral("second")).summary(), u"DONE(0,0)") << "connection 1 is not affected";

    TdsTestClient b;
    ASSERT_TRUE(b.login(port));
    EXPECT_EQ(b.batch(QStringLiteral("one")).summary(), u"DONE(0,0)");
    EXPECT_EQ(b.batch(QStringLiteral("two")).summary(), u"ERROR(50000) DONE(2,0)");
    EXPECT_EQ(b.batch(QStringLiteral("three")).summary(), u"DONE(0,0)");
    // Both requests were journalled, the failed one too.
    EXPECT_EQ(server->journalOf(2).size(), 3u);

    Fault drop;
    drop.pattern = QRegularExpression(QStringLiteral("^bye$"));
    drop.action = Fault::Action::Drop;
    server->addFault(drop);
    ASSERT_TRUE(b.sendMessage(0x01, ucs2(QStringLiteral("bye"))));
    EXPECT_TRUE(b.readResponse().closed);
    EXPECT_EQ(a.batch(QStringLiteral("select @@version")).summary(), u"COLMETADATA ROW DONE(10,1)");

    Fault rpcFail;
    rpcFail.pattern = QRegularExpression(QStringLiteral("select 9"));
    server->addFault(rpcFail);
    ASSERT_TRUE(a.sendMessage(0x03, buildRpc(10, {}, {{QStringLiteral("@stmt"), QStringLiteral("select 9"), {}, false, false}})));
    EXPECT_EQ(a.readResponse().summary(), u"ERROR(50000) DONEPROC(2,0)");

    Fault pause;
    pause.pattern = QRegularExpression(QStringLiteral("^pause$"));
    pause.action = Fault::Action::Sleep;
    pause.delay = 150ms;
    server->addFault(pause);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(a.batch(QStringLiteral("pause")).summary(), u"DONE(0,0)");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_TRUE(engine->batches().contains(QStringLiteral("pause")));

    server->addFault(fail);
    server->clearFaults();
    EXPECT_EQ(a.batch(QStringLiteral("x DROP TABLE y")).summary(), u"DONE(0,0)");
}

TEST_F(ServerTest, EngineClosesTheConnectionAfterItsReply)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    EXPECT_EQ(c.batch(QStringLiteral("quit")).summary(), u"DONE(0,0)");
    EXPECT_TRUE(c.waitClosed());
}

TEST_F(ServerTest, AnEngineExceptionDropsOnlyThatConnection)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(QStringLiteral("throw"))));
    EXPECT_TRUE(c.readResponse().closed);
    EXPECT_EQ(engine->disconnects(), 1);
    expectServing();
}

TEST_F(ServerTest, ManyConnectionsAtOnceEachWithItsDatabase)
{
    constexpr int clients = 8;
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            TdsTestClient c;
            if (!c.login(port))
                return;
            const QString db = i % 2 ? QStringLiteral("alpha") : QStringLiteral("beta");
            if (c.batch(u"use " + db).summary() != u"ENVCHANGE(1) INFO(5701) DONE(0,0)")
                return;
            for (int k = 0; k < 20; ++k) {
                if (c.batch(QStringLiteral("select rows 30 width 10")).tokens.size() != 32)
                    return;
            }
            ++good;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(good, clients);
    const auto all = server->journal();
    EXPECT_EQ(all.size(), size_t(clients * 21));
    // Connection numbers follow accept order: each connection's entries after its USE carry the
    // database it chose, whatever the others did meanwhile.
    std::map<int, QString> chosen;
    for (const JournalEntry& e : all) {
        if (e.text.startsWith(u"use ")) {
            EXPECT_EQ(e.db, u"master");
            chosen[e.conn] = e.text.mid(4);
        } else {
            EXPECT_EQ(e.db, chosen[e.conn]) << e.conn;
        }
    }
    EXPECT_EQ(chosen.size(), size_t(clients));
}

TEST_F(ServerTest, HostileInputClosesOnlyThatConnection)
{
    const QByteArray login = tds::framePackets(buildLogin7({}), 4096, 0, tds::PacketType::Login7);
    Login7Fields lying;
    QByteArray badOffsets = buildLogin7(lying);
    badOffsets[40] = char(0xFF);
    badOffsets[41] = char(0x7F);
    struct Case {
        const char* name;
        QByteArray bytes;
        bool loginFirst;
        bool clientLeaves;  // the client goes away mid-packet instead of waiting to be dropped
    };
    const std::vector<Case> cases = {
        {"three bytes of a header", hex("12 01 00"), false, true},
        {"length below the header size", hex("12 01 00 04 00 00 01 00"), false, false},
        {"length larger than what follows", hex("12 01 01 00 00 00 01 00 ff"), false, true},
        {"server packet type", hex("04 01 00 09 00 00 01 00 00"), false, false},
        {"garbage pre-login", hex("12 01 00 0c 00 00 01 00 01 02 03 04"), false, false},
        {"LOGIN7 with offsets out of range", tds::framePackets(badOffsets, 4096, 0, tds::PacketType::Login7), false, false},
        {"batch before login", tds::framePackets(ucs2(QStringLiteral("select 1")), 4096, 0, tds::PacketType::SqlBatch), false, false},
        {"second login", login, true, false},
        {"RPC that lies about its parameter length", tds::framePackets(hex("ffff 0a00 0000 00 00 e7 401f 0904d00034 ff00 41"), 4096, 0, tds::PacketType::Rpc), true, false},
        {"batch cut off mid-packet", hex("01 01 00 40 00 00 01 00 73 00"), true, true},
    };
    for (const Case& c : cases) {
        TdsTestClient client;
        if (c.loginFirst)
            ASSERT_TRUE(client.login(port)) << c.name;
        else
            ASSERT_TRUE(client.connect(port)) << c.name;
        ASSERT_TRUE(client.sendRaw(c.bytes)) << c.name;
        if (c.clientLeaves)
            client.close();
        else
            EXPECT_TRUE(client.waitClosed()) << c.name;
        expectServing();
    }
}

TEST_F(ServerTest, TenMegabyteBatchIsServed)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    const QString text = QStringLiteral("-- ") + QString(5 * 1024 * 1024, u'x');
    const WireResponse r = c.batch(text, 32767);
    EXPECT_EQ(r.summary(), u"DONE(0,0)");
    EXPECT_EQ(engine->batches().last().size(), text.size());
}

// 100,000 random packets over loopback from logged-in and fresh connections; the server must
// keep serving everyone else.
TEST_F(ServerTest, HundredThousandRandomPacketsLeaveTheServerServing)
{
    std::mt19937 rng(1205);
    const quint8 types[] = {0x01, 0x03, 0x06, 0x10, 0x12, 0x01, 0x01, 0x06};
    int sent = 0;
    int connections = 0;
    while (sent < 100000) {
        TdsTestClient c;
        const bool loggedIn = rng() % 4 != 0;
        if (loggedIn)
            ASSERT_TRUE(c.login(port));
        else
            ASSERT_TRUE(c.connect(port));
        ++connections;
        QByteArray wire;
        const int burst = 500 + int(rng() % 1500);
        for (int i = 0; i < burst; ++i) {
            QByteArray payload(int(rng() % 64), '\0');
            for (char& ch : payload)
                ch = char(rng());
            tds::PacketHeader h;
            h.type = types[rng() % std::size(types)];
            h.status = quint8(rng() % 8 == 0 ? rng() : 1);
            h.length = quint16(rng() % 50 == 0 ? rng() : quint32(payload.size() + 8));
            char header[8];
            tds::encodeHeader(h, header);
            wire.append(header, 8);
            wire.append(payload);
        }
        sent += burst;
        c.sendRaw(wire);  // the server may close early; that is fine
        c.close();
    }
    EXPECT_GE(sent, 100000);
    EXPECT_GT(connections, 10);
    expectServing();
    // Every bad connection's thread ends.
    for (int i = 0; i < 100 && server->openConnections() > 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(server->openConnections(), 0);
}

TEST_F(ServerTest, StopEndsOpenConnections)
{
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    EXPECT_EQ(server->openConnections(), 1);
    server->stop();
    EXPECT_TRUE(c.waitClosed());
    EXPECT_EQ(engine->disconnects(), 1);
    port = server->start(0);
    expectServing();
}
