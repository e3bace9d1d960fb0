#include "sqlsim/protocol/SocketReader.h"

#include <poll.h>
#include <sys/socket.h>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace sqlsim::tds {

namespace {

bool pollReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

}  // namespace

bool SocketReader::fill(qsizetype need) {
    if (m_buffer.size() - m_pos >= need) return true;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    constexpr qsizetype chunk = 64 * 1024;
    while (m_buffer.size() < need) {
        // A packet header that promises bytes that never come must not hold the thread forever.
        if (!m_buffer.isEmpty() && !pollReadable(m_fd, m_stallTimeoutMs)) {
            m_error = u"the client stalled in the middle of a packet"_s;
            return false;
        }
        const qsizetype at = m_buffer.size();
        m_buffer.resize(at + chunk);
        const ssize_t n = ::recv(m_fd, m_buffer.data() + at, chunk, 0);
        if (n <= 0) {
            m_buffer.resize(at);
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        m_buffer.resize(at + n);
    }
    return true;
}

SocketReader::Status SocketReader::readPacket(PacketHeader& header, QByteArray& payload) {
    if (!fill(HeaderSize)) return Status::Closed;
    header = decodeHeader(m_buffer.constData() + m_pos);
    if (const QString why = checkClientHeader(header); !why.isEmpty()) {
        m_error = why;
        return Status::Invalid;
    }
    if (!fill(header.length)) return Status::Closed;
    payload = m_buffer.mid(m_pos + HeaderSize, header.length - HeaderSize);
    m_pos += header.length;
    return Status::Packet;
}

bool SocketReader::waitReadable(int timeoutMs) {
    if (m_buffer.size() > m_pos) return true;
    return pollReadable(m_fd, timeoutMs);
}

bool sendAll(int fd, QByteArrayView data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::send(fd, data.data() + done, static_cast<size_t>(data.size() - done), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace sqlsim::tds
