#pragma once
// TDS packets: the 8-byte header, reassembly of a client message from its packets, and framing of
// a server message into packets of the negotiated size. Pure functions on byte buffers.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace sqlsim::tds {

enum class PacketType : quint8 {
    SqlBatch = 0x01,
    Login42 = 0x02,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
};

namespace status {
constexpr quint8 EndOfMessage = 0x01;
constexpr quint8 Ignore = 0x02;
constexpr quint8 ResetConnection = 0x08;
constexpr quint8 ResetConnectionSkipTran = 0x10;
}  // namespace status

constexpr int HeaderSize = 8;
constexpr int DefaultPacketSize = 4096;
constexpr int MinPacketSize = 512;
constexpr int MaxPacketSize = 32767;

struct PacketHeader {
    quint8 type = 0;
    quint8 status = 0;
    quint16 length = 0;  // whole packet, header included
    quint16 spid = 0;
    quint8 packetId = 0;
    quint8 window = 0;
};

// Decodes the first 8 bytes of data (the caller guarantees 8 bytes).
PacketHeader decodeHeader(const char* data);
void encodeHeader(const PacketHeader& header, char* out);

// Why a header cannot start or continue a client message; empty when it is acceptable.
QString checkClientHeader(const PacketHeader& header);

// Collects the payloads of a client message until the packet that carries EOM.
class MessageAssembler {
public:
    enum class Result {
        Incomplete,  // more packets to come
        Complete,    // message() holds the whole message
        Ignored,     // the client abandoned the message (IGNORE bit): answer with one DONE
        Error,       // protocol violation: close the connection; error() says why
    };

    explicit MessageAssembler(qsizetype maxMessageSize = 32 * 1024 * 1024);

    // header: the decoded header of the packet; payload: its length - 8 bytes.
    Result add(const PacketHeader& header, QByteArrayView payload);

    quint8 type() const { return m_type; }
    quint8 firstStatus() const { return m_firstStatus; }
    const QByteArray& message() const { return m_message; }
    QByteArray takeMessage();
    const QString& error() const { return m_error; }

private:
    qsizetype m_maxMessageSize;
    bool m_inMessage = false;
    quint8 m_type = 0;
    quint8 m_firstStatus = 0;
    QByteArray m_message;
    QString m_error;
};

// Frames a server message: append tokens to payload(), move completed packets out as they fill up,
// finish() frames the rest with EOM on the last packet.
class PacketFramer {
public:
    PacketFramer(int packetSize, quint16 spid, PacketType type = PacketType::TabularResult);

    QByteArray& payload() { return m_payload; }
    // Appends every full packet of the payload so far to out, keeping at least one byte back so
    // the last packet (with EOM) is never empty.
    void takeFullPackets(QByteArray& out);
    void finish(QByteArray& out);
    void setPacketSize(int packetSize) { m_packetSize = packetSize; }

private:
    void appendPacket(QByteArray& out, const char* data, int size, bool last);

    int m_packetSize;
    quint16 m_spid;
    PacketType m_type;
    quint8 m_packetId = 1;
    QByteArray m_payload;
};

// One whole message framed at packetSize.
QByteArray framePackets(QByteArrayView payload, int packetSize, quint16 spid,
                        PacketType type = PacketType::TabularResult);

}  // namespace sqlsim::tds
