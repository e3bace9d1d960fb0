// The file shrink, the index rebuild and the all-table repair end to end: the real ODBC path
// through FreeTDS to an embedded sqlsim. Each case checks the batches received, byte for byte,
// the result text, the wait panel, the message boxes and the state left on the server. A failure at
// each statement is in FaultMatrixE2eTest.cpp.

#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;
using namespace tarnwick::maintenance;

namespace {

// Databases of ops-maintenance.json.
const QString kDb = u"Sales"_s;
const QString kEmptyDb = u"Empty"_s;    // no user tables
const QString kLockedDb = u"Locked"_s;  // held in single-user mode by another connection
const QString kMissingDb = u"NoSuchDb"_s;

const QString kOrdersFinding =
    u"Object ID 117575457, index ID 0: Page (1:295) could not be processed. See other errors for "
    u"details."_s;

QString useStatement(const QString& db) {
    return u"USE ["_s + db + u"]"_s;
}
QString lines(const QStringList& words) {
    QString text;
    for (const QString& w : words) text += w + u"\r\n"_s;
    return text;
}

// The batches of each routine's whole run on a database, in order.
QStringList shrinkRun(const QString& db, int kind) {
    const QString file = db + (kind == LogFile ? u"_Log"_s : u"_Data"_s);
    // sysfiles' name is nchar(128): the name comes back, and goes on, with its trailing blanks.
    return {fileNameQuery(db, kind), backupLogStatement(db),
            shrinkFileStatement(db, file.leftJustified(128, u' '))};
}

QStringList rebuildRun(const QString& db) {
    return {useStatement(db), rebuildAllIndexesStatement(), useStatement(u"Master"_s)};
}

QStringList repairRun(const QString& db) {
    return {singleUserStatement(db, true),
            useStatement(db),
            dropLeftoverTableStatement(),
            dropLeftoverProcStatement(),
            createResultTableStatement(),
            repairEachTableStatement(),
            readBackQuery(),
            useStatement(u"master"_s),
            dropQualifiedResultTableStatement(db),
            singleUserStatement(db, false)};
}

const QStringList kShrinkLines{u"正在读取日志文件"_s, u"正在截断事务日志"_s, u"正在压缩日志文件"_s,
                               u"压缩完成"_s};

class MaintenanceE2e : public testing::Test {
protected:
    void SetUp() override {
        m_sim = std::make_unique<tarnwick::test::SqlsimFixture>(u"ops-maintenance.json"_s);
        ASSERT_TRUE(m_sim->connect());
        m_mainConn = m_sim->server().journal().back().conn;
        m_sim->clearJournal();
    }

    QStringList batches() const {
        QStringList texts;
        for (const sqlsim::JournalEntry& entry : m_sim->server().journal())
            if (entry.conn == m_mainConn) texts << entry.text;
        return texts;
    }

    bool insideDatabase(const QString& db) { return !engine().sessionsIn(db).isEmpty(); }
    sqlsim::Engine& engine() { return m_sim->engine(); }

