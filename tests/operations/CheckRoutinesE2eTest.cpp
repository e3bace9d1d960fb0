// The seven check and repair routines end to end: the real ODBC path through FreeTDS to an embedded
// sqlsim on an ephemeral loopback port. Each case checks the batches the server received, in order
// and byte for byte, the result text, the wait panel and the state left on the server. A failure at
// each statement is in FaultMatrixE2eTest.cpp.

#include "operations/CaptureStatements.h"
#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;

namespace {

// Databases of ops-server.json.
const QString kDb = u"Sales"_s;
const QString kChineseDb = u"销售数据"_s;
const QString kBlankDb = u"My Db"_s;
const QString kQuoteDb = u"O'Brien"_s;
const QString kMissingDb = u"NoSuchDb"_s;

tarnwick::OdbcConnection& connection() { return ModMain::serverConnection().Connection; }

// What the connection sends when its default database changes.
QString useStatement(const QString& database)
{
    return u"USE ["_s + QString(database).replace(u"]"_s, u"]]"_s) + u"]"_s;
}

// Each message read back is followed by one carriage return.
QString messagesText(const QStringList& messages)
{
    QString text;
    for (const QString& message : messages)
        text += message + u"\r"_s;
    return text;
}

QString report(const QString& description) { return u"错误信息"_s + description + u"\r\n"_s; }

struct Routine {
    const char* name;
    std::function<void(tarnwick::OperationHost&, const QString&)> run;
    CheckRoutine statement;
    QString table;  // the DBCC argument for the system-table repairs; empty: the database
    QStringList messages;  // what the run shows for kDb
};

void PrintTo(const Routine& routine, std::ostream* out) { *out << routine.name; }

// The two lines DBCC prints for each table it checks.
QStringList tableLines(const QString& table, int rows, int pages)
{
    return {u"DBCC results for '"_s + table + u"'."_s,
            u"There are %1 rows in %2 pages for object '%3'."_s.arg(rows).arg(pages).arg(table)};
}

// What a check of the whole of Sales reports: the system tables, the user tables (the work table
// among them, since it exists while the check runs), then the summary.
QStringList wholeSalesCheck()
{
    QStringList lines{u"DBCC results for 'Sales'."_s};
    lines << tableLines(u"sysobjects"_s, 38, 1) << tableLines(u"sysindexes"_s, 29, 1)
          << tableLines(u"syscolumns"_s, 206, 6) << tableLines(u"systypes"_s, 26, 1)
          << tableLines(u"syscomments"_s, 142, 4) << tableLines(u"sysfiles1"_s, 2, 1)
          << tableLines(u"syspermissions"_s, 52, 2) << tableLines(u"sysusers"_s, 14, 1)
          << tableLines(u"sysproperties"_s, 0, 1) << tableLines(u"sysdepends"_s, 426, 11)
          << tableLines(u"sysreferences"_s, 0, 1) << tableLines(u"sysfulltextcatalogs"_s, 0, 1)
          << tableLines(u"sysfulltextnotify"_s, 0, 1) << tableLines(u"sysfilegroups"_s, 1, 1)
          << tableLines(u"Orders"_s, 120, 3) << tableLines(u"Customers"_s, 40, 1)
          << tableLines(u"DBCCRESULT"_s, 0, 0)
          << u"CHECKDB found 0 allocation errors and 0 consistency errors in database 'Sales'."_s;
    return lines;
}

// What CHECKALLOC of Sales reports while the work objects exist. Its allocation report is derived
// from the tables of the database, so a server of the same scenario is asked for its rows.
QStringList salesAllocationCheck()
{
    const sqlsim::Scenario scenario =
        sqlsim::Scenario::fromFile(tarnwick::test::SqlsimFixture::dataPath(u"ops-server.json"_s));
    auto session = sqlsim::Engine::create(scenario)->newSession(60);
    sqlsim::LoginRequest login;
    login.user = u"sa"_s;
    login.password = scenario.saPassword;
    session->login(login);
    session->executeBatch(useStatement(kDb));
    session->executeBatch(createResultTableStatement());
    session->executeBatch(
        createCaptureProcStatement(captureStatementOf(CheckRoutine::CheckAllocation), kDb));
    QStringList lines;
    const sqlsim::Reply reply =
        session->executeBatch(u"DBCC CHECKALLOC('Sales') WITH TABLERESULTS"_s);
    for (const sqlsim::Token& token : reply.tokens) {
        if (const auto* rows = std::get_if<sqlsim::ResultSet>(&token)) {
            for (const auto& row : rows->rows)
                lines << row[3].toString();
        }
    }
    return lines;
}

const std::vector<Routine>& routines()
{
    static const QStringList kCleanCheck = wholeSalesCheck();
    static const QStringList kPhysicalOnly = {
        u"DBCC results for 'Sales'."_s,
        u"CHECKDB found 0 allocation errors and 0 consistency errors in database 'Sales'."_s,
    };
    static const QStringList kAlloc = salesAllocationCheck();
    static const std::vector<Routine> kRoutines = {
        {"CheckDatabase", ModMain::CheckDatabase, CheckRoutine::CheckDatabase, {}, kCleanCheck},
        {"CheckAllocation", ModMain::CheckAllocation, CheckRoutine::CheckAllocation, {}, kAlloc},
        {"CheckCatalog", ModMain::CheckCatalog, CheckRoutine::CheckCatalog, {}, kAlloc},
        {"UpdateUsage", ModMain::UpdateUsage, CheckRoutine::UpdateUsage, {}, {}},
        {"CheckPhysicalOnly", ModMain::CheckPhysicalOnly, CheckRoutine::CheckPhysicalOnly, {},
         kPhysicalOnly},
        {"RepairDatabase", ModMain::RepairDatabase, CheckRoutine::RepairDatabase, {}, kCleanCheck},
        {"RepairSysindexes",
         [](tarnwick::OperationHost& host, const QString& db) {
             ModMain::RepairSystemTable(host, db, u"sysindexes"_s);
         },
         CheckRoutine::RepairSystemTable, u"sysindexes"_s,
         tableLines(u"sysindexes"_s, 29, 1)},
        {"RepairSysobjects",
         [](tarnwick::OperationHost& host, const QString& db) {
             ModMain::RepairSystemTable(host, db, u"sysobjects"_s);
         },
         CheckRoutine::RepairSystemTable, u"sysobjects"_s,
         tableLines(u"sysobjects"_s, 38, 1)},
        {"RepairSyscolumns",
         [](tarnwick::OperationHost& host, const QString& db) {
             ModMain::RepairSystemTable(host, db, u"syscolumns"_s);
         },
         CheckRoutine::RepairSystemTable, u"syscolumns"_s,
         tableLines(u"syscolumns"_s, 206, 6)},
    };
    return kRoutines;
}

bool repairs(const Routine& routine) { return captureStatementOf(routine.statement).repairs; }

// The batches of a whole successful run, in order.
QStringList fullRun(const Routine& routine, const QString& database)
{
    const QString argument = routine.table.isEmpty() ? database : routine.table;
    QStringList batches;
    if (repairs(routine))
        batches << singleUserStatement(database, true);
    batches << useStatement(database) << dropLeftoverTableStatement() << dropLeftoverProcStatement()
            << createResultTableStatement()
            << createCaptureProcStatement(captureStatementOf(routine.statement), argument)
            << execCaptureProcStatement() << readBackQuery() << dropResultTableStatement()
            << dropCaptureProcStatement() << useStatement(u"master"_s);
    if (repairs(routine))
        batches << singleUserStatement(database, false);
    return batches;
}

QRegularExpression exactly(const QString& text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QRegularExpression::escape(text)));
}

