// The TDS parsers and encoders on byte buffers: exact encodings, malformed inputs, a random corpus.

#include "tests/sqlsim/FakeEngine.h"
#include "tests/sqlsim/TdsTestClient.h"
#include "sqlsim/protocol/Bytes.h"
#include "sqlsim/protocol/Login.h"
#include "sqlsim/protocol/Packet.h"
#include "sqlsim/protocol/RpcRequest.h"
#include "sqlsim/protocol/SocketReader.h"
#include "sqlsim/protocol/TokenEncoder.h"

#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <random>

#include <sys/socket.h>
#include <unistd.h>

using namespace sqlsim;
using namespace sqlsim::tds;
using sqlsim::test::buildLogin7;
using sqlsim::test::buildRpc;
using sqlsim::test::Login7Fields;
using sqlsim::test::TestParam;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

PacketHeader header(quint8 type, quint8 status, qsizetype payloadSize)
{
    PacketHeader h;
    h.type = type;
    h.status = status;
    h.length = quint16(payloadSize + HeaderSize);
    return h;
}

}  // namespace

TEST(PacketTest, HeaderRoundTripIsBigEndian)
{
    const QByteArray raw = hex("04 01 00 25 00 34 01 00");
    const PacketHeader h = decodeHeader(raw.constData());
    EXPECT_EQ(h.type, 0x04);
    EXPECT_EQ(h.status, 0x01);
    EXPECT_EQ(h.length, 0x25);
    EXPECT_EQ(h.spid, 0x34);
    EXPECT_EQ(h.packetId, 1);
    char out[8];
    encodeHeader(h, out);
    EXPECT_EQ(QByteArray(out, 8), raw);
}

TEST(PacketTest, AssemblerJoinsPacketsUntilEndOfMessage)
{
    MessageAssembler a;
    EXPECT_EQ(a.add(header(0x01, 0, 3), "abc"), MessageAssembler::Result::Incomplete);
    EXPECT_EQ(a.add(header(0x01, 0, 2), "de"), MessageAssembler::Result::Incomplete);
    EXPECT_EQ(a.add(header(0x01, status::EndOfMessage, 1), "f"), MessageAssembler::Result::Complete);
    EXPECT_EQ(a.type(), 0x01);
    EXPECT_EQ(a.takeMessage(), QByteArray("abcdef"));
    // The next message starts afresh.
    EXPECT_EQ(a.add(header(0x03, status::EndOfMessage, 1), "g"), MessageAssembler::Result::Complete);
    EXPECT_EQ(a.type(), 0x03);
    EXPECT_EQ(a.takeMessage(), QByteArray("g"));
}

TEST(PacketTest, IgnoreBitDiscardsTheMessage)
{
    MessageAssembler a;
    EXPECT_EQ(a.add(header(0x01, 0, 3), "abc"), MessageAssembler::Result::Incomplete);
    EXPECT_EQ(a.add(header(0x01, status::EndOfMessage | status::Ignore, 0), ""),
              MessageAssembler::Result::Ignored);
    EXPECT_EQ(a.add(header(0x01, status::EndOfMessage, 1), "x"), MessageAssembler::Result::Complete);
    EXPECT_EQ(a.takeMessage(), QByteArray("x"));
}

TEST(PacketTest, MalformedPacketsAreErrors)
{
    struct Case {
        const char* name;
        std::vector<std::pair<PacketHeader, QByteArray>> packets;
    };
    PacketHeader shortLength = header(0x01, status::EndOfMessage, 0);
    shortLength.length = 7;
    PacketHeader lying = header(0x01, status::EndOfMessage, 10);
    const std::vector<Case> cases = {
        {"length below the header size", {{shortLength, {}}}},
        {"payload shorter than the length", {{lying, "abc"}}},
        {"server packet type from a client", {{header(0x04, status::EndOfMessage, 1), "x"}}},
        {"unknown packet type", {{header(0x55, status::EndOfMessage, 1), "x"}}},
        {"TDS 4.2 login", {{header(0x02, status::EndOfMessage, 1), "x"}}},
        {"type changes inside a message", {{header(0x01, 0, 1), "x"}, {header(0x03, status::EndOfMessage, 1), "y"}}},
        {"attention without end of message", {{header(0x06, 0, 0), {}}}},
    };
    for (const Case& c : cases) {
        MessageAssembler a;
        MessageAssembler::Result last = MessageAssembler::Result::Incomplete;
        for (const auto& [h, payload] : c.packets)
            last = a.add(h, payload);
        EXPECT_EQ(last, MessageAssembler::Result::Error) << c.name;
        EXPECT_FALSE(a.error().isEmpty()) << c.name;
    }
}

