#include "tests/support/SqlsimFixture.h"

#include "connection/ModMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace tarnwick::test {

namespace {

QString resolveScenarioPath(const QString& path) {
    if (QFileInfo(path).isAbsolute()) return path;
    const QString inData = SqlsimFixture::dataPath(path);
    if (QFileInfo::exists(inData)) return inData;
    const QString inSource = QDir(QStringLiteral(TARNWICK_SOURCE_DIR)).filePath(path);
    if (QFileInfo::exists(inSource)) return inSource;
    throw std::runtime_error("scenario not found: " + path.toStdString());
}

sqlsim::Fault faultOn(const QString& pattern, sqlsim::Fault::Action action, int times) {
    sqlsim::Fault fault;
    fault.pattern = QRegularExpression(pattern);
    fault.action = action;
    fault.times = times;
    return fault;
}

}  // namespace

SqlsimFixture::SqlsimFixture(const QString& scenario) {
    start(loadScenario(scenario));
}

sqlsim::Scenario SqlsimFixture::loadScenario(const QString& scenario) {
    if (scenario.trimmed().startsWith(u'{')) return sqlsim::Scenario::fromJson(scenario.toUtf8());
    return sqlsim::Scenario::fromFile(resolveScenarioPath(scenario));
}

SqlsimFixture::SqlsimFixture(const sqlsim::Scenario& scenario) {
    start(scenario);
}

void SqlsimFixture::start(const sqlsim::Scenario& scenario) {
    m_password = scenario.saPassword;
    m_engine = sqlsim::Engine::create(scenario);
    m_server = std::make_unique<sqlsim::Server>(m_engine);
    if (m_server->start(0) == 0) throw std::runtime_error("sqlsim did not start");
}

SqlsimFixture::~SqlsimFixture() {
    disconnect();
    m_server->stop();
}

QString SqlsimFixture::serverName() const {
    return u"127.0.0.1,"_s + QString::number(port());
}

quint16 SqlsimFixture::port() const {
    return m_server->port();
}

bool SqlsimFixture::connect() {
    return connect(m_password);
}

bool SqlsimFixture::connect(const QString& password) {
    if (!ModMain::ConnectServer(serverName(), password)) return false;
    ModMain::serverConnection().ServerVersion =
        ModMain::ReadServerVersion(ModMain::serverConnection().Connection);
    return true;
}

void SqlsimFixture::disconnect() {
    tarnwick::OdbcConnection& connection = ModMain::serverConnection().Connection;
    if (connection.isOpen()) connection.close();
}

QStringList SqlsimFixture::journalTexts() const {
    QStringList texts;
    for (const sqlsim::JournalEntry& entry : m_server->journal()) texts << entry.text;
    return texts;
}

QStringList SqlsimFixture::journalTextsOf(int connection) const {
    QStringList texts;
    for (const sqlsim::JournalEntry& entry : m_server->journalOf(connection)) texts << entry.text;
    return texts;
}

void SqlsimFixture::clearJournal() {
    m_server->clearJournal();
}

void SqlsimFixture::failOn(const QString& pattern, const QString& errorText, int errorNumber,
                           int severity, int times) {
    sqlsim::Fault fault = faultOn(pattern, sqlsim::Fault::Action::Fail, times);
    fault.errorText = errorText;
    fault.errorNumber = errorNumber;
    fault.severity = severity;
    m_server->addFault(fault);
}

void SqlsimFixture::delayOn(const QString& pattern, std::chrono::milliseconds delay, int times) {
    sqlsim::Fault fault = faultOn(pattern, sqlsim::Fault::Action::Sleep, times);
    fault.delay = delay;
    m_server->addFault(fault);
}

bool SqlsimFixture::waitForRequest(const QString& text, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    while (!journalTexts().contains(text)) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(5);
    }
    return true;
}

void SqlsimFixture::whenReceived(QObject* context, const QString& text,
                                 std::function<void()> action) const {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, text, action = std::move(action)] {
        if (!waitForRequest(text, 0)) return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(10);
}

QString SqlsimFixture::literal(const QString& text) {
    return QRegularExpression::escape(text);
}

QString SqlsimFixture::dataPath(const QString& fileName) {
    return QDir(QStringLiteral(TARNWICK_SOURCE_DIR "/tests/data")).filePath(fileName);
}

}  // namespace tarnwick::test
