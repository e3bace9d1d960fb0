#pragma once
// Buffered packet reading from a connected socket.

#include "Packet.h"

#include <QByteArray>
#include <QString>

namespace sqlsim::tds {

class SocketReader {
public:
    explicit SocketReader(int fd) : m_fd(fd) {}

    enum class Status { Packet, Closed, Invalid };
    // Reads one whole packet. Invalid: a header that cannot be a client packet (error() says why).
    Status readPacket(PacketHeader& header, QByteArray& payload);
    // True when a packet's bytes are buffered or the socket becomes readable within timeoutMs.
    bool waitReadable(int timeoutMs);
    const QString& error() const { return m_error; }

private:
    bool fill(qsizetype need);

    int m_fd;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QString m_error;
};

// Writes all of data; false when the peer is gone.
bool sendAll(int fd, QByteArrayView data);

}  // namespace sqlsim::tds