    tarnwick::test::RecordingToolkit m_toolkit;
    std::unique_ptr<tarnwick::test::SqlsimFixture> m_sim;
    int m_mainConn = 0;
};

// ---- File shrink -------------------------------------------------------------------------------

TEST_F(MaintenanceE2e, ShrinkWritesFourLinesShrinksTheFileAndStaysInTheDatabase) {
    for (const int kind : {LogFile, DataFile}) {
        SCOPED_TRACE(kind);
        const QString target = kind == LogFile ? u"Sales_Log"_s : u"Sales_Data"_s;
        const QString other = kind == LogFile ? u"Sales_Data"_s : u"Sales_Log"_s;
        const int otherSize = engine().fileSizePages(kDb, other);
        m_sim->clearJournal();
        RecordingHost host;
        EXPECT_TRUE(ModMain::ShrinkDatabaseFile(host, kDb, kind));

        EXPECT_EQ(batches(), shrinkRun(kDb, kind));
        EXPECT_EQ(host.resultText(), lines(kShrinkLines));
        // Each line is written, then painted; no wait panel.
        const QStringList lineThenPump{u"setResultText"_s, u"processEvents"_s};
        EXPECT_EQ(host.calls(), lineThenPump + lineThenPump + lineThenPump + lineThenPump);
        EXPECT_EQ(engine().fileSizePages(kDb, target), 128) << "1 MB";
        EXPECT_EQ(engine().fileSizePages(kDb, other), otherSize);
        EXPECT_TRUE(insideDatabase(kDb));
    }
    EXPECT_TRUE(m_toolkit.messageBoxes.empty());
}

TEST_F(MaintenanceE2e, ShrinkOfAMissingDatabaseStopsAtTheFileQuery) {
    RecordingHost host;
    EXPECT_FALSE(ModMain::ShrinkDatabaseFile(host, kMissingDb, LogFile));
    EXPECT_EQ(batches(), QStringList{fileNameQuery(kMissingDb, LogFile)});
    static const QRegularExpression shape(
        u"^正在读取日志文件\r\n错误信息[^\r\n]*NoSuchDb[^\r\n]*\r\n$"_s);
    EXPECT_TRUE(shape.match(host.resultText()).hasMatch()) << host.resultText().toStdString();
}

TEST_F(MaintenanceE2e, ShrinkOfADatabaseWithoutSuchFilesFailsAtTheShrink) {
    RecordingHost host;
    EXPECT_FALSE(ModMain::ShrinkDatabaseFile(host, kDb, 2));  // no file group 2: no first row
    EXPECT_EQ(batches(), shrinkRun(kDb, 2).mid(0, 2));
    EXPECT_TRUE(host.resultText().startsWith(lines(kShrinkLines.mid(0, 3)) + u"错误信息"_s))
        << host.resultText().toStdString();
}

// ---- Index rebuild -----------------------------------------------------------------------------

TEST_F(MaintenanceE2e, RebuildRebuildsEveryUserTableAndReturnsToMaster) {
    RecordingHost host;
    ModMain::RebuildAllIndexes(host, kDb);
    EXPECT_EQ(batches(), rebuildRun(kDb));
    EXPECT_EQ(host.resultText(), u"重建完成"_s);
    EXPECT_EQ(host.calls(),
              (QStringList{u"show:"_s + rebuildWaitText(), u"setResultText"_s, u"hide"_s}));
    EXPECT_TRUE(m_toolkit.messageBoxes.empty());
    EXPECT_EQ(engine().indexRebuilds(kDb, u"Orders"_s), 1);
    EXPECT_EQ(engine().indexRebuilds(kDb, u"Customers"_s), 1);
    EXPECT_FALSE(insideDatabase(kDb));

    RecordingHost empty;
    ModMain::RebuildAllIndexes(empty, kEmptyDb);
    EXPECT_EQ(empty.resultText(), u"重建完成"_s);
}

TEST_F(MaintenanceE2e, RebuildOfADatabaseHeldInSingleUserModeShowsTheServersTextInABox) {
    engine().setSingleUser(kLockedDb, true);
    tarnwick::OdbcConnection other;
    other.open(ModMain::buildConnectionString(m_sim->serverName(), m_sim->password()));
    other.setDefaultDatabase(kLockedDb);
    m_sim->clearJournal();

    RecordingHost host;
    bool panelUpAtTheBox = false;
    m_toolkit.onMessageBox = [&](const auto&) { panelUpAtTheBox = host.panelVisible(); };
    ModMain::RebuildAllIndexes(host, kLockedDb);

    ASSERT_EQ(m_toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(m_toolkit.messageBoxes[0].text,
              u"Database 'Locked' is already open and can only have one user at a time."_s);
    EXPECT_EQ(m_toolkit.messageBoxes[0].style, tarnwick::vbCritical);
    EXPECT_EQ(m_toolkit.messageBoxes[0].title, u"提示"_s);
    EXPECT_TRUE(panelUpAtTheBox);
    EXPECT_FALSE(host.panelVisible());
    EXPECT_EQ(host.resultText(), QString());
    EXPECT_EQ(batches(), (QStringList{useStatement(kLockedDb), useStatement(u"Master"_s)}));
    EXPECT_EQ(engine().indexRebuilds(kLockedDb, u"Items"_s), 0);
    other.close();
}

// ---- All-table repair --------------------------------------------------------------------------

TEST_F(MaintenanceE2e, RepairEachTableShowsEveryTablesMessagesAndRepairsTheirFindings) {
    RecordingHost host;
    EXPECT_TRUE(ModMain::RepairEachTable(host, kDb));
    EXPECT_EQ(batches(), repairRun(kDb));
    for (const QString& table : {u"Orders"_s, u"Customers"_s, u"DBCCRESULT"_s}) {
        EXPECT_TRUE(host.resultText().contains(u"DBCC results for '"_s + table + u"'.\r"_s))
            << table.toStdString();
    }
    EXPECT_TRUE(host.resultText().contains(kOrdersFinding)) << host.resultText().toStdString();
    EXPECT_TRUE(host.resultText().endsWith(u'\r'));
    EXPECT_FALSE(host.resultText().contains(u"错误信息"_s));
    EXPECT_EQ(host.calls(),
              (QStringList{u"show:正在检测................"_s, u"setResultText"_s, u"hide"_s}));
    EXPECT_FALSE(engine().objectExists(kDb, u"DBCCRESULT"_s));
    EXPECT_FALSE(engine().isSingleUser(kDb));
    EXPECT_FALSE(insideDatabase(kDb));
    // The drop and the switch out of single-user mode are sent from master.
    const std::vector<sqlsim::JournalEntry> journal = m_sim->server().journal();
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2].db, u"master"_s);
    EXPECT_EQ(journal.back().db, u"master"_s);

    // The user table's finding is gone; the system table's is not a user table's.
    EXPECT_EQ(engine().findingCount(kDb), 1);
    RecordingHost check;
    ModMain::CheckDatabase(check, kDb);
    EXPECT_FALSE(check.resultText().contains(kOrdersFinding)) << check.resultText().toStdString();
}

// Without user tables of its own the database still holds the work table while the capture runs,
// so the server checks that one table and only its lines come back.
TEST_F(MaintenanceE2e, RepairEachTableWithoutUserTablesShowsOnlyTheWorkTable) {
    RecordingHost host;
    EXPECT_TRUE(ModMain::RepairEachTable(host, kEmptyDb));
    EXPECT_EQ(batches(), repairRun(kEmptyDb));
    EXPECT_EQ(host.resultText(),
              u"DBCC results for 'DBCCRESULT'.\r"
              u"There are 0 rows in 0 pages for object 'DBCCRESULT'.\r"_s);
    EXPECT_FALSE(engine().objectExists(kEmptyDb, u"DBCCRESULT"_s));
    EXPECT_FALSE(engine().isSingleUser(kEmptyDb));
}

}  // namespace
