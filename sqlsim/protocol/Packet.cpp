#include "sqlsim/protocol/Packet.h"

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace sqlsim::tds {

PacketHeader decodeHeader(const char* data) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    PacketHeader h;
    h.type = p[0];
    h.status = p[1];
    h.length = static_cast<quint16>((p[2] << 8) | p[3]);
    h.spid = static_cast<quint16>((p[4] << 8) | p[5]);
    h.packetId = p[6];
    h.window = p[7];
    return h;
}

void encodeHeader(const PacketHeader& header, char* out) {
    out[0] = static_cast<char>(header.type);
    out[1] = static_cast<char>(header.status);
    out[2] = static_cast<char>(header.length >> 8);
    out[3] = static_cast<char>(header.length & 0xFF);
    out[4] = static_cast<char>(header.spid >> 8);
    out[5] = static_cast<char>(header.spid & 0xFF);
    out[6] = static_cast<char>(header.packetId);
    out[7] = static_cast<char>(header.window);
}

static bool isClientType(quint8 type) {
    switch (static_cast<PacketType>(type)) {
        case PacketType::SqlBatch:
        case PacketType::Rpc:
        case PacketType::Attention:
        case PacketType::Login7:
        case PacketType::PreLogin:
            return true;
        default:
            return false;
    }
}

QString checkClientHeader(const PacketHeader& header) {
    if (header.length < HeaderSize)
        return u"packet length %1 is shorter than its header"_s.arg(header.length);
    if (!isClientType(header.type))
        return u"unsupported packet type 0x%1"_s.arg(header.type, 2, 16, QLatin1Char('0'));
    return {};
}

MessageAssembler::MessageAssembler(qsizetype maxMessageSize) : m_maxMessageSize(maxMessageSize) {}

MessageAssembler::Result MessageAssembler::add(const PacketHeader& header, QByteArrayView payload) {
    if (const QString why = checkClientHeader(header); !why.isEmpty()) {
        m_error = why;
        return Result::Error;
    }
    if (payload.size() != header.length - HeaderSize) {
        m_error = u"packet payload does not match its length"_s;
        return Result::Error;
    }
    if (!m_inMessage) {
        m_inMessage = true;
        m_type = header.type;
        m_firstStatus = header.status;
        m_message.clear();
    } else if (header.type != m_type) {
        m_error = u"packet type changed inside a message"_s;
        return Result::Error;
    }
    if (header.status & status::Ignore) {
        // The client gave up on this message; it ends with this packet when EOM is set.
        if (header.status & status::EndOfMessage) {
            m_inMessage = false;
            m_message.clear();
            return Result::Ignored;
        }
        return Result::Incomplete;
    }
    if (m_message.size() + payload.size() > m_maxMessageSize) {
        m_error = u"message exceeds %1 bytes"_s.arg(m_maxMessageSize);
        return Result::Error;
    }
    m_message.append(payload.data(), payload.size());
    if (header.status & status::EndOfMessage) {
        m_inMessage = false;
        return Result::Complete;
    }
    if (m_type == static_cast<quint8>(PacketType::Attention)) {
        m_error = u"attention packet without end of message"_s;
        return Result::Error;
    }
    return Result::Incomplete;
}

QByteArray MessageAssembler::takeMessage() {
    QByteArray out;
    out.swap(m_message);
    return out;
}

PacketFramer::PacketFramer(int packetSize, quint16 spid, PacketType type)
    : m_packetSize(packetSize), m_spid(spid), m_type(type) {}

void PacketFramer::appendPacket(QByteArray& out, const char* data, int size, bool last) {
    PacketHeader h;
    h.type = static_cast<quint8>(m_type);
    h.status = last ? status::EndOfMessage : 0;
    h.length = static_cast<quint16>(size + HeaderSize);
    h.spid = m_spid;
    h.packetId = m_packetId++;
    const qsizetype at = out.size();
    out.resize(at + HeaderSize + size);
    encodeHeader(h, out.data() + at);
    if (size > 0) std::memcpy(out.data() + at + HeaderSize, data, static_cast<size_t>(size));
}

void PacketFramer::takeFullPackets(QByteArray& out) {
    const int chunk = m_packetSize - HeaderSize;
    qsizetype offset = 0;
    while (m_payload.size() - offset > chunk) {
        appendPacket(out, m_payload.constData() + offset, chunk, false);
        offset += chunk;
    }
    if (offset > 0) m_payload.remove(0, offset);
}

void PacketFramer::finish(QByteArray& out) {
    takeFullPackets(out);
    appendPacket(out, m_payload.constData(), static_cast<int>(m_payload.size()), true);
    m_payload.clear();
    m_packetId = 1;
}

QByteArray framePackets(QByteArrayView payload, int packetSize, quint16 spid, PacketType type) {
    PacketFramer framer(packetSize, spid, type);
    framer.payload().append(payload.data(), payload.size());
    QByteArray out;
    framer.finish(out);
    return out;
}

}  // namespace sqlsim::tds