class CheckRoutinesE2e : public testing::Test {
protected:
    void SetUp() override
    {
        m_sim = std::make_unique<tarnwick::test::SqlsimFixture>(u"ops-server.json"_s);
        ASSERT_TRUE(m_sim->connect());
        m_mainConn = m_sim->server().journal().back().conn;
        m_sim->clearJournal();
    }

    void TearDown() override { m_sim.reset(); }

    void openTo(tarnwick::OdbcConnection& c) const
    {
        c.open(ModMain::buildConnectionString(m_sim->serverName(), m_sim->password()));
        c.setCommandTimeout(3600);
    }

    static void closeQuietly(tarnwick::OdbcConnection& c)
    {
        if (!c.isOpen())
            return;
        try {
            c.close();
        } catch (const std::exception&) {
        }
    }

    sqlsim::Engine& engine() { return m_sim->engine(); }
    void addFault(const sqlsim::Fault& fault) { m_sim->server().addFault(fault); }

    // Texts of the batches the routine's connection sent since the last clearJournal().
    QStringList batches() const
    {
        QStringList texts;
        for (const sqlsim::JournalEntry& entry : m_sim->server().journal()) {
            if (entry.conn == m_mainConn)
                texts << entry.text;
        }
        return texts;
    }

    // The database the connection was in when each batch arrived.
    QStringList batchDatabases() const
    {
        QStringList dbs;
        for (const sqlsim::JournalEntry& entry : m_sim->server().journal()) {
            if (entry.conn == m_mainConn)
                dbs << entry.db;
        }
        return dbs;
    }

