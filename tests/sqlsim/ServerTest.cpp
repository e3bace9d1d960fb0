// The TDS server over loopback with a bare client and the real engine: the pre-login and login
// bytes, packets of the negotiated size, attention, ignored messages, many connections at once and
// hostile input. What well-behaved clients see is tested through FreeTDS end to end.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/Scenario.h"
#include "sqlsim/protocol/Packet.h"
#include "sqlsim/protocol/Server.h"
#include "tests/sqlsim/TdsTestClient.h"
#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::test;
using namespace std::chrono_literals;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const QString kVersion = u"select @@version"_s;
// The DONE that ends a reply, as "DONE(status,count)" with the status in hex.
QString doneOf(const WireResponse& r) {
    const FinalDone d = finalDone(r.payload);
    return d.found ? u"DONE(%1,%2)"_s.arg(d.status, 0, 16).arg(d.rowCount) : u"no DONE"_s;
}
// The reply carries the text (as UCS-2, the way names and messages travel).
bool carries(const WireResponse& r, const QString& text) {
    return r.payload.contains(ucs2(text));
}
const QString kVersionReply = u"DONE(10,1)"_s;
// 100,000 rows of 100 characters: far more than the socket buffers hold.
const QString kLongReply = u"select payload from payloads"_s;

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const Scenario scenario =
            Scenario::fromFile(QStringLiteral(TARNWICK_TEST_DATA "/proto-clients.json"));
        engine = Engine::create(scenario);
        server = std::make_unique<Server>(engine);
        port = server->start(0);
        ASSERT_NE(port, 0);
    }
    void TearDown() override { server->stop(); }

    // A fresh client can still log in and run a batch.
    void expectServing() {
        TdsTestClient c;
        ASSERT_TRUE(c.login(port));
        EXPECT_EQ(doneOf(c.batch(kVersion)), kVersionReply);
    }

    // Waits until the server has received the batch (it then runs or waits in the engine).
    bool received(const QString& text) {
        for (int i = 0; i < 500; ++i) {
            if (journalTexts().contains(text)) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    QStringList journalTexts() const {
        QStringList texts;
        for (const JournalEntry& e : server->journal()) texts << e.text;
        return texts;
    }

    std::shared_ptr<Engine> engine;
    std::unique_ptr<Server> server;
    quint16 port = 0;
};

}  // namespace

TEST_F(ServerTest, PreloginAndLoginResponseOf2000) {
    TdsTestClient c;
    ASSERT_TRUE(c.connect(port));
    ASSERT_TRUE(c.sendMessage(0x12, buildPrelogin()));
    const WireResponse pre = c.readResponse();
    ASSERT_TRUE(pre.complete);
    EXPECT_EQ(pre.headers[0], hex("04 01 00 25 00 33 01 00"));
    EXPECT_EQ(
        pre.payload,
        hex("00 0015 0006 01 001b 0001 02 001c 0001 03 001d 0000 ff 08 00 07 f7 00 00 02 00"));

    Login7Fields f;
    f.database = u"Sales2004"_s;
    f.packetSize = 8192;
    ASSERT_TRUE(c.sendMessage(0x10, buildLogin7(f)));
    const WireResponse r = c.readResponse();
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(quint16((quint8(r.headers[0][4]) << 8) | quint8(r.headers[0][5])), 51) << "spid";
    EXPECT_EQ(quint8(r.payload[0]), 0xE3) << "the reply opens with the database change";
    EXPECT_TRUE(carries(r, u"Changed database context to 'Sales2004'."_s));
    EXPECT_TRUE(r.payload.contains(hex("0904d00034"))) << "the collation";
    EXPECT_TRUE(r.payload.contains(hex("01 71000001"))) << "LOGINACK for TDS 7.1";
    EXPECT_TRUE(carries(r, u"8192"_s)) << "the packet size granted";
    EXPECT_EQ(doneOf(r), u"DONE(0,0)"_s);
}

