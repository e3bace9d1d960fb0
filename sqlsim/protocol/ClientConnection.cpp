#include "sqlsim/protocol/ClientConnection.h"

#include "sqlsim/protocol/Bytes.h"
#include "sqlsim/protocol/Login.h"
#include "sqlsim/protocol/RpcRequest.h"

#include <QRegularExpression>

#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <exception>

using namespace Qt::StringLiterals;

namespace sqlsim {

using namespace tds;

namespace {

constexpr qsizetype FlushThreshold = 256 * 1024;

struct ServerBuild {
    quint8 major = 8;
    quint8 minor = 0;
    quint16 build = 2039;
};

// "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) ..." -> 8, 0, 2039.
ServerBuild buildOf(const Engine& engine) {
    ServerBuild b;
    if (engine.profile() == Profile::Sql70) b = {7, 0, 623};
    static const QRegularExpression re(u" - (\\d+)\\.(\\d+)\\.(\\d+)"_s);
    const auto m = re.match(engine.versionBanner());
    if (m.hasMatch()) {
        b.major = static_cast<quint8>(m.captured(1).toUInt());
        b.minor = static_cast<quint8>(m.captured(2).toUInt());
        b.build = static_cast<quint16>(m.captured(3).toUInt());
    }
    return b;
}

// The command an attention's acknowledgement names.
constexpr quint16 AttentionCurCmd = 0xFD;

bool isDone(const Token& t) {
    return std::holds_alternative<Done>(t);
}

}  // namespace

quint16 ClientConnection::spidOf(int connectionNumber) {
    return static_cast<quint16>(51 + (connectionNumber - 1) % 30000);
}

ClientConnection::ClientConnection(ServerContext& context, int fd, int number)
    : m_context(context),
      m_fd(fd),
      m_number(number),
      m_spid(spidOf(number)),
      m_reader(fd),
      m_collation(context.engine->collation()) {}

ClientConnection::~ClientConnection() = default;

void ClientConnection::run() {
    // An exception from the engine ends this connection only, never the server.
    try {
        m_session = m_context.engine->newSession(m_spid);
        m_session->setWorkWaiter(
            [this](std::chrono::milliseconds delay) { return watchClient(delay); });
        serve();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sqlsim: connection %d dropped: %s\n", m_number, e.what());
    }
    try {
        if (m_session) m_session->disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sqlsim: connection %d: %s\n", m_number, e.what());
    }
    ::shutdown(m_fd, SHUT_RDWR);
}

bool ClientConnection::readRequest(Request& request) {
    PacketHeader header;
    QByteArray payload;
    while (true) {
        if (m_reader.readPacket(header, payload) != SocketReader::Status::Packet) return false;
        switch (m_assembler.add(header, payload)) {
            case MessageAssembler::Result::Incomplete:
                continue;
            case MessageAssembler::Result::Complete:
                request.type = m_assembler.type();
                request.payload = m_assembler.takeMessage();
                request.ignored = false;
                return true;
            case MessageAssembler::Result::Ignored:
                request.type = m_assembler.type();
                request.payload.clear();
                request.ignored = true;
                return true;
            case MessageAssembler::Result::Error:
                return false;
        }
    }
}

void ClientConnection::serve() {
    Request request;
    if (!readRequest(request) || request.ignored) return;
    if (request.type == quint8(PacketType::PreLogin)) {
        // SQL Server 7.0 predates the pre-login message and drops a client that sends one.
        if (m_context.engine->profile() == Profile::Sql70) return;
        if (!answerPrelogin(request.payload) || !readRequest(request) || request.ignored) return;
    }
    if (request.type != quint8(PacketType::Login7) || !login(request.payload)) return;
    while (readRequest(request)) {
        if (request.ignored) {
            if (!sendDone()) return;
            continue;
        }
        bool keepGoing = false;
        switch (static_cast<PacketType>(request.type)) {
            case PacketType::Attention:
                // Late attention: the request already finished, but the client waits for the ack.
                keepGoing = sendAttentionAck();
                break;
            case PacketType::SqlBatch:
                keepGoing = handleBatch(request.payload);
                break;
            case PacketType::Rpc:
                keepGoing = handleRpc(request.payload);
                break;
            default:
                keepGoing = false;  // a second login or pre-login
                break;
        }
        if (!keepGoing) return;
    }
}

bool ClientConnection::answerPrelogin(const QByteArray& payload) {
    if (!parsePrelogin(payload)) return false;
    const ServerBuild b = buildOf(*m_context.engine);
    return sendAll(
        m_fd, framePackets(preloginReply(b.major, b.minor, b.build), DefaultPacketSize, m_spid));
}

bool ClientConnection::login(const QByteArray& payload) {
    const Login7Result parsed = parseLogin7(payload);
    if (!parsed.login) return false;
    const Login7& l = *parsed.login;
    m_loginVersion = l.tdsVersion;
    if ((l.tdsVersion >> 24) < 0x70) return false;  // pre-7.0 logins are not spoken here
    const bool speaks70 =
        (l.tdsVersion >> 24) == 0x70 || m_context.engine->profile() == Profile::Sql70;
    m_version = speaks70 ? TdsVersion::V70 : TdsVersion::V71;

    LoginRequest req;
    req.tdsVersion = l.tdsVersion;
    req.user = l.userName;
    req.password = l.password;
    req.database = l.database;
    req.appName = l.appName;
    req.hostName = l.hostName;
    Session::LoginOutcome outcome = m_session->login(req);
    if (!outcome.accepted) {
        sendTokens(outcome.reply.tokens);
        return false;
    }

    int packetSize = l.packetSize == 0 ? DefaultPacketSize : int(l.packetSize);
    packetSize = std::clamp(packetSize, MinPacketSize, MaxPacketSize);

    const TokenEncoder enc(m_version, m_context.serverName, m_collation);
    QByteArray out;
    const Message* languageInfo = nullptr;
    for (const Token& t : outcome.reply.tokens) {
        if (const auto* change = std::get_if<DatabaseChange>(&t)) {
            enc.envChange(out, 1, change->newDatabase, change->oldDatabase);
        } else if (const auto* m = std::get_if<Message>(&t)) {
            if (m->number == 5703)
                languageInfo = m;
            else
                enc.message(out, *m);
        }
    }
    // 7.1 clients take the code page of VARCHAR data from the collation; 7.0 clients from the
    // character set the server announces.
    if (m_version == TdsVersion::V71)
        enc.collationEnvChange(out);
    else
        enc.envChange(out, 3, m_collation.charset, QString());
    enc.envChange(out, 2, u"us_english"_s, QString());
    // An engine double may leave the language message out; the server always sends it.
    Message language;
    language.number = 5703;
    language.text = u"Changed language setting to us_english."_s;
    enc.message(out, languageInfo ? *languageInfo : language);
    const ServerBuild b = buildOf(*m_context.engine);
    enc.loginAck(out, b.major, b.minor, b.build);
    enc.envChange(out, 4, QString::number(packetSize), QString::number(DefaultPacketSize));
    enc.done(out, token::Done, 0, 0, 0);
    if (!sendPayload(out)) return false;
    m_packetSize = packetSize;
    return !outcome.reply.closeConnection;
}

WaitOutcome ClientConnection::watchClient(std::chrono::milliseconds delay) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + delay;
    while (true) {
        const auto now = Clock::now();
        if (now >= until) return WaitOutcome::Done;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        if (!m_reader.waitReadable(int(std::min<qint64>(left.count(), 1000)))) continue;
        Request request;
        // A new request while one runs breaks the protocol: the client is treated as gone.
        if (readRequest(request) && request.type == quint8(PacketType::Attention))
            return WaitOutcome::Attention;
        m_clientGone = true;
        return WaitOutcome::Gone;
    }
}