    bool workObjectsIn(const QString& database, bool* table, bool* proc)
    {
        *table = engine().objectExists(database, u"DBCCRESULT"_s);
        *proc = engine().objectExists(database, u"spDBCCTABLE"_s);
        return *table || *proc;
    }

    static void expectPanelShownThenHidden(const RecordingHost& host)
    {
        ASSERT_FALSE(host.calls().isEmpty());
        EXPECT_EQ(host.calls().first(), u"show:正在检测................"_s);
        EXPECT_EQ(host.calls().last(), u"hide"_s);
        EXPECT_EQ(host.calls().count(u"hide"_s), 1);
        EXPECT_FALSE(host.panelVisible());
        EXPECT_FALSE(host.calls().contains(u"processEvents"_s)) << "showing the panel pumps once";
    }

    std::unique_ptr<tarnwick::test::SqlsimFixture> m_sim;
    int m_mainConn = 0;  // the connection the routines use
};

// ---- Successful runs ---------------------------------------------------------------------------

class EveryRoutine : public CheckRoutinesE2e, public testing::WithParamInterface<Routine> {};

TEST_P(EveryRoutine, SendsItsBatchesShowsMessagesAndCleansUp)
{
    const Routine& routine = GetParam();
    RecordingHost host;
    routine.run(host, kDb);

    EXPECT_EQ(batches(), fullRun(routine, kDb));
    EXPECT_EQ(host.resultText(), messagesText(routine.messages));
    expectPanelShownThenHidden(host);
    if (routine.messages.isEmpty()) {
        EXPECT_FALSE(host.calls().contains(u"setResultText"_s)) << "no rows: the area is left alone";
    }

    bool table = false;
    bool proc = false;
    EXPECT_FALSE(workObjectsIn(kDb, &table, &proc));
    EXPECT_FALSE(engine().isSingleUser(kDb));
    EXPECT_TRUE(engine().sessionsIn(kDb).isEmpty()) << "back on master";

    // The switch on is made from master, the capture inside the database, the switch off from
    // master again.
    QStringList expectedDbs;
    if (repairs(routine))
        expectedDbs << u"master"_s;
    expectedDbs << u"master"_s;  // the USE itself arrives while still in master
    for (int i = 0; i < 8; ++i)
        expectedDbs << kDb;
    expectedDbs << kDb;  // USE [master] arrives inside the database
    if (repairs(routine))
        expectedDbs << u"master"_s;
    EXPECT_EQ(batchDatabases(), expectedDbs);
}

INSTANTIATE_TEST_SUITE_P(E2e, EveryRoutine, testing::ValuesIn(routines()),
                         [](const testing::TestParamInfo<Routine>& p) { return p.param.name; });

TEST_F(CheckRoutinesE2e, SecondRunReadsOnlyItsOwnMessages)
{
    const Routine& routine = routines().front();
    RecordingHost host;
    routine.run(host, kDb);
    host.setResultText(QString());  // as the dispatch does before every run
    routine.run(host, kDb);
    EXPECT_EQ(host.resultText(), messagesText(routine.messages));
}

TEST_F(CheckRoutinesE2e, LeftoversInAnotherDatabaseStayThere)
{
    // A failed run in the Chinese database leaves its work objects there.
    addFault({.pattern = exactly(execCaptureProcStatement())});
    RecordingHost failed;
    ModMain::CheckDatabase(failed, kChineseDb);
    bool table = false;
    bool proc = false;
    ASSERT_TRUE(workObjectsIn(kChineseDb, &table, &proc));

    RecordingHost host;
    ModMain::CheckDatabase(host, kDb);
    EXPECT_EQ(host.resultText(), messagesText(routines().front().messages));
    EXPECT_TRUE(workObjectsIn(kChineseDb, &table, &proc));
    EXPECT_TRUE(table && proc);
}