// A header that promises bytes which never come closes the connection after the stall time-out;
// a whole packet followed by silence is read normally.
TEST(PacketTest, ReaderGivesUpOnAStalledPacket)
{
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    sqlsim::tds::SocketReader reader(fds[0], 100);
    const unsigned char whole[] = {0x01, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x01, 0x00, 'x', 0x00};
    const unsigned char partial[] = {0x01, 0x01, 0x00, 0x20, 0x00, 0x00, 0x01, 0x00, 'y'};
    ASSERT_EQ(::write(fds[1], whole, sizeof whole), static_cast<ssize_t>(sizeof whole));
    ASSERT_EQ(::write(fds[1], partial, sizeof partial), static_cast<ssize_t>(sizeof partial));

    sqlsim::tds::PacketHeader header;
    QByteArray payload;
    EXPECT_EQ(reader.readPacket(header, payload), sqlsim::tds::SocketReader::Status::Packet);
    EXPECT_EQ(payload, QByteArray("x\0", 2));
    EXPECT_EQ(reader.readPacket(header, payload), sqlsim::tds::SocketReader::Status::Closed);
    EXPECT_FALSE(reader.error().isEmpty());
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PacketTest, MessageSizeLimit)
{
    MessageAssembler a(10);
    EXPECT_EQ(a.add(header(0x01, 0, 8), "12345678"), MessageAssembler::Result::Incomplete);
    EXPECT_EQ(a.add(header(0x01, status::EndOfMessage, 3), "901"), MessageAssembler::Result::Error);
}

TEST(PacketTest, FramerSplitsAtPacketSizeWithEomOnlyOnTheLast)
{
    const QByteArray payload(1000, 'p');
    for (const int size : {512, 4096}) {
        const QByteArray wire = framePackets(payload, size, 0x0033);
        qsizetype at = 0;
        int packets = 0;
        QByteArray joined;
        while (at < wire.size()) {
            const PacketHeader h = decodeHeader(wire.constData() + at);
            ++packets;
            EXPECT_EQ(h.type, 0x04);
            EXPECT_EQ(h.spid, 0x0033);
            EXPECT_EQ(h.packetId, quint8(packets));
            EXPECT_LE(int(h.length), size);
            joined += wire.mid(at + 8, h.length - 8);
            at += h.length;
            EXPECT_EQ(bool(h.status & status::EndOfMessage), at == wire.size());
        }
        EXPECT_EQ(joined, payload);
        EXPECT_EQ(packets, size == 512 ? 2 : 1);
    }
    // A payload of exactly one packet's room is one packet; an empty payload is one empty packet.
    EXPECT_EQ(framePackets(QByteArray(504, 'x'), 512, 1).size(), 512);
    EXPECT_EQ(framePackets(QByteArray(), 512, 1), hex("04 01 00 08 00 01 01 00"));
}

TEST(PreloginTest, ReplyIsVersionEncryptionNotSupportedInstanceThread)
{
    EXPECT_EQ(preloginReply(8, 0, 2039),
              hex("00 0015 0006 01 001b 0001 02 001c 0001 03 001d 0000 ff 08 00 07 f7 00 00 02 00"));
}

TEST(PreloginTest, ParsesClientOptions)
{
    const auto options = parsePrelogin(sqlsim::test::buildPrelogin());
    ASSERT_TRUE(options);
    ASSERT_EQ(options->size(), 4u);
    EXPECT_EQ((*options)[0].data, hex("080001550000"));
    EXPECT_EQ((*options)[1].data, hex("00"));
    EXPECT_EQ((*options)[2].data, QByteArrayLiteral("MSSQLServer") + '\0');
}

TEST(PreloginTest, RejectsMalformedOptionLists)
{
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", {}},
        {"no terminator", hex("00 0006 0001 00")},
        {"truncated option header", hex("00 00")},
        {"data beyond the payload", hex("00 0006 0010 ff 00")},
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(parsePrelogin(bytes)) << name;
}

