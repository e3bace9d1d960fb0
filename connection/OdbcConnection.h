#pragma once
// The one connection to the server, over ODBC 3 (unixODBC + FreeTDS on Linux). Every failure raises
// DbError; informational messages are not failures. Each call runs on a worker thread while the
// caller waits through the toolkit (core/CallWorker.h), so callers use it as plain blocking calls;
// a cancelled statement fails with a DbError whose isCancel() is true.

#include <QString>

#include <memory>

namespace tarnwick {

class OdbcConnection {
public:
    // An unknown host or a port where nothing listens fails at once; a host that does not answer at
    // all would otherwise keep the login window waiting for the operating system's own time-out.
    static constexpr int kDefaultLoginTimeoutSeconds = 15;

    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // connectionString is in the OLE DB form that ConnectServer builds; it is mapped to ODBC keys.
    void open(const QString& connectionString, const QString& user = {},
              const QString& password = {});
    void setCommandTimeout(int seconds);
    // Tests only: every statement waits at most this many seconds, whatever setCommandTimeout said
    // (a login sets 3600 anew), so that a test reaches the time-out quickly; 0 lifts the limit.
    void setCommandTimeoutForTests(int seconds);
    // How long an opening attempt waits for a server that accepts and never answers. The program
    // keeps the default; tests shorten it to reach the time-out quickly.
    void setLoginTimeout(int seconds);
    void setDefaultDatabase(const QString& name);
    // Runs one batch, reads every result of it, raises the first error of any statement.
    void execute(const QString& statement);
    void close();  // raises DbError when the connection is not open
    bool isOpen() const;

    struct Handles;
    Handles& handles();  // for RecordSet

private:
    std::unique_ptr<Handles> d;
    int m_loginTimeout = kDefaultLoginTimeoutSeconds;
};

}  // namespace tarnwick
