#pragma once
// One client connection, served on its own thread: pre-login, login, then batches, RPCs and
// attention until the client leaves or breaks the protocol.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/protocol/Packet.h"
#include "sqlsim/protocol/RequestLog.h"
#include "sqlsim/protocol/SocketReader.h"
#include "sqlsim/protocol/TokenEncoder.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace sqlsim {

struct ServerContext {
    std::shared_ptr<Engine> engine;
    Journal journal;
    FaultList faults;
    QString serverName = QStringLiteral("SQLSIM");
};

class ClientConnection {
public:
    ClientConnection(ServerContext& context, int fd, int number);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // Serves until the connection ends, then shuts the socket down (the owner closes it).
    void run();

    static quint16 spidOf(int connectionNumber);

private:
    struct Request {
        quint8 type = 0;
        QByteArray payload;
        bool ignored = false;
    };

    void serve();
    bool readRequest(Request& request);
    bool answerPrelogin(const QByteArray& payload);
    bool login(const QByteArray& payload);
    bool handleBatch(const QByteArray& payload);
    bool handleRpc(const QByteArray& payload);

    // Journal, faults and the attention watch around running one request. Returns false when
    // the connection must end; sets skip when the request must not run (already answered).
    bool beginRequest(const QString& journalText, const QString& matchText, bool isRpc, bool& skip);
    bool sleepWatchingForAttention(std::chrono::milliseconds delay, bool& cancelled);
    // Waits up to delay while the engine works, reading what the client sends meanwhile: an
    // attention ends the wait; anything else, or the client closing, ends the connection.
    WaitOutcome watchClient(std::chrono::milliseconds delay);
    // The reply to a request the client cancelled while it ran, then the acknowledgement.
    bool sendCancelled(const std::vector<Token>& tokens);
    bool sendAttentionAck();

    // Encodes tokens (DONE_MORE on every DONE-family token but the last) and sends them.
    bool sendTokens(const std::vector<Token>& tokens);
    // One DONE token alone: an ignored request's reply, or (status Attention) the acknowledgement.
    bool sendDone(quint16 status = 0, quint16 curCmd = 0);
    bool sendPayload(const QByteArray& payload);

    ServerContext& m_context;
    int m_fd;
    int m_number;
    quint16 m_spid;
    tds::SocketReader m_reader;
    tds::MessageAssembler m_assembler;
    std::unique_ptr<Session> m_session;
    Collation m_collation;
    tds::TdsVersion m_version = tds::TdsVersion::V71;
    quint32 m_loginVersion = 0;
    int m_packetSize = tds::DefaultPacketSize;
    int m_requestCount = 0;
    bool m_clientGone = false;  // seen while the engine worked
};

}  // namespace sqlsim