TEST(Login7Test, PasswordObfuscationMatchesClients)
{
    // "a" in UCS-2 as FreeTDS sends it: 0x61 -> 0xB3, 0x00 -> 0xA5.
    EXPECT_EQ(encodePasswordBytes(hex("6100")), hex("b3a5"));
    EXPECT_EQ(decodePasswordBytes(hex("b3a5")), hex("6100"));
}

TEST(Login7Test, ParsesEveryLayoutByOffsets)
{
    for (const auto& [version, layout72] :
         std::vector<std::pair<quint32, bool>>{{0x70000000, false}, {0x71000001, false}, {0x74000004, true}}) {
        Login7Fields f;
        f.tdsVersion = version;
        f.layout72 = layout72;
        f.password = QStringLiteral("Päss wörd 密码");
        f.database = QStringLiteral("pubs");
        f.language = QStringLiteral("us_english");
        f.packetSize = 512;
        const Login7Result r = parseLogin7(buildLogin7(f));
        ASSERT_TRUE(r.login) << r.error.toStdString();
        EXPECT_EQ(r.login->tdsVersion, version);
        EXPECT_EQ(r.login->packetSize, 512u);
        EXPECT_EQ(r.login->userName, u"sa");
        EXPECT_EQ(r.login->password, f.password);
        EXPECT_EQ(r.login->database, u"pubs");
        EXPECT_EQ(r.login->hostName, u"testhost");
        EXPECT_EQ(r.login->appName, u"tests");
        EXPECT_EQ(r.login->language, u"us_english");
    }
}

TEST(Login7Test, RejectsLyingOffsetsAndLengths)
{
    const QByteArray good = buildLogin7({});
    const auto patched = [&good](std::initializer_list<std::pair<int, quint16>> fields) {
        QByteArray b = good;
        for (const auto& [at, value] : fields) {
            b[at] = char(value & 0xFF);
            b[at + 1] = char(value >> 8);
        }
        return b;
    };
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"shorter than the fixed part", good.left(80)},
        {"length field larger than the message", patched({{0, quint16(good.size() + 1)}})},
        {"user name offset past the end", patched({{40, quint16(good.size())}})},
        {"password length past the end", patched({{46, 0x7FFF}})},
        {"database offset inside the fixed part", patched({{68, 10}, {70, 2}})},
        {"message cut short", good.left(good.size() - 2)},
    };
    for (const auto& [name, bytes] : cases) {
        const Login7Result r = parseLogin7(bytes);
        EXPECT_FALSE(r.login) << name;
        EXPECT_FALSE(r.error.isEmpty()) << name;
    }
}

TEST(RpcTest, ParsesPrepExecAsOdbcSendsIt)
{
    // unnamed @handle INTN output NULL, @params NTEXT NULL, @stmt NTEXT.
    QByteArray b;
    ByteWriter w(b);
    w.u16(0xFFFF);
    w.u16(13);
    w.u16(0);
    w.u8(0); w.u8(1); w.u8(0x26); w.u8(4); w.u8(0);
    w.u8(0); w.u8(0); w.u8(0x63); w.u32(0x7FFFFFFF); w.bytes(hex("0904d00034")); w.u32(0xFFFFFFFF);
    const QString stmt = QStringLiteral("select 1");
    w.u8(0); w.u8(0); w.u8(0x63); w.u32(0x7FFFFFFF); w.bytes(hex("0904d00034"));
    w.u32(quint32(stmt.size() * 2)); w.ucs2(stmt);
    const RpcParseResult r = parseRpc(b, TdsVersion::V71);
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    ASSERT_EQ(r.calls.size(), 1u);
    const RpcCall& call = r.calls[0];
    EXPECT_EQ(call.procId, 13);
    EXPECT_EQ(call.procName, u"sp_prepexec");
    ASSERT_EQ(call.params.size(), 3u);
    EXPECT_TRUE(call.params[0].output);
    EXPECT_TRUE(call.params[0].value.isNull());
    EXPECT_TRUE(call.params[1].value.isNull());
    EXPECT_EQ(call.params[2].value.toString(), stmt);
    EXPECT_EQ(findParam(call, u"@stmt", 2), &call.params[2]);
    EXPECT_EQ(describeRpc(call), u"RPC sp_prepexec NULL OUTPUT, NULL, N'select 1'");
}