TEST_F(CheckRoutinesE2e, RepairsFixWhatTheChecksFind)
{
    const QString db = u"Stock"_s;
    const QString itemsFinding = u"Object ID 117575457, index ID 0: Page (1:295) could not be processed. "
                                 u"See other errors for details.\r"_s;
    const QString sysindexesFinding = u"Object ID 2, index ID 1: Page (1:80) could not be processed. "
                                      u"See other errors for details.\r"_s;

    RecordingHost check;
    ModMain::CheckDatabase(check, db);
    EXPECT_TRUE(check.resultText().contains(itemsFinding)) << check.resultText().toStdString();
    EXPECT_TRUE(check.resultText().contains(sysindexesFinding));
    EXPECT_TRUE(check.resultText().contains(
        u"\rCHECKDB found 0 allocation errors and 2 consistency errors in database 'Stock'.\r"_s));

    // The system-table repair fixes its own table only.
    RecordingHost repairTable;
    ModMain::RepairSystemTable(repairTable, db, u"sysindexes"_s);
    const QString repaired = u"        The error has been repaired.\r"_s;
    EXPECT_TRUE(repairTable.resultText().startsWith(u"DBCC results for 'sysindexes'.\r"_s
                                                    + u"Table error: Object ID 2, index ID 1 will be rebuilt.\r"_s
                                                    + sysindexesFinding + repaired))
        << repairTable.resultText().toStdString();
    EXPECT_FALSE(repairTable.resultText().contains(u"错误信息"_s));

    RecordingHost repairDb;
    ModMain::RepairDatabase(repairDb, db);
    EXPECT_TRUE(repairDb.resultText().contains(
        u"Repair: Deallocated page (1:295) from object ID 117575457, index ID 0.\r"_s + itemsFinding + repaired))
        << repairDb.resultText().toStdString();
    EXPECT_FALSE(repairDb.resultText().contains(sysindexesFinding));
    EXPECT_FALSE(repairDb.resultText().contains(u"错误信息"_s));
    EXPECT_FALSE(engine().isSingleUser(db));

    RecordingHost recheck;
    ModMain::CheckDatabase(recheck, db);
    EXPECT_TRUE(recheck.resultText().endsWith(
        u"\rCHECKDB found 0 allocation errors and 0 consistency errors in database 'Stock'.\r"_s))
        << recheck.resultText().toStdString();
}

// After a failed run the connection stays inside the database, so the switch back out of
// single-user mode is refused by the server (another user, the tool itself, is inside). The next
// repair finds the database single-user with only its own connection inside and repairs.
TEST_F(CheckRoutinesE2e, RepairRightAfterAFailureInsideTheDatabase)
{
    addFault({.pattern = exactly(execCaptureProcStatement())});
    RecordingHost failed;
    ModMain::RepairDatabase(failed, kDb);
    ASSERT_EQ(failed.resultText(), report(u"Injected failure."_s));
    ASSERT_EQ(engine().sessionsIn(kDb).size(), 1);
    EXPECT_TRUE(engine().isSingleUser(kDb));

    m_sim->server().clearFaults();
    m_sim->clearJournal();
    RecordingHost repaired;
    ModMain::RepairDatabase(repaired, kDb);
    const std::vector<sqlsim::JournalEntry> journal = m_sim->server().journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front().text, singleUserStatement(kDb, true));
    EXPECT_EQ(journal.front().db, kDb) << "the switch on is sent from inside the database";
    EXPECT_EQ(repaired.resultText(), messagesText(wholeSalesCheck()));
    EXPECT_FALSE(engine().isSingleUser(kDb));
}

// ---- What the server answers -------------------------------------------------------------------

