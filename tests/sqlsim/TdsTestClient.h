#pragma once
// A bare TDS 7.1 client for the server tests: builds the client messages byte by byte, sends them
// in packets of a chosen size and decodes the server's tokens, so the tests see exactly what is on
// the wire, including what no well-behaved client sends.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace sqlsim::test {

struct Login7Fields {
    quint32 tdsVersion = 0x71000001;
    quint32 packetSize = 4096;
    QString hostName = QStringLiteral("testhost");
    QString userName = QStringLiteral("sa");
    QString password = QStringLiteral("Secret1");
    QString appName = QStringLiteral("tests");
    QString serverName = QStringLiteral("127.0.0.1");
    QString libraryName = QStringLiteral("raw");
    QString language;
    QString database;
};

QByteArray buildLogin7(const Login7Fields& fields);
// FreeTDS's pre-login: VERSION, ENCRYPTION off, INSTOPT "MSSQLServer", THREADID.
QByteArray buildPrelogin();
QByteArray ucs2(const QString& text);

struct WireToken {
    quint8 type = 0;
    quint16 status = 0;  // DONE family
    quint32 rowCount = 0;
    qint32 number = 0;  // INFO/ERROR number
    quint8 severity = 0;
    QString text;  // message text / ENVCHANGE new value
    quint8 envType = 0;
    QByteArray raw;      // LOGINACK body, collation bytes of ENVCHANGE 7
    QStringList values;  // ROW values as text, "NULL" for NULL
};

struct WireResponse {
    bool complete = false;            // ended with an EOM packet
    bool closed = false;              // the server closed the connection
    std::vector<QByteArray> headers;  // every packet header
    QByteArray payload;
    std::vector<WireToken> tokens;
    QString decodeError;
    // "DONE(0x11,1) ROW COLMETADATA ..." style summary of token types.
    QString summary() const;
};

// Decodes a TDS 7.1 token stream.
std::vector<WireToken> decodeTokens(const QByteArray& payload, QString* error = nullptr);

class TdsTestClient {
public:
    TdsTestClient() = default;
    ~TdsTestClient();
    TdsTestClient(const TdsTestClient&) = delete;
    TdsTestClient& operator=(const TdsTestClient&) = delete;

    bool connect(quint16 port);
    void close();
    int fd() const { return m_fd; }

    // Sends one message split into packets of packetSize (the last with EOM, plus extraStatus).
    bool sendMessage(quint8 type, const QByteArray& payload, int packetSize = 4096,
                     quint8 extraStatus = 0);
    bool sendRaw(const QByteArray& bytes);
    // Reads packets until EOM or close (or timeoutMs without data).
    WireResponse readResponse(int timeoutMs = 5000);
    // True when the server closed the connection within timeoutMs.
    bool waitClosed(int timeoutMs = 5000);

    // Pre-login and login; true when a LOGINACK came back.
    bool login(quint16 port, const Login7Fields& fields = {});
    WireResponse batch(const QString& text, int packetSize = 4096);

private:
    int m_fd = -1;
    QByteArray m_pending;
};

}  // namespace sqlsim::test