TEST(RpcTest, ParsesNamedCallsAndSeveralInOneMessage)
{
    QByteArray b = buildRpc(0, QStringLiteral("sp_who"),
                            {{QStringLiteral("@loginame"), QStringLiteral("it's"), {}, false, false},
                             {QStringLiteral("@n"), {}, 42, true, true}});
    b.append(char(0x80));
    b += buildRpc(10, {}, {{QStringLiteral("@stmt"), QStringLiteral("select 2"), {}, false, false}});
    const RpcParseResult r = parseRpc(b, TdsVersion::V71);
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    ASSERT_EQ(r.calls.size(), 2u);
    EXPECT_EQ(r.calls[0].procName, u"sp_who");
    EXPECT_EQ(r.calls[0].procId, 0);
    EXPECT_EQ(r.calls[0].params[1].value.toLongLong(), 42);
    EXPECT_EQ(describeRpc(r.calls[0]), u"RPC sp_who @loginame=N'it''s', @n=42 OUTPUT");
    EXPECT_EQ(describeRpc(r.calls[1]), u"RPC sp_executesql @stmt=N'select 2'");
}

TEST(RpcTest, SeventyLayoutHasNoCollation)
{
    const QByteArray b = buildRpc(10, {}, {{QStringLiteral("@stmt"), QStringLiteral("x"), {}, false, false}}, false);
    const RpcParseResult r = parseRpc(b, TdsVersion::V70);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0].params[0].value.toString(), u"x");
    EXPECT_FALSE(parseRpc(b, TdsVersion::V71).error.isEmpty());
}

TEST(RpcTest, RejectsTruncatedAndUnknownInput)
{
    const QByteArray good = buildRpc(10, {}, {{QStringLiteral("@stmt"), QStringLiteral("select 1"), {}, false, false}});
    // Cut anywhere after the procedure id and flags (a call without parameters is complete).
    EXPECT_TRUE(parseRpc(good.left(6), TdsVersion::V71).error.isEmpty());
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        if (cut == 6)
            continue;
        EXPECT_FALSE(parseRpc(good.left(cut), TdsVersion::V71).error.isEmpty()) << "cut at " << cut;
    }
    QByteArray unknownType = good;
    unknownType[good.indexOf(char(0xE7))] = char(0x99);
    EXPECT_FALSE(parseRpc(unknownType, TdsVersion::V71).error.isEmpty());
}

class EncoderTest : public ::testing::Test {
protected:
    TokenEncoder v71{TdsVersion::V71, QStringLiteral("SQLSIM")};
    TokenEncoder v70{TdsVersion::V70, QStringLiteral("SQLSIM")};
    QByteArray out;
};

TEST_F(EncoderTest, LoginTokens)
{
    v71.envChange(out, 1, QStringLiteral("master"), QStringLiteral("master"));
    EXPECT_EQ(out, hex("e3 1b 00 01 06 6d00 6100 7300 7400 6500 7200 06 6d00 6100 7300 7400 6500 7200"));
    out.clear();
    v71.collationEnvChange(out);
    EXPECT_EQ(out, hex("e3 08 00 07 05 09 04 d0 00 34 00"));
    out.clear();
    v71.envChange(out, 4, QStringLiteral("4096"), QStringLiteral("4096"));
    EXPECT_EQ(out, hex("e3 13 00 04 04 3400 3000 3900 3600 04 3400 3000 3900 3600"));
    out.clear();
    v71.loginAck(out, 8, 0, 2039);
    EXPECT_EQ(out, QByteArray(hex("ad 32 00 01 71 00 00 01 14") + sqlsim::test::ucs2(QStringLiteral("Microsoft SQL Server"))
                              + hex("08 00 07 f7")));
    out.clear();
    v70.loginAck(out, 7, 0, 623);
    EXPECT_EQ(out.mid(3, 5), hex("01 07 00 00 00"));
    EXPECT_EQ(out.right(4), hex("07 00 02 6f"));
}