bool ClientConnection::sleepWatchingForAttention(std::chrono::milliseconds delay, bool& cancelled) {
    cancelled = false;
    switch (watchClient(delay)) {
        case WaitOutcome::Done:
            return true;
        case WaitOutcome::Attention:
            cancelled = true;
            return sendAttentionAck();
        case WaitOutcome::Gone:
            break;
    }
    return false;
}

bool ClientConnection::sendCancelled(const std::vector<Token>& tokens) {
    // The reply to the interrupted request is one message, the acknowledgement another.
    return !m_clientGone && sendTokens(tokens) && sendAttentionAck();
}

bool ClientConnection::sendAttentionAck() {
    return sendDone(done::Attention, AttentionCurCmd);
}

bool ClientConnection::beginRequest(const QString& journalText, const QString& matchText,
                                    bool isRpc, bool& skip) {
    skip = false;
    ++m_requestCount;
    m_context.journal.record({m_number, m_session->currentDatabase(), journalText});
    const auto fault = m_context.faults.take(m_number, m_requestCount, matchText);
    if (!fault) return true;
    switch (fault->action) {
        case Fault::Action::Drop:
            return false;
        case Fault::Action::Fail: {
            skip = true;
            Done d;
            d.kind = isRpc ? Done::Kind::DoneProc : Done::Kind::Done;
            d.error = true;
            Message error;
            error.number = fault->errorNumber;
            error.state = fault->state;
            error.severity = fault->severity;
            error.text = fault->errorText;
            return sendTokens({error, d});
        }
        case Fault::Action::Sleep: {
            bool cancelled = false;
            if (!sleepWatchingForAttention(fault->delay, cancelled)) return false;
            skip = cancelled;
            return true;
        }
    }
    return true;
}

