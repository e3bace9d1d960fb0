// The sa password never shows in any output: a full login, an operation and a failed login run with
// distinctive passwords while the journal (in memory and in its file), stderr, Qt's message log,
// the driver's own protocol log, the message boxes and the result text are collected; none of them
// may hold either password.

#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

QStringList g_qtMessages;

void collectQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    g_qtMessages << message;
}

// Sends the process's stderr to a file while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path) : m_path(path) {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    QByteArray text() {
        restore();
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    void restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QString m_path;
    int m_saved = -1;
};

// Every form in which a password could travel: as typed, in UTF-8, in UCS-2 bytes, and the way a
// hex dump's character column shows UCS-2 ("s.e.c.r.e.t."), tried on its leading ASCII part too.
void expectNoTrace(const QByteArray& output, const QString& password, const char* where) {
    QString asciiPart;
    for (const QChar c : password) {
        if (c.unicode() > 0x7e) break;
        asciiPart += c;
    }
    for (const QString& probe : {password, asciiPart}) {
        EXPECT_FALSE(output.contains(probe.toUtf8())) << where;
        const QByteArray ucs2(reinterpret_cast<const char*>(probe.utf16()), probe.size() * 2);
        EXPECT_FALSE(output.contains(ucs2)) << where;
        QByteArray dotted;
        for (const QChar c : probe)
            dotted +=
                c.unicode() <= 0x7e ? QByteArray(1, char(c.unicode())) + '.' : QByteArray("..");
        EXPECT_FALSE(output.contains(dotted)) << where;
    }
}

TEST(PasswordSecrecyTest, NoOutputHoldsThePasswordThroughLoginOperationAndFailedLogin) {
    const QString secret = u"Zq7-secret-密码-9xW"_s;
    const QString mistyped = u"Kv3-wrong-口令-2yP"_s;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // FreeTDS writes its protocol log where TDSDUMP points when it first opens a connection; this
    // executable opens none before this line.
    const QString driverLogPath = dir.filePath(u"tdsdump.log"_s);
    qputenv("TDSDUMP", driverLogPath.toLocal8Bit());
    RecordingToolkit toolkit;
    g_qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectQtMessage);

    sqlsim::Scenario scenario = sqlsim::Scenario::standard();
    scenario.saPassword = secret;
    QString resultText;
    QStringList journal;
    QByteArray errors;
    {
        StderrCapture capture(dir.filePath(u"stderr.txt"_s));
        // Markers prove that both outputs are really collected.
        std::fprintf(stderr, "stderr-marker\n");
        qWarning("qt-marker");
        SqlsimFixture sim(scenario);
        sim.server().setJournalFile(dir.filePath(u"journal.jsonl"_s));
        ASSERT_TRUE(sim.connect());
        RecordingHost host;
        ModMain::CheckDatabase(host, u"pubs"_s);
        ModMain::ShrinkDatabaseFile(host, u"pubs"_s, 0);
        resultText = host.resultText();
        sim.disconnect();
        EXPECT_FALSE(ModMain::ConnectServer(sim.serverName(), mistyped));
        journal = sim.journalTexts();
        errors = capture.text();
    }
    qInstallMessageHandler(previous);

    EXPECT_TRUE(errors.contains("stderr-marker"));
    EXPECT_TRUE(g_qtMessages.contains(u"qt-marker"_s));

    QFile journalFile(dir.filePath(u"journal.jsonl"_s));
    ASSERT_TRUE(journalFile.open(QIODevice::ReadOnly));
    const QByteArray journalBytes = journalFile.readAll();
    EXPECT_FALSE(journalBytes.isEmpty());
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"Login failed for user 'sa'."_s);

    QFile driverLog(driverLogPath);
    ASSERT_TRUE(driverLog.open(QIODevice::ReadOnly));
    const QByteArray driverLogBytes = driverLog.readAll();
    EXPECT_TRUE(driverLogBytes.contains("Login failed for user"));

    QStringList boxes;
    for (const auto& box : toolkit.messageBoxes) boxes << box.text + box.title;
    for (const QString& password : {secret, mistyped}) {
        expectNoTrace(journalBytes, password, "journal file");
        expectNoTrace(driverLogBytes, password, "driver log");
        expectNoTrace(journal.join(u'\n').toUtf8(), password, "journal");
        expectNoTrace(errors, password, "stderr");
        expectNoTrace(g_qtMessages.join(u'\n').toUtf8(), password, "Qt messages");
        expectNoTrace(boxes.join(u'\n').toUtf8(), password, "message boxes");
        expectNoTrace(resultText.toUtf8(), password, "result area");
    }
}

}  // namespace