TEST_F(EncoderTest, MessagesUseShortLineNumbers)
{
    Message m;
    m.number = 18456;
    m.severity = 14;
    m.state = 1;
    m.text = QStringLiteral("Login failed for user 'sa'.");
    v71.message(out, m);
    const QByteArray text = sqlsim::test::ucs2(m.text);
    const QByteArray server = sqlsim::test::ucs2(QStringLiteral("SQLSIM"));
    const QByteArray body = hex("18 48 00 00 01 0e") + hex("1b 00") + text + hex("06") + server + hex("00") + hex("01 00");
    EXPECT_EQ(out, QByteArray(hex("aa") + QByteArray(1, char(body.size())) + hex("00") + body));
    out.clear();
    m.severity = 10;
    v71.message(out, m);
    EXPECT_EQ(quint8(out[0]), 0xAB) << "severity 10 is informational";
}

TEST_F(EncoderTest, DoneCarriesFlagsAndFourByteCount)
{
    Done d;
    d.count = true;
    d.rowCount = 5;
    d.curCmd = 0xC1;
    v71.done(out, d, true);
    EXPECT_EQ(out, hex("fd 11 00 c1 00 05 00 00 00"));
    out.clear();
    d.kind = Done::Kind::DoneInProc;
    d.count = false;
    d.error = true;
    v71.done(out, d, false);
    EXPECT_EQ(out, hex("ff 02 00 c1 00 00 00 00 00"));
    out.clear();
    d.kind = Done::Kind::DoneProc;
    d.error = false;
    v71.done(out, d, false);
    EXPECT_EQ(out, hex("fe 00 00 c1 00 00 00 00 00"));
}

TEST_F(EncoderTest, ColumnsAndRowsOfEveryType)
{
    const QVector<ColumnDef> columns = {{QStringLiteral("n"), ColumnType::NVarChar, 128},
                                        {QStringLiteral("i"), ColumnType::Int, 0},
                                        {QStringLiteral("s"), ColumnType::SmallInt, 0},
                                        {QStringLiteral("c"), ColumnType::NChar, 3},
                                        {QStringLiteral("v"), ColumnType::VarChar, 10}};
    v71.colMetadata(out, columns);
    EXPECT_EQ(out, hex("81 05 00"
                       "0000 0100 e7 0001 0904d00034 01 6e00"
                       "0000 0100 26 04 01 6900"
                       "0000 0100 26 02 01 7300"
                       "0000 0100 ef 0600 0904d00034 01 6300"
                       "0000 0100 a7 0a00 0904d00034 01 7600"));
    out.clear();
    v70.colMetadata(out, {columns[0]});
    EXPECT_EQ(out, hex("81 01 00 0000 0100 e7 0001 01 6e00")) << "7.0 has no collation";
    out.clear();
    v71.row(out, columns, {Cell(QStringLiteral("ab")), Cell(qint64(-2)), Cell(qint64(7)), Cell(QStringLiteral("x")),
                           Cell(QStringLiteral("\u00e9\u20ac\u4e2d"))});
    EXPECT_EQ(out, hex("d1 0400 6100 6200 04 feffffff 02 0700 0600 7800 2000 2000 0300 e9 80 3f"));
    out.clear();
    v71.row(out, columns, {Cell(), Cell(), Cell(), Cell(), Cell()});
    EXPECT_EQ(out, hex("d1 ffff 00 00 ffff ffff"));
}

TEST_F(EncoderTest, ReturnStatusAndValue)
{
    v71.returnStatus(out, 0);
    EXPECT_EQ(out, hex("79 00000000"));
    out.clear();
    v71.returnValue(out, ReturnValue{0, QStringLiteral("@h"), Cell(qint64(1))});
    EXPECT_EQ(out, hex("ac 0000 02 4000 6800 01 0000 0100 26 04 04 01000000"));
}

// ---- The server collation ------------------------------------------------------------------

namespace {

Collation chinese()
{
    return *Collation::byName(QStringLiteral("Chinese_PRC_CI_AS"));
}

}  // namespace

