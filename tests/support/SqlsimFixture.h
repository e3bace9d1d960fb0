#pragma once
// An embedded sqlsim server for end-to-end tests: the program talks to it through the real ODBC
// path (unixODBC + FreeTDS) on an ephemeral loopback port.
//
//   tarnwick::test::SqlsimFixture sim(u"conn-2000.json"_s);  // tests/data/conn-2000.json
//   ASSERT_TRUE(sim.connect());                   // ConnectServer + ReadServerVersion, as a login
//   does ModMain::serverConnection().Connection.execute(u"..."_s);
//   EXPECT_EQ(sim.journalTexts().last(), u"...");
//   EXPECT_TRUE(sim.engine().databaseExists(u"x"_s));
//
// The destructor closes the program's connection (if open) before it stops the server, so every
// test starts with ModMain's connection closed.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/Scenario.h"
#include "sqlsim/protocol/Server.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace tarnwick::test {

class SqlsimFixture {
public:
    // scenario: inline JSON (text starting with "{"), or a path: absolute, relative to tests/data,
    // or relative to the source tree (e.g. "sqlsim/scenarios/demo.json"). Throws std::runtime_error
    // when the scenario can not be read or the server can not start.
    explicit SqlsimFixture(const QString& scenario);
    explicit SqlsimFixture(const sqlsim::Scenario& scenario);
    ~SqlsimFixture();
    SqlsimFixture(const SqlsimFixture&) = delete;
    SqlsimFixture& operator=(const SqlsimFixture&) = delete;

    // What a user types in the server box to reach this server: "127.0.0.1,<port>".
    QString serverName() const;
    quint16 port() const;
    QString password() const { return m_password; }  // the scenario's sa password

    sqlsim::Server& server() { return *m_server; }
    sqlsim::Engine& engine() { return *m_engine; }

    // The time model: DBCC statements take their pages / rate seconds and can be cancelled
    // meanwhile (Engine::setDbccPagesPerSecond); 0, the default, answers at once. The scenario's
    // "dbccPagesPerSecond" sets it too.
    void setDbccPagesPerSecond(double rate) { m_engine->setDbccPagesPerSecond(rate); }

    // The program's login: ModMain::ConnectServer(serverName(), password), then ServerVersion from
    // ReadServerVersion. False when ConnectServer failed (its message box went to the toolkit).
    bool connect();
    bool connect(const QString& password);
    void disconnect();  // closes ModMain's connection when it is open

    // The texts of every request received (of one connection), in order, exactly as received. The
    // journal itself and fault injection are the server's: server().journal(), server().addFault().
    QStringList journalTexts() const;
    QStringList journalTextsOf(int connection) const;
    void clearJournal();

    // Fails batches whose text matches the regular expression with the server's error.
    void failOn(const QString& pattern, const QString& errorText, int errorNumber = 50000,
                int severity = 16, int times = 1);
    // Holds batches whose text matches for delay before they run, watching for an attention
    // meanwhile: a cancel then answers at once and the batch does not run. Makes any statement
    // slow enough to cancel; the DBCC statements take time of their own with a page rate.
    void delayOn(const QString& pattern, std::chrono::milliseconds delay, int times = 1);
    // Waits until the server has received a batch (or RPC) with exactly this text: it is then
    // running, or waiting under the time model or delayOn. False after timeoutMs.
    bool waitForRequest(const QString& text, int timeoutMs = 10000) const;
    // Runs action once, from this thread's event loop, when the server has received a request
    // with exactly this text: for a window that waits for its statement in an event loop of its
    // own. The watch ends with context.
    void whenReceived(QObject* context, const QString& text, std::function<void()> action) const;
    static QString literal(const QString& text);  // a pattern matching text anywhere in a batch

    // A scenario as the constructor reads it.
    static sqlsim::Scenario loadScenario(const QString& scenario);
    // Where tests/data lies, and the path of a file in it.
    static QString dataPath(const QString& fileName);

private:
    void start(const sqlsim::Scenario& scenario);

    std::shared_ptr<sqlsim::Engine> m_engine;
    std::unique_ptr<sqlsim::Server> m_server;
    QString m_password;
};

}  // namespace tarnwick::test