bool ClientConnection::handleBatch(const QByteArray& payload) {
    QByteArrayView body(payload);
    // A 7.2+ client that ignored our 7.1 answer would put ALL_HEADERS first.
    if ((m_loginVersion >> 24) >= 0x72 && body.size() >= 22) {
        ByteReader r(body.data(), body.size());
        if (r.u32() == 22u && r.u32() == 18u && r.u16() == 2u) body = body.sliced(22);
    }
    const QString text = ByteReader::decodeUcs2(body);
    bool skip = false;
    if (!beginRequest(text, text, false, skip)) return false;
    if (skip) return true;
    const Reply reply = m_session->executeBatch(text);
    if (reply.cancelled) return sendCancelled(reply.tokens);
    if (!sendTokens(reply.tokens)) return false;
    return !reply.closeConnection;
}

bool ClientConnection::handleRpc(const QByteArray& payload) {
    const RpcParseResult parsed = parseRpc(payload, m_version, m_collation.codePage);
    if (!parsed.error.isEmpty()) return false;
    std::vector<Token> all;
    bool closeAfter = false;
    for (const RpcCall& call : parsed.calls) {
        const RpcParam* stmt = findParam(call, u"@stmt", call.procId == procid::PrepExec ? 2 : 0);
        const QString journalText = describeRpc(call);
        const QString matchText =
            stmt && !stmt->value.isNull() ? stmt->value.toString() : journalText;
        bool skip = false;
        if (!beginRequest(journalText, matchText, true, skip)) return false;
        if (skip) continue;
        Reply reply = m_session->executeRpc(call);
        closeAfter = reply.closeConnection;
        std::move(reply.tokens.begin(), reply.tokens.end(), std::back_inserter(all));
        if (reply.cancelled) return sendCancelled(all);  // the calls after it do not run
        if (closeAfter) break;
    }
    if (!all.empty() && !sendTokens(all)) return false;
    return !closeAfter;
}

bool ClientConnection::sendPayload(const QByteArray& payload) {
    return sendAll(m_fd, framePackets(payload, m_packetSize, m_spid));
}

bool ClientConnection::sendDone(quint16 status, quint16 curCmd) {
    QByteArray out;
    TokenEncoder(m_version, m_context.serverName, m_collation)
        .done(out, token::Done, status, curCmd, 0);
    return sendPayload(out);
}

bool ClientConnection::sendTokens(const std::vector<Token>& tokens) {
    const TokenEncoder enc(m_version, m_context.serverName, m_collation);
    PacketFramer framer(m_packetSize, m_spid);
    QByteArray& payload = framer.payload();
    QByteArray wire;
    payload.reserve(FlushThreshold + 64 * 1024);
    // Between rounds of packets the client may have sent an attention: the reply then stops at
    // the next token boundary and ends with the attention's acknowledgement.
    bool cancelled = false;
    const auto flushIfFull = [&] {
        if (payload.size() < FlushThreshold) return true;
        framer.takeFullPackets(wire);
        const bool ok = sendAll(m_fd, wire);
        wire.resize(0);  // keeps the capacity for the next round
        if (!ok || !m_reader.waitReadable(0)) return ok;
        Request request;
        if (!readRequest(request) || request.type != quint8(PacketType::Attention))
            return false;  // only an attention may interrupt a reply
        cancelled = true;
        return true;
    };
    qsizetype lastDone = -1;
    for (qsizetype i = 0; i < qsizetype(tokens.size()); ++i) {
        if (isDone(tokens[size_t(i)])) lastDone = i;
    }
    for (qsizetype i = 0; i < qsizetype(tokens.size()) && !cancelled; ++i) {
        const Token& t = tokens[size_t(i)];
        if (const auto* rs = std::get_if<ResultSet>(&t)) {
            enc.colMetadata(payload, rs->columns);
            for (const auto& row : rs->rows) {
                enc.row(payload, rs->columns, row);
                if (!flushIfFull()) return false;
                if (cancelled) break;
            }
        } else if (const auto* m = std::get_if<Message>(&t)) {
            enc.message(payload, *m);
        } else if (const auto* change = std::get_if<DatabaseChange>(&t)) {
            enc.envChange(payload, 1, change->newDatabase, change->oldDatabase);
        } else if (const auto* d = std::get_if<Done>(&t)) {
            enc.done(payload, *d, i != lastDone);
        } else if (const auto* rs2 = std::get_if<ReturnStatus>(&t)) {
            enc.returnStatus(payload, rs2->value);
        } else if (const auto* rv = std::get_if<ReturnValue>(&t)) {
            enc.returnValue(payload, *rv);
        }
        if (!flushIfFull()) return false;
    }
    if (cancelled)
        enc.done(payload, token::Done, done::Attention, AttentionCurCmd, 0);
    else if (lastDone < 0)  // every response ends with a DONE, even an empty one
        enc.done(payload, token::Done, 0, 0, 0);
    framer.finish(wire);
    return sendAll(m_fd, wire);
}

}  // namespace sqlsim