TEST(CollationTest, KnownCollationsAndTheirBytes)
{
    struct Case {
        const char* name;
        const char* bytes;
        CodePage codePage;
        const char16_t* charset;
    };
    const Case cases[] = {
        {"SQL_Latin1_General_CP1_CI_AS", "09 04 d0 00 34", CodePage::Cp1252, u"cp1252"},
        {"Latin1_General_CI_AS", "09 04 d0 00 00", CodePage::Cp1252, u"cp1252"},
        {"Chinese_PRC_CI_AS", "04 08 d0 00 00", CodePage::Cp936, u"cp936"},
        {"chinese_prc_ci_as", "04 08 d0 00 00", CodePage::Cp936, u"cp936"},
    };
    for (const Case& c : cases) {
        const auto collation = Collation::byName(QString::fromLatin1(c.name));
        ASSERT_TRUE(collation) << c.name;
        EXPECT_EQ(QByteArray(collation->bytes.data(), 5), hex(c.bytes)) << c.name;
        EXPECT_EQ(collation->codePage, c.codePage) << c.name;
        EXPECT_EQ(collation->charset, QString::fromUtf16(c.charset)) << c.name;
    }
    EXPECT_EQ(Collation::standard().name, u"SQL_Latin1_General_CP1_CI_AS");
    EXPECT_FALSE(Collation::byName(QStringLiteral("Chinese_PRC_CS_AS")));
    EXPECT_FALSE(Collation::byName(QString()));
}

TEST_F(EncoderTest, ChineseCollationInLoginAndColumns)
{
    const TokenEncoder zh71(TdsVersion::V71, QStringLiteral("SQLSIM"), chinese());
    const TokenEncoder zh70(TdsVersion::V70, QStringLiteral("SQLSIM"), chinese());
    zh71.collationEnvChange(out);
    EXPECT_EQ(out, hex("e3 08 00 07 05 04 08 d0 00 00 00"));
    out.clear();
    const QVector<ColumnDef> columns = {{QStringLiteral("n"), ColumnType::NVarChar, 128},
                                        {QStringLiteral("c"), ColumnType::NChar, 3},
                                        {QStringLiteral("v"), ColumnType::VarChar, 10}};
    zh71.colMetadata(out, columns);
    EXPECT_EQ(out, hex("81 03 00"
                       "0000 0100 e7 0001 0408d00000 01 6e00"
                       "0000 0100 ef 0600 0408d00000 01 6300"
                       "0000 0100 a7 0a00 0408d00000 01 7600"));
    out.clear();
    zh70.colMetadata(out, columns);
    EXPECT_EQ(out, hex("81 03 00 0000 0100 e7 0001 01 6e00 0000 0100 ef 0600 01 6300 0000 0100 a7 0a00 01 7600"))
        << "7.0 has no collation";
}

TEST_F(EncoderTest, VarcharCellsInTheCollationsCodePage)
{
    struct Case {
        const char* what;
        const char16_t* text;
        int length;
        const char* chinese;  // the value's bytes under Chinese_PRC_CI_AS
        const char* western;  // and under SQL_Latin1_General_CP1_CI_AS
    };
    const Case cases[] = {
        {"ascii", u"ok", 10, "0200 6f 6b", "0200 6f 6b"},
        {"chinese", u"销售数据", 20, "0800 cffa cadb cafd bedd", "0400 3f3f3f3f"},
        {"mixed", u"'数据'.", 20, "0700 27 cafd bedd 27 2e", "0500 27 3f3f 27 2e"},
        {"accents and euro", u"é€", 10, "0300 a8a6 80", "0200 e9 80"},
        {"missing from both", u"a한b", 10, "0300 61 3f 62", "0300 61 3f 62"},
        {"cut at the limit", u"ab销售", 5, "0400 61 62 cffa", "0400 61 62 3f3f"},
        {"cut at the limit exactly", u"a销售", 5, "0500 61 cffa cadb", "0300 61 3f3f"},
        {"empty", u"", 10, "0000", "0000"},
    };
    const TokenEncoder zh(TdsVersion::V71, QStringLiteral("SQLSIM"), chinese());
    for (const Case& c : cases) {
        const QVector<ColumnDef> columns = {{QStringLiteral("v"), ColumnType::VarChar, c.length}};
        const QVector<Cell> cells = {Cell(QString::fromUtf16(c.text))};
        out.clear();
        zh.row(out, columns, cells);
        EXPECT_EQ(out, QByteArray(hex("d1") + hex(c.chinese))) << c.what;
        out.clear();
        v71.row(out, columns, cells);
        EXPECT_EQ(out, QByteArray(hex("d1") + hex(c.western))) << c.what;
    }
    out.clear();
    zh.row(out, {{QStringLiteral("v"), ColumnType::VarChar, 10}, {QStringLiteral("n"), ColumnType::NVarChar, 10}},
           {Cell(), Cell(QStringLiteral("数"))});
    EXPECT_EQ(out, hex("d1 ffff 0200 7065")) << "NULL stays NULL, nvarchar stays UCS-2";
}

