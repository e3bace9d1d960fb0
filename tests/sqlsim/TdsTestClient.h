#pragma once
// A bare TDS 7.1 client for the server tests: builds the client messages byte by byte and sends
// them in packets of a chosen size, including what no well-behaved client sends, and gives back the
// server's packets as they came. The tokens themselves are read by FreeTDS in every end-to-end
// test.

#include <QByteArray>
#include <QString>

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

struct WireResponse {
    bool complete = false;            // ended with an EOM packet
    bool closed = false;              // the server closed the connection
    std::vector<QByteArray> headers;  // every packet header
    QByteArray payload;
};

// The DONE token that ends a TDS 7.1 reply (9 bytes: type, status, command, row count).
struct FinalDone {
    bool found = false;
    quint16 status = 0;
    quint32 rowCount = 0;
};
FinalDone finalDone(const QByteArray& payload);

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

    // Pre-login and login; true when the server accepted it (a reply that does not open with an
    // error).
    bool login(quint16 port, const Login7Fields& fields = {});
    WireResponse batch(const QString& text, int packetSize = 4096);

private:
    int m_fd = -1;
    QByteArray m_pending;
};

}  // namespace sqlsim::test
