// The TDS parsers on malformed byte buffers: every lie about a length or an offset is an error,
// never a read out of bounds. Well-formed messages are parsed in every end-to-end test. And the
// layouts of the encoder's rarer types, byte by byte, where a client would read past a mistake.

#include "sqlsim/protocol/Bytes.h"
#include "sqlsim/protocol/Login.h"
#include "sqlsim/protocol/Packet.h"
#include "sqlsim/protocol/RpcRequest.h"
#include "sqlsim/protocol/SocketReader.h"
#include "sqlsim/protocol/TokenEncoder.h"
#include "tests/sqlsim/TdsTestClient.h"

#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace sqlsim;
using namespace sqlsim::tds;
using sqlsim::test::buildLogin7;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

PacketHeader header(quint8 type, quint8 status, qsizetype payloadSize) {
    PacketHeader h;
    h.type = type;
    h.status = status;
    h.length = quint16(payloadSize + HeaderSize);
    return h;
}

}  // namespace

TEST(PacketTest, MalformedPacketsAreErrors) {
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
        {"type changes inside a message",
         {{header(0x01, 0, 1), "x"}, {header(0x03, status::EndOfMessage, 1), "y"}}},
        {"attention without end of message", {{header(0x06, 0, 0), {}}}},
    };
    for (const Case& c : cases) {
        MessageAssembler a;
        MessageAssembler::Result last = MessageAssembler::Result::Incomplete;
        for (const auto& [h, payload] : c.packets) last = a.add(h, payload);
        EXPECT_EQ(last, MessageAssembler::Result::Error) << c.name;
        EXPECT_FALSE(a.error().isEmpty()) << c.name;
    }
}

// A header that promises bytes which never come closes the connection after the stall time-out;
// a whole packet followed by silence is read normally.
TEST(PacketTest, ReaderGivesUpOnAStalledPacket) {
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

TEST(PacketTest, MessageSizeLimit) {
    MessageAssembler a(10);
    EXPECT_EQ(a.add(header(0x01, 0, 8), "12345678"), MessageAssembler::Result::Incomplete);
    EXPECT_EQ(a.add(header(0x01, status::EndOfMessage, 3), "901"), MessageAssembler::Result::Error);
}

TEST(PreloginTest, RejectsMalformedOptionLists) {
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", {}},
        {"no terminator", hex("00 0006 0001 00")},
        {"truncated option header", hex("00 00")},
        {"data beyond the payload", hex("00 0006 0010 ff 00")},
    };
    for (const auto& [name, bytes] : cases) EXPECT_FALSE(parsePrelogin(bytes)) << name;
}

TEST(Login7Test, RejectsLyingOffsetsAndLengths) {
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

TEST(RpcTest, RejectsTruncatedAndUnknownInput) {
    // sp_executesql @stmt = N'select 1'
    const QByteArray good =
        hex("ffff 0a00 0000 05 4000730074006d007400 00 e7 401f 0904d00034 1000"
            "730065006c0065006300740020003100");
    // Cut anywhere after the procedure id and flags (a call without parameters is complete).
    EXPECT_TRUE(parseRpc(good.left(6), TdsVersion::V71).error.isEmpty());
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        if (cut == 6) continue;
        EXPECT_FALSE(parseRpc(good.left(cut), TdsVersion::V71).error.isEmpty()) << "cut at " << cut;
    }
    QByteArray unknownType = good;
    unknownType[good.indexOf(char(0xE7))] = char(0x99);
    EXPECT_FALSE(parseRpc(unknownType, TdsVersion::V71).error.isEmpty());
}

// One column in COLMETADATA and one ROW, for each layout: a sql_variant value carries its base
// type and properties (an nvarchar its collation and maximum length), a 7.0 client gets text
// instead; DATETIME in days and 1/300 seconds; CHAR padded in the code page; VARBINARY. The
// collation is SQL_Latin1_General_CP1_CI_AS (09 04 d0 00 34).
TEST(TokenEncoderTest, ColumnLayouts) {
    struct Case {
        const char* name;
        TdsVersion version;
        ColumnType type;
        int length;
        Cell value;
        const char* typeInfo;
        const char* data;
    };
    const QDateTime shipped(QDate(2000, 8, 6), QTime(1, 29, 12, 250));
    const Case cases[] = {
        {"variant int", TdsVersion::V71, ColumnType::Variant, 0, qint64(539), "62 501f0000",
         "06000000 38 00 1b020000"},
        {"variant nvarchar", TdsVersion::V71, ColumnType::Variant, 0, u"Ab"_s, "62 501f0000",
         "0d000000 e7 07 0904d00034 0001 4100 6200"},
        {"variant null", TdsVersion::V71, ColumnType::Variant, 0, Cell(), "62 501f0000",
         "00000000"},
        {"variant to a 7.0 client", TdsVersion::V70, ColumnType::Variant, 0, qint64(539), "e7 401f",
         "0600 3500 3300 3900"},
        {"datetime", TdsVersion::V71, ColumnType::DateTime, 0, shipped, "6f 08",
         "08 868f0000 2b801800"},
        {"datetime null", TdsVersion::V71, ColumnType::DateTime, 0, Cell(), "6f 08", "00"},
        {"char", TdsVersion::V71, ColumnType::Char, 2, u"U"_s, "af 0200 0904d00034", "0200 5520"},
        {"char to a 7.0 client", TdsVersion::V70, ColumnType::Char, 2, u"S"_s, "af 0200",
         "0200 5320"},
        {"varbinary", TdsVersion::V71, ColumnType::VarBinary, 85, QByteArray(1, '\x01'), "a5 5500",
         "0100 01"},
        {"varbinary null", TdsVersion::V71, ColumnType::VarBinary, 85, Cell(), "a5 5500", "ffff"},
    };
    for (const Case& c : cases) {
        const TokenEncoder encoder(c.version, u"SRV"_s);
        const QVector<ColumnDef> columns{{u"v"_s, c.type, c.length}};
        QByteArray metadata;
        encoder.colMetadata(metadata, columns);
        const QByteArray expected = hex("81 0100 0000 0100") + hex(c.typeInfo) + hex("01 7600");
        EXPECT_EQ(metadata.toHex(' ').toStdString(), expected.toHex(' ').toStdString()) << c.name;
        QByteArray row;
        encoder.row(row, columns, {c.value});
        EXPECT_EQ(row.toHex(' ').toStdString(),
                  QByteArray(hex("d1") + hex(c.data)).toHex(' ').toStdString())
            << c.name;
    }
}