TEST(RpcTest, VarcharParametersAreInTheServersCodePage)
{
    // sp_executesql with @stmt as VARCHAR: "select '销售'" in code page 936.
    const QByteArray text = hex("73656c65637420 27 cffa cadb 27");
    QByteArray b;
    ByteWriter w(b);
    w.u16(0xFFFF);
    w.u16(10);
    w.u16(0);
    w.bVarchar(u"@stmt");
    w.u8(0);
    w.u8(0xA7);
    w.u16(8000);
    w.bytes(hex("0408d00000"));
    w.u16(quint16(text.size()));
    w.bytes(text);
    const RpcParseResult zh = parseRpc(b, TdsVersion::V71, CodePage::Cp936);
    ASSERT_TRUE(zh.error.isEmpty()) << zh.error.toStdString();
    EXPECT_EQ(zh.calls.at(0).params.at(0).value.toString(), u"select '销售'");
    const RpcParseResult western = parseRpc(b, TdsVersion::V71);
    ASSERT_TRUE(western.error.isEmpty());
    EXPECT_EQ(western.calls.at(0).params.at(0).value.toString(), QString::fromLatin1(text));
}

// Seeded random corpus: packets and messages that are random, or valid ones with a few bytes
// changed, through every parser. Nothing may crash or read out of bounds (run under ASan too).
TEST(FuzzTest, RandomPacketsThroughEveryParser)
{
    std::mt19937 rng(20261205);
    const std::vector<QByteArray> seeds = {
        buildLogin7({}), sqlsim::test::buildPrelogin(),
        buildRpc(13, {}, {{{}, {}, {}, true, true}, {{}, QStringLiteral("select 1"), {}, false, false}}),
        buildRpc(0, QStringLiteral("sp_who"), {{QStringLiteral("@a"), QStringLiteral("x"), {}, false, false}})};
    const quint8 types[] = {0x01, 0x03, 0x06, 0x10, 0x12, 0x04, 0x02, 0x00, 0xFF};
    MessageAssembler assembler(1 << 20);
    int parsedOk = 0;
    constexpr int packets = 120000;
    for (int i = 0; i < packets; ++i) {
        QByteArray payload;
        if (rng() % 2 == 0) {
            payload = seeds[rng() % seeds.size()];
            const int flips = 1 + int(rng() % 4);
            for (int k = 0; k < flips && !payload.isEmpty(); ++k)
                payload[rng() % payload.size()] = char(rng());
            if (rng() % 4 == 0)
                payload.truncate(rng() % (payload.size() + 1));
        } else {
            payload.resize(rng() % 300);
            for (char& c : payload)
                c = char(rng());
        }
        PacketHeader h;
        h.type = types[rng() % std::size(types)];
        h.status = quint8(rng() % 4);
        h.length = quint16(rng() % 8 == 0 ? rng() : quint32(payload.size() + HeaderSize));
        const auto result = assembler.add(h, payload);
        if (result == MessageAssembler::Result::Error)
            assembler = MessageAssembler(1 << 20);
        // Every parser sees every payload, whatever its packet type.
        const QByteArray message = result == MessageAssembler::Result::Complete ? assembler.takeMessage() : payload;
        parsedOk += parsePrelogin(message).has_value();
        parsedOk += parseLogin7(message).login.has_value();
        parsedOk += parseRpc(message, TdsVersion::V71).error.isEmpty();
        parsedOk += parseRpc(message, TdsVersion::V70).error.isEmpty();
        parsedOk += parseRpc(message, TdsVersion::V71, CodePage::Cp936).error.isEmpty();
        QByteArray header8(8, '\0');
        for (char& c : header8)
            c = char(rng());
        (void)checkClientHeader(decodeHeader(header8.constData()));
    }
    EXPECT_GT(parsedOk, 0) << "the corpus should reach the parsers' success paths too";
}