TEST_F(ServerTest, LargeBatchesAndResultsSpanPacketsOfTheNegotiatedSize) {
    TdsTestClient c;
    Login7Fields f;
    f.packetSize = 512;
    ASSERT_TRUE(c.login(port, f));
    // A batch of many packets arrives whole.
    const QString text = u"-- "_s + QString(3000, u'中');
    ASSERT_TRUE(c.batch(text, 512).complete);
    EXPECT_EQ(journalTexts().last(), text);

    ASSERT_TRUE(c.batch(u"use bench"_s).complete);
    const WireResponse r = c.batch(kLongReply);
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(doneOf(r), u"DONE(10,100000)"_s);
    EXPECT_GT(r.payload.size(), 100000 * 100) << "every row came";
    for (size_t i = 0; i < r.headers.size(); ++i) {
        const auto h = tds::decodeHeader(r.headers[i].constData());
        const bool last = i + 1 == r.headers.size();
        ASSERT_EQ(h.type, 0x04);
        ASSERT_EQ(h.spid, 51);
        ASSERT_EQ(h.status, last ? 0x01 : 0x00) << i;
        if (!last) {
            ASSERT_EQ(h.length, 512) << i;
        }
    }
}

TEST_F(ServerTest, TenMegabyteBatchIsServed) {
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    const QString text = u"-- "_s + QString(5 * 1024 * 1024, u'x');
    EXPECT_TRUE(c.batch(text, 32767).complete);
    EXPECT_EQ(journalTexts().last().size(), text.size());
}

TEST_F(ServerTest, AttentionIsAnsweredAfterTheBatchAndDuringIt) {
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.batch(kVersion).complete);
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    EXPECT_EQ(doneOf(c.readResponse()), u"DONE(20,0)"_s);

    Fault slow;
    slow.pattern = QRegularExpression(u"^use archive$"_s);
    slow.action = Fault::Action::Sleep;
    slow.delay = 30s;
    server->addFault(slow);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(u"use archive"_s)));
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    EXPECT_EQ(doneOf(c.readResponse()), u"DONE(20,0)"_s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    const WireResponse db = c.batch(u"select db_name()"_s);
    EXPECT_TRUE(carries(db, u"master"_s)) << "a cancelled batch does not run";
}

TEST_F(ServerTest, AttentionStopsALongReplyAtARowBoundary) {
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.batch(u"use bench"_s).complete);
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(kLongReply)));
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    const WireResponse r = c.readResponse(20000);
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(quint8(r.payload[0]), 0x81) << "the columns came first";
    EXPECT_EQ(doneOf(r), u"DONE(20,0)"_s);
    EXPECT_LT(r.payload.size(), 100000 * 100) << "the rows after the attention are not sent";
    EXPECT_EQ(doneOf(c.batch(kVersion)), kVersionReply);
}

// While a DBCC works the server keeps reading the client: an attention stops the statement, what
// it was to capture is not inserted, the interrupted reply ends with DONE_ERROR and the
// acknowledgement (DONE_ATTN, command 0xFD) follows as a message of its own.
TEST_F(ServerTest, AttentionStopsASlowDbccAndItsCapture) {
    engine->setDbccPagesPerSecond(0.01);  // Sales2004's 20,000 pages: weeks
    TdsTestClient c;
    Login7Fields f;
    f.database = u"Sales2004"_s;
    ASSERT_TRUE(c.login(port, f));
    ASSERT_EQ(doneOf(c.batch(u"create table R (a varchar(100), b varchar(100), c varchar(100), "
                             u"d varchar(4000), e varchar(100), f varchar(100), g varchar(100), "
                             u"h varchar(100), i varchar(100), j varchar(100), k varchar(100), "
                             u"l varchar(100), m varchar(100), n varchar(100), o varchar(100), "
                             u"p varchar(100))"_s)),
              u"DONE(0,0)"_s);
    const QString capture = u"insert into R exec('dbcc checkdb(Sales2004) with tableresults')"_s;
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(capture)));
    ASSERT_TRUE(received(capture));
    ASSERT_TRUE(c.sendMessage(0x06, {}));
    const WireResponse stopped = c.readResponse();
    EXPECT_EQ(stopped.payload, hex("fd 0200 0000 00000000")) << "DONE_ERROR, no ERROR token";
    const WireResponse ack = c.readResponse();
    EXPECT_EQ(ack.payload, hex("fd 2000 fd00 00000000"));
    EXPECT_TRUE(engine->tableRows(u"Sales2004"_s, u"R"_s).empty());
    EXPECT_EQ(doneOf(c.batch(kVersion)), kVersionReply) << "the connection goes on";

    // Without the time model the same capture answers at once.
    engine->setDbccPagesPerSecond(0);
    EXPECT_EQ(doneOf(c.batch(capture)), u"DONE(10,34)"_s);
}

