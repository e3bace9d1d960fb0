#pragma once
// sqlsim's TDS server: listens on 127.0.0.1, one thread per connection, answers PRELOGIN, LOGIN7,
// SQL batches, RPCs and attention through the Engine. Tests embed it and use the fault, journal and
// state API below.

#include "sqlsim/engine/Engine.h"

#include <QRegularExpression>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

namespace sqlsim {

struct JournalEntry {
    int conn = 0;  // connection number, from 1 in accept order
    QString db;    // the connection's current database when the request arrived
    QString text;  // batch text exactly as received; an RPC as "RPC <name> <params>"
};

struct Fault {
    enum class Action { Fail, Drop, Sleep };
    // Which requests: a batch whose text matches pattern (if valid), and/or the n-th request (from
    // 1) of connection conn (0: any connection).
    QRegularExpression pattern;
    int conn = 0;
    int requestIndex = 0;
    Action action = Action::Fail;
    // Fail: the batch is not run; the reply is this error with DONE_ERROR.
    int errorNumber = 50000;
    int severity = 16;
    int state = 1;
    QString errorText = QStringLiteral("Injected failure.");
    // Sleep: delay before the batch runs normally.
    std::chrono::milliseconds delay{0};
    int times = 1;  // how many matching requests it applies to; -1 = always
};

class Server {
public:
    explicit Server(std::shared_ptr<Engine> engine);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1:port (0 = ephemeral) and serves in background threads; returns the port.
    quint16 start(quint16 port = 0);
    void stop();
    quint16 port() const;

    void addFault(const Fault& fault);
    void clearFaults();

    std::vector<JournalEntry> journal() const;
    std::vector<JournalEntry> journalOf(int conn) const;
    void clearJournal();
    void setJournalFile(const QString& path);  // append one JSON object per line as well

    Engine& engine();

    // Connections whose thread still serves (for tests of dropped and refused connections).
    int openConnections() const;
    // The server name that messages carry (set before start()).
    void setServerName(const QString& name);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace sqlsim
