#include "sqlsim/protocol/Server.h"

#include "sqlsim/protocol/ClientConnection.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <atomic>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace sqlsim {

namespace {

struct ConnectionSlot {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
};

}  // namespace

struct Server::Impl {
    ServerContext context;
    int listenFd = -1;
    int wakePipe[2] = {-1, -1};
    quint16 port = 0;
    std::thread acceptThread;
    std::mutex slotsMutex;
    std::list<ConnectionSlot> slots;
    int connectionCount = 0;
    bool running = false;

    void acceptLoop();
    void startConnection(int fd);
    void reapFinished();
    void stopAll();
};

void Server::Impl::startConnection(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard lock(slotsMutex);
    const int number = ++connectionCount;
    ConnectionSlot& slot = slots.emplace_back();
    slot.fd = fd;
    slot.thread = std::thread([this, fd, number, &slot] {
        ClientConnection(context, fd, number).run();
        slot.finished = true;
    });
}

void Server::Impl::reapFinished() {
    std::lock_guard lock(slotsMutex);
    for (auto it = slots.begin(); it != slots.end();) {
        if (it->finished) {
            it->thread.join();
            ::close(it->fd);
            it = slots.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::Impl::acceptLoop() {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    while (true) {
        const int rc = ::poll(fds, 2, 200);
        reapFinished();
        if (rc < 0 && errno != EINTR) return;
        if (rc <= 0) continue;
        if (fds[1].revents) return;  // stop() asked
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) startConnection(fd);
        }
    }
}

void Server::Impl::stopAll() {
    std::list<ConnectionSlot> stopping;
    {
        std::lock_guard lock(slotsMutex);
        for (ConnectionSlot& slot : slots) ::shutdown(slot.fd, SHUT_RDWR);
        stopping.splice(stopping.end(), slots);
    }
    for (ConnectionSlot& slot : stopping) {
        slot.thread.join();
        ::close(slot.fd);
    }
}

Server::Server(std::shared_ptr<Engine> engine) : d(std::make_unique<Impl>()) {
    d->context.engine = std::move(engine);
}

Server::~Server() {
    stop();
}

quint16 Server::start(quint16 port) {
    if (d->running) return d->port;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("sqlsim: cannot create a socket");
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 128) != 0) {
        ::close(fd);
        throw std::runtime_error("sqlsim: cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    if (::pipe2(d->wakePipe, O_CLOEXEC) != 0) {
        ::close(fd);
        throw std::runtime_error("sqlsim: cannot create a pipe");
    }
    d->listenFd = fd;
    d->port = ntohs(addr.sin_port);
    d->running = true;
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
    return d->port;
}

void Server::stop() {
    if (!d->running) return;
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(d->wakePipe[1], &wake, 1);
    d->acceptThread.join();
    d->stopAll();
    ::close(d->listenFd);
    ::close(d->wakePipe[0]);
    ::close(d->wakePipe[1]);
    d->listenFd = -1;
    d->wakePipe[0] = d->wakePipe[1] = -1;
    d->running = false;
}

quint16 Server::port() const {
    return d->port;
}

void Server::addFault(const Fault& fault) {
    d->context.faults.add(fault);
}

void Server::clearFaults() {
    d->context.faults.clear();
}

std::vector<JournalEntry> Server::journal() const {
    return d->context.journal.entries();
}

std::vector<JournalEntry> Server::journalOf(int conn) const {
    return d->context.journal.entriesOf(conn);
}

void Server::clearJournal() {
    d->context.journal.clear();
}

void Server::setJournalFile(const QString& path) {
    d->context.journal.setFile(path);
}

Engine& Server::engine() {
    return *d->context.engine;
}

int Server::openConnections() const {
    std::lock_guard lock(d->slotsMutex);
    int n = 0;
    for (const auto& slot : d->slots) n += slot.finished ? 0 : 1;
    return n;
}

void Server::setServerName(const QString& name) {
    d->context.serverName = name;
}

}  // namespace sqlsim