// A client that leaves during a slow statement, or a server stopped meanwhile, ends that
// connection only; a database the client held single-user stays single-user and is free to enter.
TEST_F(ServerTest, ConnectionsEndingDuringASlowDbcc) {
    engine->setDbccPagesPerSecond(0.01);
    engine->setSingleUser(u"Sales2004"_s, true);
    const QString check = u"dbcc checkdb(Sales2004)"_s;
    {
        TdsTestClient c;
        Login7Fields f;
        f.database = u"Sales2004"_s;
        ASSERT_TRUE(c.login(port, f));
        ASSERT_TRUE(c.sendMessage(0x01, ucs2(check)));
        ASSERT_TRUE(received(check));
    }
    for (int i = 0; i < 500 && server->openConnections() > 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(server->openConnections(), 0);
    EXPECT_TRUE(engine->isSingleUser(u"Sales2004"_s));
    EXPECT_TRUE(engine->sessionsIn(u"Sales2004"_s).isEmpty());

    TdsTestClient next;
    ASSERT_TRUE(next.login(port));
    EXPECT_TRUE(
        carries(next.batch(u"use Sales2004"_s), u"Changed database context to 'Sales2004'."_s));
    server->clearJournal();
    ASSERT_TRUE(next.sendMessage(0x01, ucs2(check)));
    ASSERT_TRUE(received(check));
    server->stop();
    EXPECT_TRUE(next.waitClosed());
    port = server->start(0);
    expectServing();
}

TEST_F(ServerTest, IgnoredMessageGetsOneDone) {
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    ASSERT_TRUE(c.sendMessage(0x01, ucs2(kVersion), 4096, tds::status::Ignore));
    const WireResponse r = c.readResponse();
    EXPECT_EQ(r.payload.size(), 9);
    EXPECT_EQ(doneOf(r), u"DONE(0,0)"_s);
    EXPECT_TRUE(server->journal().empty());
}

TEST_F(ServerTest, ManyConnectionsAtOnceEachWithItsDatabase) {
    constexpr int clients = 8;
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            TdsTestClient c;
            if (!c.login(port)) return;
            const QString db = i % 2 ? u"Sales2004"_s : u"archive"_s;
            if (!carries(c.batch(u"use " + db), u"Changed database context to '"_s + db + u"'."_s))
                return;
            for (int k = 0; k < 20; ++k)
                if (!carries(c.batch(u"select db_name()"_s), db)) return;
            ++good;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(good, clients);
    // Each connection's entries after its USE carry the database it chose, whatever the others
    // did meanwhile.
    std::map<int, QString> chosen;
    const auto all = server->journal();
    EXPECT_EQ(all.size(), size_t(clients * 21));
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

TEST_F(ServerTest, HostileInputClosesOnlyThatConnection) {
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
        {"LOGIN7 with offsets out of range",
         tds::framePackets(badOffsets, 4096, 0, tds::PacketType::Login7), false, false},
        {"batch before login",
         tds::framePackets(ucs2(u"select 1"_s), 4096, 0, tds::PacketType::SqlBatch), false, false},
        {"second login", login, true, false},
        {"RPC that lies about its parameter length",
         tds::framePackets(hex("ffff 0a00 0000 00 00 e7 401f 0904d00034 ff00 41"), 4096, 0,
                           tds::PacketType::Rpc),
         true, false},
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

// 100,000 random packets over loopback from logged-in and fresh connections; the server must
// keep serving everyone else.
TEST_F(ServerTest, HundredThousandRandomPacketsLeaveTheServerServing) {
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
            for (char& ch : payload) ch = char(rng());
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

TEST_F(ServerTest, StopEndsOpenConnections) {
    TdsTestClient c;
    ASSERT_TRUE(c.login(port));
    EXPECT_EQ(server->openConnections(), 1);
    server->stop();
    EXPECT_TRUE(c.waitClosed());
    EXPECT_TRUE(engine->sessionsIn(u"master"_s).isEmpty()) << "the session ended";
    port = server->start(0);
    expectServing();
}