TEST_F(CheckRoutinesE2e, RepairWhileAnotherConnectionIsInsideIsRefusedAndSwitchesBack)
{
    tarnwick::OdbcConnection other;
    openTo(other);
    other.setDefaultDatabase(kDb);
    m_sim->clearJournal();

    RecordingHost host;
    ModMain::RepairDatabase(host, kDb);

    QStringList expected = fullRun(routines().at(5), kDb);
    const int exec = int(expected.indexOf(execCaptureProcStatement()));
    expected = expected.mid(0, exec + 1) << singleUserStatement(kDb, false);
    EXPECT_EQ(batches(), expected);
    EXPECT_EQ(host.resultText(),
              report(u"Repair statement not processed. Database needs to be in single user mode."_s));
    expectPanelShownThenHidden(host);
    EXPECT_FALSE(engine().isSingleUser(kDb));
    closeQuietly(other);
}

TEST_F(CheckRoutinesE2e, DatabaseThatCannotBeEnteredStillSwitchesBothWays)
{
    RecordingHost host;
    ModMain::CheckAllocation(host, kMissingDb);
    EXPECT_EQ(batches(), (QStringList{singleUserStatement(kMissingDb, true), useStatement(kMissingDb),
                                      singleUserStatement(kMissingDb, false)}));
    EXPECT_EQ(host.resultText(),
              report(u"Could not locate entry in sysdatabases for database 'NoSuchDb'. No entry found "
                     u"with that name. Make sure that the name is entered correctly."_s));
    expectPanelShownThenHidden(host);
}

TEST_F(CheckRoutinesE2e, NameWithBlankBreaksTheDbccStatement)
{
    RecordingHost host;
    ModMain::CheckDatabase(host, kBlankDb);
    QStringList expected = fullRun(routines().front(), kBlankDb);
    expected = expected.mid(0, int(expected.indexOf(execCaptureProcStatement())) + 1);
    EXPECT_EQ(batches(), expected);
    EXPECT_EQ(host.resultText(), report(u"Line 1: Incorrect syntax near 'Db'."_s));
    expectPanelShownThenHidden(host);
}

TEST_F(CheckRoutinesE2e, NameWithQuoteBreaksTheCaptureProcedure)
{
    RecordingHost host;
    ModMain::CheckDatabase(host, kQuoteDb);
    QStringList expected = fullRun(routines().front(), kQuoteDb);
    expected = expected.mid(0, int(expected.indexOf(createCaptureProcStatement(
                                   captureStatementOf(CheckRoutine::CheckDatabase), kQuoteDb)))
                                   + 1);
    EXPECT_EQ(batches(), expected);
    EXPECT_EQ(host.resultText(),
              report(u"Unclosed quotation mark before the character string ')'."_s));
    expectPanelShownThenHidden(host);
}

// After a login window closed by its close box the connection stays closed: every statement
// fails, a repair's switch back included.
TEST_F(CheckRoutinesE2e, ClosedConnectionReportsEveryFailedStatement)
{
    closeQuietly(connection());
    const QString notOpen = report(u"The connection is not open."_s);
    RecordingHost check;
    ModMain::CheckDatabase(check, kDb);
    EXPECT_EQ(check.resultText(), notOpen);
    expectPanelShownThenHidden(check);

    RecordingHost repair;
    ModMain::RepairDatabase(repair, kDb);
    EXPECT_EQ(repair.resultText(), notOpen + notOpen);
    expectPanelShownThenHidden(repair);
    EXPECT_TRUE(batches().isEmpty());
}

// A server that does not know PHYSICAL_ONLY rejects it when the procedure runs the statement.
TEST(CheckRoutinesOnSql70, PhysicalOnlyIsRejectedByTheServer)
{
    tarnwick::test::SqlsimFixture sim(
        uR"({"profile": "7.0", "databases": [{"name": "master", "dbid": 1}, {"name": "Sales", "dbid": 7}]})"_s);
    ASSERT_TRUE(sim.connect());
    sim.clearJournal();

    RecordingHost host;
    ModMain::CheckPhysicalOnly(host, kDb);

    const QStringList all = fullRun(routines().at(4), kDb);
    QStringList sent = sim.journalTexts();
    EXPECT_EQ(sent, all.mid(0, int(all.indexOf(execCaptureProcStatement())) + 1));
    EXPECT_EQ(host.resultText(), report(u"Line 1: Incorrect syntax near 'PHYSICAL_ONLY'."_s));
    EXPECT_FALSE(host.panelVisible());
}

}  // namespace
