#pragma once
// Buffered packet reading from a connected socket.

#include "sqlsim/protocol/Packet.h"

#include <QByteArray>
#include <QString>

namespace sqlsim::tds {

class SocketReader {
public:
    // A client that has begun a packet must finish it within stallTimeoutMs; between packets a
    // connection may stay idle for as long as it likes.
    explicit SocketReader(int fd, int stallTimeoutMs = 30'000)
        : m_fd(fd), m_stallTimeoutMs(stallTimeoutMs) {}

    enum class Status { Packet, Closed, Invalid };
    // Reads one whole packet. Invalid: a header that cannot be a client packet (error() says why).
    // Closed: the peer went away or stalled in the middle of a packet.
    Status readPacket(PacketHeader& header, QByteArray& payload);
    // True when a packet's bytes are buffered or the socket becomes readable within timeoutMs.
    bool waitReadable(int timeoutMs);
    const QString& error() const { return m_error; }

private:
    bool fill(qsizetype need);

    int m_fd;
    int m_stallTimeoutMs;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QString m_error;
};

// Writes all of data; false when the peer is gone.
bool sendAll(int fd, QByteArrayView data);

}  // namespace sqlsim::tds
