#include "tests/sqlsim/TdsTestClient.h"

#include "sqlsim/protocol/Bytes.h"
#include "sqlsim/protocol/Login.h"
#include "sqlsim/protocol/Packet.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace sqlsim::test {

using tds::ByteReader;
using tds::ByteWriter;

QByteArray ucs2(const QString& text) {
    QByteArray out;
    ByteWriter(out).ucs2(text);
    return out;
}

QByteArray buildLogin7(const Login7Fields& f) {
    const int fixed = 86;
    QByteArray fixedPart(fixed, '\0');
    QByteArray strings;
    const auto put16 = [&](int at, quint16 v) {
        fixedPart[at] = char(v & 0xFF);
        fixedPart[at + 1] = char(v >> 8);
    };
    const auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) fixedPart[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    const auto field = [&](int at, const QString& value, bool password) {
        QByteArray bytes = ucs2(value);
        if (password) bytes = tds::encodePasswordBytes(bytes);
        put16(at, quint16(fixed + strings.size()));
        put16(at + 2, quint16(value.size()));
        strings += bytes;
    };
    field(36, f.hostName, false);
    field(40, f.userName, false);
    field(44, f.password, true);
    field(48, f.appName, false);
    field(52, f.serverName, false);
    field(60, f.libraryName, false);
    field(64, f.language, false);
    field(68, f.database, false);
    put16(56, quint16(fixed + strings.size()));
    put16(78, quint16(fixed + strings.size()));
    put16(82, quint16(fixed + strings.size()));
    put32(0, quint32(fixed + strings.size()));
    put32(4, f.tdsVersion);
    put32(8, f.packetSize);
    fixedPart[24] = char(0xE0);
    fixedPart[25] = char(0x03);
    return fixedPart + strings;
}

QByteArray buildPrelogin() {
    // VERSION 8.0.341, ENCRYPTION off, INSTOPT "MSSQLServer", THREADID.
    QByteArray data;
    QByteArray out;
    ByteWriter w(out);
    const QByteArray inst = QByteArrayLiteral("MSSQLServer") + '\0';
    const int headers = 4 * 5 + 1;
    w.u8(0);
    w.u16be(headers);
    w.u16be(6);
    w.u8(1);
    w.u16be(headers + 6);
    w.u16be(1);
    w.u8(2);
    w.u16be(headers + 7);
    w.u16be(quint16(inst.size()));
    w.u8(3);
    w.u16be(quint16(headers + 7 + inst.size()));
    w.u16be(4);
    w.u8(0xFF);
    w.bytes(QByteArray::fromHex("080001550000"));
    w.u8(0);
    w.bytes(inst);
    w.u32(1234);
    return out;
}

FinalDone finalDone(const QByteArray& payload) {
    FinalDone done;
    if (payload.size() < 9) return done;
    const QByteArray last = payload.right(9);  // the reader keeps a view of it
    ByteReader r(last);
    done.found = r.u8() == quint8(0xFD);
    done.status = r.u16().value_or(0);
    r.u16();  // the command
    done.rowCount = r.u32().value_or(0);
    return done;
}

TdsTestClient::~TdsTestClient() {
    close();
}

bool TdsTestClient::connect(quint16 port) {
    close();
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

void TdsTestClient::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

bool TdsTestClient::sendRaw(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

bool TdsTestClient::sendMessage(quint8 type, const QByteArray& payload, int packetSize,
                                quint8 extraStatus) {
    QByteArray wire = tds::framePackets(payload, packetSize, 0, static_cast<tds::PacketType>(type));
    // Mark the last packet.
    qsizetype at = 0;
    while (at < wire.size()) {
        const auto h = tds::decodeHeader(wire.constData() + at);
        if (h.status & tds::status::EndOfMessage) wire[at + 1] = char(h.status | extraStatus);
        at += h.length;
    }
    return sendRaw(wire);
}

WireResponse TdsTestClient::readResponse(int timeoutMs) {
    WireResponse resp;
    char buf[65536];
    while (true) {
        while (m_pending.size() >= 8) {
            const auto h = tds::decodeHeader(m_pending.constData());
            if (h.length < 8 || m_pending.size() < h.length) break;
            resp.headers.push_back(m_pending.left(8));
            resp.payload += m_pending.mid(8, h.length - 8);
            m_pending.remove(0, h.length);
            if (h.status & tds::status::EndOfMessage) {
                resp.complete = true;
                return resp;
            }
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return resp;
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) {
            resp.closed = true;
            return resp;
        }
        m_pending.append(buf, n);
    }
}

bool TdsTestClient::waitClosed(int timeoutMs) {
    char buf[4096];
    while (true) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) return true;
    }
}

bool TdsTestClient::login(quint16 port, const Login7Fields& fields) {
    if (!connect(port) || !sendMessage(0x12, buildPrelogin()) || !readResponse().complete)
        return false;
    if (!sendMessage(0x10, buildLogin7(fields))) return false;
    const WireResponse resp = readResponse();
    return resp.complete && !resp.payload.isEmpty() && quint8(resp.payload[0]) != 0xAA;
}

WireResponse TdsTestClient::batch(const QString& text, int packetSize) {
    if (!sendMessage(0x01, ucs2(text), packetSize)) return {};
    return readResponse();
}

}  // namespace sqlsim::test
