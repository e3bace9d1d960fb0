// The capture of DBCC output into the work table, driven with the maintenance tool's exact texts.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

const QString kCheckDb = QStringLiteral("  insert into DBCCRESULT exec('dbcc checkDB(");
const QString kCheckAlloc = QStringLiteral("  insert into DBCCRESULT exec('dbcc CHECKALLOC(");
const QString kUpdateUsage = QStringLiteral("  insert into DBCCRESULT exec('dbcc UPDATEUSAGE(");
const QString kCheckDbUpper = QStringLiteral("  insert into DBCCRESULT exec('dbcc CHECKDB(");
const QString kCheckTable = QStringLiteral("  insert into DBCCRESULT exec('dbcc checktable(");
const QString kPlain = QStringLiteral(") with TABLERESULTS ')");
const QString kRepair = QStringLiteral(",REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')");
const QString kPhysical = QStringLiteral(") with PHYSICAL_ONLY,TABLERESULTS ')");

class Capture : public ::testing::Test {
protected:
    void start(const Scenario& scenario) {
        engine = Engine::create(scenario);
        session = loginAs(*engine, 80);
    }
    void SetUp() override { start(testScenario()); }

    Reply run(const QString& batch) { return session->executeBatch(batch); }

    // Steps 5 to 7 of a capture run: enter, prepare, create and run the procedure; returns the
    // reply of "exec spDBCCTABLE".
    Reply capture(const QString& database, const QString& insert, const QString& argument, const QString& closing) {
        EXPECT_EQ(shape(run(QStringLiteral("USE [") + database + u']')), QStringLiteral("ENVDB INFO(5701) DONE"));
        prepare();
        const Reply created = run(sent::captureProc(insert, argument, closing));
        EXPECT_EQ(shape(created), QStringLiteral("DONE"));
        return run(QStringLiteral("exec spDBCCTABLE"));
    }

    void prepare() {
        EXPECT_EQ(errors(run(sent::dropLeftoverTable())), QStringList());
        EXPECT_EQ(errors(run(sent::dropLeftoverProc())), QStringList());
        EXPECT_EQ(shape(run(sent::createResultTable())), QStringLiteral("DONE"));
    }

    QStringList readBack() { return column(run(QStringLiteral("select MessageText from DBCCRESULT ")), 0); }

    void cleanUp(const QString& database) {
        EXPECT_EQ(shape(run(QStringLiteral("DROP TABLE DBCCRESULT"))), QStringLiteral("DONE"));
        EXPECT_EQ(shape(run(QStringLiteral(" Drop Proc spDBCCTABLE"))), QStringLiteral("DONE"));
        run(QStringLiteral("USE [master]"));
        EXPECT_FALSE(engine->objectExists(database, QStringLiteral("DBCCRESULT")));
        EXPECT_FALSE(engine->objectExists(database, QStringLiteral("spDBCCTABLE")));
    }

    std::shared_ptr<Engine> engine;
    std::unique_ptr<Session> session;
};

QStringList systemTableLines() {
    QStringList lines;
    const std::vector<std::pair<const char*, int>> tables = {
        {"sysobjects", 37},   {"sysindexes", 28},       {"syscolumns", 201},         {"systypes", 26},
        {"syscomments", 142}, {"sysfiles1", 2},         {"syspermissions", 52},      {"sysusers", 14},
        {"sysproperties", 0}, {"sysdepends", 426},      {"sysreferences", 0},        {"sysfulltextcatalogs", 0},
        {"sysfulltextnotify", 0}, {"sysfilegroups", 1},
    };
    for (const auto& [name, rows] : tables) {
        const QString n = QString::fromLatin1(name);
        lines << QStringLiteral("DBCC results for '%1'.").arg(n)
              << QStringLiteral("There are %1 rows in %2 pages for object '%3'.")
                     .arg(rows)
                     .arg(qMax(1, (rows + 39) / 40))
                     .arg(n);
    }
    return lines;
}

}  // namespace

TEST_F(Capture, CheckDatabaseRunShowsEveryTableAndTheSummary) {
    const Reply exec = capture(QStringLiteral("Sales"), kCheckDb, QStringLiteral("Sales"), kPlain);
    EXPECT_EQ(engine->procedureText(QStringLiteral("Sales"), QStringLiteral("spDBCCTABLE")),
              QStringLiteral("  insert into DBCCRESULT exec('dbcc checkDB(Sales) with TABLERESULTS ')"));
    EXPECT_EQ(shape(exec), QStringLiteral("INFO(2528) DONEINPROC(count 34) RETURN(0) DONEPROC"));
    const auto& info = std::get<Message>(exec.tokens[0]);
    EXPECT_EQ(info.text, QStringLiteral("DBCC execution completed. If DBCC printed error messages, contact your system "
                                        "administrator."));
    EXPECT_EQ(info.severity, 0);
    EXPECT_EQ(info.procName, QStringLiteral("spDBCCTABLE"));

    QStringList expected = {QStringLiteral("DBCC results for 'Sales'.")};
    expected += systemTableLines();
    expected << QStringLiteral("DBCC results for 'Orders'.")
             << QStringLiteral("There are 120 rows in 3 pages for object 'Orders'.")
             << QStringLiteral("DBCC results for 'DBCCRESULT'.")
             << QStringLiteral("There are 0 rows in 0 pages for object 'DBCCRESULT'.")
             << QStringLiteral("CHECKDB found 0 allocation errors and 0 consistency errors in database 'Sales'.");
    EXPECT_EQ(readBack(), expected);
    cleanUp(QStringLiteral("Sales"));
}

TEST_F(Capture, TableResultRowsLandAsTextInEverySixteenColumns) {
    capture(QStringLiteral("Sales"), kCheckDb, QStringLiteral("Sales"), kPlain);
    const Reply all = run(QStringLiteral("select * from DBCCRESULT"));
    const auto sets = results(all);
    ASSERT_EQ(sets.size(), 1u);
    QStringList names;
    for (const ColumnDef& c : sets[0].columns)
        names << c.name;
    EXPECT_EQ(names.join(u','), QStringLiteral("Error,Level,State,MessageText,RepairLevel,Status,DbId,Id,IndId,File,"
                                               "Page,Slot,RefFile,RefPage,RefSlot,Allocation"));
    QStringList first;
    for (const Cell& c : sets[0].rows.front())
        first << (c.isNull() ? QStringLiteral("<null>") : c.toString());
    EXPECT_EQ(first, (QStringList{QStringLiteral("2536"), QStringLiteral("10"), QStringLiteral("1"),
                                  QStringLiteral("DBCC results for 'Sales'."), QStringLiteral("<null>"),
                                  QStringLiteral("0"), QStringLiteral("7"), QStringLiteral("0"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    EXPECT_EQ(column(run(QStringLiteral("select [Level] from DBCCRESULT where Error = '8989'")), 0),
              QStringList{QStringLiteral("10")});
}

TEST_F(Capture, DbccShapesWithAndWithoutTableResults) {
    run(QStringLiteral("USE [Sales]"));
    const Reply tabular = run(QStringLiteral("DBCC CHECKDB(Sales) WITH TABLERESULTS"));
    EXPECT_EQ(shape(tabular), QStringLiteral("RESULT(16x32) DONE(count 32) INFO(2528) DONE"));
    const auto sets = results(tabular);
    EXPECT_EQ(sets[0].columns[3].type, ColumnType::VarChar);
    EXPECT_EQ(sets[0].columns[0].type, ColumnType::Int);

    const Reply messages = run(QStringLiteral("dbcc checkcatalog('Sales')"));
    EXPECT_EQ(shape(messages), QStringLiteral("INFO(2536) INFO(2528) DONE"));

    EXPECT_EQ(shape(run(QStringLiteral("DBCC CHECKDB(0) WITH NO_INFOMSGS"))), QStringLiteral("DONE"));
    EXPECT_EQ(shape(run(QStringLiteral("dbcc checkdb(Nowhere)"))), QStringLiteral("ERROR(2520) DONE(error)"));
    EXPECT_EQ(shape(run(QStringLiteral("dbcc frobnicate(Sales)"))), QStringLiteral("ERROR(2526) DONE(error)"));
    EXPECT_EQ(shape(run(QStringLiteral("dbcc checkdb(Sales) with SHOUTING"))),
              QStringLiteral("ERROR(170) DONE(error)"));
}

TEST_F(Capture, StatementsThatReportNothingLeaveTheTableEmpty) {
    const Reply exec = capture(QStringLiteral("Sales"), kUpdateUsage, QStringLiteral("Sales"), kPlain);
    EXPECT_EQ(shape(exec), QStringLiteral("INFO(2528) DONEINPROC(count 0) RETURN(0) DONEPROC"));
    const Reply read = run(QStringLiteral("select MessageText from DBCCRESULT "));
    EXPECT_EQ(shape(read), QStringLiteral("RESULT(1x0) DONE(count 0)"));
    cleanUp(QStringLiteral("Sales"));
}

TEST_F(Capture, LeftoversAreDroppedAndDuplicatesRefused) {
    run(QStringLiteral("USE [Sales]"));
    EXPECT_EQ(shape(run(sent::dropLeftoverTable())), QStringLiteral("DONE"));
    EXPECT_EQ(shape(run(sent::createResultTable())), QStringLiteral("DONE"));
    const Reply duplicate = run(sent::createResultTable());
    EXPECT_EQ(shape(duplicate), QStringLiteral("ERROR(2714) DONE(error)"));
    EXPECT_EQ(messageTexts(duplicate),
              QStringList{QStringLiteral("There is already an object named 'DBCCRESULT' in the database.")});
    EXPECT_EQ(shape(run(sent::captureProc(kCheckDb, QStringLiteral("Sales"), kPlain))), QStringLiteral("DONE"));
    const Reply again = run(sent::captureProc(kCheckDb, QStringLiteral("Sales"), kPlain));
    EXPECT_EQ(messageTexts(again),
              QStringList{QStringLiteral("There is already an object named 'spDBCCTABLE' in the database.")});

    // The leftovers of a failed run go at the next preparation in the same database only.
    run(QStringLiteral("USE [pubs]"));
    prepare();
    EXPECT_TRUE(engine->objectExists(QStringLiteral("Sales"), QStringLiteral("DBCCRESULT")));
    EXPECT_TRUE(engine->objectExists(QStringLiteral("Sales"), QStringLiteral("spDBCCTABLE")));
    run(QStringLiteral("USE [Sales]"));
    EXPECT_EQ(shape(run(sent::dropLeftoverTable())), QStringLiteral("DONE"));
    EXPECT_EQ(shape(run(sent::dropLeftoverProc())), QStringLiteral("DONE"));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("Sales"), QStringLiteral("DBCCRESULT")));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("Sales"), QStringLiteral("spDBCCTABLE")));
}

TEST_F(Capture, CreateProcMustOpenItsBatch) {
    run(QStringLiteral("USE [Sales]"));
    const Reply reply = run(QStringLiteral("select 1 ") + sent::captureProc(kCheckDb, QStringLiteral("Sales"), kPlain));
    EXPECT_EQ(messageTexts(reply),
              QStringList{QStringLiteral("'CREATE PROCEDURE' must be the first statement in a query batch.")});
    EXPECT_FALSE(engine->objectExists(QStringLiteral("Sales"), QStringLiteral("spDBCCTABLE")));
}

TEST_F(Capture, TwoRunsReadOnlyTheirOwnRows) {
    capture(QStringLiteral("Sales"), kCheckAlloc, QStringLiteral("Sales"), kPlain);
    const QStringList first = readBack();
    cleanUp(QStringLiteral("Sales"));
    capture(QStringLiteral("Sales"), kCheckAlloc, QStringLiteral("Sales"), kPlain);
    EXPECT_EQ(readBack(), first);  // the work table has the same id both times
}

TEST_F(Capture, CorruptionFindingsAndTheMinimumRepairLevel) {
    capture(QStringLiteral("Broken"), kCheckDb, QStringLiteral("Broken"), kPlain);
    const QStringList lines = readBack();
    EXPECT_EQ(lines.front(), QStringLiteral("DBCC results for 'Broken'."));
    EXPECT_EQ(lines[1], QStringLiteral("Table error: Page (1:410), whose header indicates that it is allocated to "
                                       "object ID 2137058649, index ID 1, is allocated by another object."));
    const int suppliers = static_cast<int>(lines.indexOf(QStringLiteral("DBCC results for 'Suppliers'.")));
    ASSERT_GT(suppliers, 0);
    EXPECT_EQ(lines[suppliers - 1], QStringLiteral("Object ID 2137058649, index ID 1: Page (1:295) could not be "
                                                   "processed. See other errors for details."));
    EXPECT_EQ(lines[suppliers + 1], QStringLiteral("There are 29 rows in 1 pages for object 'Suppliers'."));
    EXPECT_EQ(lines[suppliers + 2], QStringLiteral("CHECKDB found 0 allocation errors and 1 consistency errors in "
                                                   "table 'Suppliers' (object ID 2137058649)."));
    EXPECT_TRUE(lines.contains(QStringLiteral("CHECKDB found 0 allocation errors and 1 consistency errors in table "
                                              "'sysindexes' (object ID 2).")));
    EXPECT_EQ(lines.mid(lines.size() - 2),
              (QStringList{QStringLiteral("CHECKDB found 1 allocation errors and 2 consistency errors in database "
                                          "'Broken'."),
                           QStringLiteral("repair_allow_data_loss is the minimum repair level for the errors found by "
                                          "DBCC CHECKDB (Broken ).")}));
    EXPECT_EQ(column(run(QStringLiteral("select RepairLevel from DBCCRESULT where Error = '8928'")), 0),
              QStringList{QStringLiteral("repair_allow_data_loss")});
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 3);
}

TEST_F(Capture, RepairWithoutSingleUserIsRefused) {
    for (const auto& [insert, argument] : std::vector<std::pair<QString, QString>>{
             {kCheckDbUpper, QStringLiteral("Broken")},
             {kCheckAlloc, QStringLiteral("Broken")},
             {kCheckTable, QStringLiteral("sysindexes")}}) {
        SCOPED_TRACE(QString(argument + insert).toStdString());
        const Reply exec = capture(QStringLiteral("Broken"), insert, argument, kRepair);
        EXPECT_EQ(errors(exec), QStringList{QStringLiteral("7919: Repair statement not processed. Database needs to be "
                                                           "in single user mode.")});
        EXPECT_EQ(shape(exec), QStringLiteral("ERROR(7919) DONEINPROC(error) RETURN(-6) DONEPROC(error)"));
        EXPECT_TRUE(readBack().isEmpty());
        cleanUp(QStringLiteral("Broken"));
    }
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 3);
}

TEST_F(Capture, RepairInSingleUserFixesTheFindings) {
    engine->setSingleUser(QStringLiteral("Broken"), true);
    capture(QStringLiteral("Broken"), kCheckDbUpper, QStringLiteral("Broken"), kRepair);
    const QStringList lines = readBack();
    EXPECT_EQ(lines[1], QStringLiteral("Repair: Page (1:410) has been deallocated."));
    EXPECT_TRUE(lines.contains(QStringLiteral("Repair: Page (1:295) has been deallocated from object ID 2137058649, "
                                              "index ID 1.")));
    EXPECT_TRUE(lines.contains(QStringLiteral("        The error has been repaired.")));
    EXPECT_EQ(lines.mid(lines.size() - 2),
              (QStringList{QStringLiteral("CHECKDB found 1 allocation errors and 2 consistency errors in database "
                                          "'Broken'."),
                           QStringLiteral("CHECKDB fixed 1 allocation errors and 2 consistency errors in database "
                                          "'Broken'.")}));
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 0);
    cleanUp(QStringLiteral("Broken"));

    // Nothing is left to find afterwards.
    capture(QStringLiteral("Broken"), kCheckDb, QStringLiteral("Broken"), kPlain);
    EXPECT_EQ(readBack().last(),
              QStringLiteral("CHECKDB found 0 allocation errors and 0 consistency errors in database 'Broken'."));
}

TEST_F(Capture, RepairOfOneSystemTableFixesOnlyItsFindings) {
    engine->setSingleUser(QStringLiteral("Broken"), true);
    capture(QStringLiteral("Broken"), kCheckTable, QStringLiteral("sysindexes"), kRepair);
    EXPECT_EQ(engine->procedureText(QStringLiteral("Broken"), QStringLiteral("spDBCCTABLE")),
              QStringLiteral("  insert into DBCCRESULT exec('dbcc checktable(sysindexes,REPAIR_ALLOW_DATA_LOSS) with "
                             "TABLERESULTS ')"));
    EXPECT_EQ(readBack(),
              (QStringList{
                  QStringLiteral("DBCC results for 'sysindexes'."),
                  QStringLiteral("Table error: Object ID 2, index ID 1. Index node page (0:0), slot 0 refers to child "
                                 "page (1:88) and previous child (0:0), but they were not encountered."),
                  QStringLiteral("        The error has been repaired."),
                  QStringLiteral("There are 29 rows in 1 pages for object 'sysindexes'."),
                  QStringLiteral("CHECKTABLE found 0 allocation errors and 1 consistency errors in table 'sysindexes' "
                                 "(object ID 2)."),
                  QStringLiteral("CHECKTABLE fixed 0 allocation errors and 1 consistency errors in table 'sysindexes' "
                                 "(object ID 2)."),
              }));
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 2);
    cleanUp(QStringLiteral("Broken"));

    // The allocation repair fixes the allocation finding only.
    capture(QStringLiteral("Broken"), kCheckAlloc, QStringLiteral("Broken"), kRepair);
    EXPECT_EQ(engine->findingCount(QStringLiteral("Broken")), 1);
}

TEST_F(Capture, SystemTableChecksOfAHealthyDatabase) {
    for (const char* table : {"sysindexes", "sysobjects", "syscolumns"}) {
        const QString name = QString::fromLatin1(table);
        engine->setSingleUser(QStringLiteral("Sales"), true);
        capture(QStringLiteral("Sales"), kCheckTable, name, kRepair);
        const QStringList lines = readBack();
        ASSERT_EQ(lines.size(), 2) << table;
        EXPECT_EQ(lines[0], QStringLiteral("DBCC results for '%1'.").arg(name));
        EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" pages for object '%1'.").arg(name)));
        cleanUp(QStringLiteral("Sales"));
    }
}

TEST_F(Capture, LongMessagesAreTruncationErrors) {
    Scenario s = testScenario();
    ScenarioFinding longOne;
    longOne.table = QStringLiteral("Orders");
    longOne.text = QString(4500, u'x');
    s.databases[6].findings.push_back(longOne);  // Sales
    start(s);
    const Reply exec = capture(QStringLiteral("Sales"), kCheckDb, QStringLiteral("Sales"), kPlain);
    EXPECT_EQ(shape(exec), QStringLiteral("INFO(2528) ERROR(8152) INFO(3621) DONEINPROC(error) RETURN(-6) "
                                          "DONEPROC(error)"));
    EXPECT_EQ(messageTexts(exec).mid(1), (QStringList{QStringLiteral("String or binary data would be truncated."),
                                                      QStringLiteral("The statement has been terminated.")}));
    EXPECT_TRUE(readBack().isEmpty());

    // A narrower table fails the same way on an ordinary message.
    run(QStringLiteral("DROP TABLE DBCCRESULT"));
    run(QString(sent::createResultTable()).replace(QStringLiteral("MessageText varchar(4000)"),
                                                   QStringLiteral("MessageText varchar(10)")));
    const Reply direct = run(QStringLiteral("INSERT INTO DBCCRESULT EXEC('dbcc checkalloc(pubs) with tableresults')"));
    EXPECT_EQ(shape(direct), QStringLiteral("INFO(2528) ERROR(8152) INFO(3621) DONE(error)"));
}

TEST_F(Capture, PhysicalOnly) {
    capture(QStringLiteral("Sales"), kCheckDbUpper, QStringLiteral("Sales"), kPhysical);
    EXPECT_EQ(readBack(),
              (QStringList{QStringLiteral("DBCC results for 'Sales'."),
                           QStringLiteral("CHECKDB found 0 allocation errors and 0 consistency errors in database "
                                          "'Sales'.")}));
}

TEST_F(Capture, PhysicalOnlyIsASyntaxErrorOnTheSevenProfile) {
    start(testScenario(Profile::Sql70));
    const Reply exec = capture(QStringLiteral("Sales"), kCheckDbUpper, QStringLiteral("Sales"), kPhysical);
    EXPECT_EQ(errors(exec), QStringList{QStringLiteral("170: Line 1: Incorrect syntax near 'PHYSICAL_ONLY'.")});
    EXPECT_TRUE(readBack().isEmpty());
    // The other checks work there.
    run(QStringLiteral("DROP TABLE DBCCRESULT"));
    run(QStringLiteral(" Drop Proc spDBCCTABLE"));
    capture(QStringLiteral("Sales"), kCheckDb, QStringLiteral("Sales"), kPlain);
    EXPECT_EQ(readBack().last(),
              QStringLiteral("CHECKDB found 0 allocation errors and 0 consistency errors in database 'Sales'."));
}

TEST_F(Capture, OddDatabaseNamesInTheCheckStatement) {
    // A blank breaks the statement when the procedure runs.
    Reply exec = capture(QStringLiteral("my db"), kCheckDb, QStringLiteral("my db"), kPlain);
    EXPECT_EQ(errors(exec), QStringList{QStringLiteral("170: Line 1: Incorrect syntax near 'db'.")});
    cleanUp(QStringLiteral("my db"));

    // A quote breaks the procedure itself.
    run(QStringLiteral("USE [o'brien]"));
    prepare();
    const Reply created = run(sent::captureProc(kCheckDb, QStringLiteral("o'brien"), kPlain));
    EXPECT_EQ(errors(created), (QStringList{QStringLiteral("105: Unclosed quotation mark before the character string "
                                                           "')'."),
                                            QStringLiteral("170: Line 1: Incorrect syntax near ')'.")}));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("o'brien"), QStringLiteral("spDBCCTABLE")));
    exec = run(QStringLiteral("exec spDBCCTABLE"));
    EXPECT_EQ(errors(exec), QStringList{QStringLiteral("2812: Could not find stored procedure 'spDBCCTABLE'.")});

    // Chinese characters are a plain identifier; the varchar work table keeps them in the server's
    // code page, where they become question marks.
    const Reply direct = run(QStringLiteral("USE [销售数据] DBCC CHECKDB(销售数据) WITH TABLERESULTS"));
    EXPECT_EQ(column(direct, 3).front(), QStringLiteral("DBCC results for '销售数据'."));
    EXPECT_TRUE(column(direct, 3).contains(QStringLiteral("There are 45 rows in 2 pages for object '客户'.")));
    capture(QStringLiteral("销售数据"), kCheckDb, QStringLiteral("销售数据"), kPlain);
    const QStringList lines = readBack();
    EXPECT_EQ(lines.front(), QStringLiteral("DBCC results for '\?\?\?\?'."));
    EXPECT_TRUE(lines.contains(QStringLiteral("There are 45 rows in 2 pages for object '\?\?'.")));
}

TEST_F(Capture, AllTableRepairInSingleUser) {
    engine->setSingleUser(QStringLiteral("Broken"), true);
    run(QStringLiteral("USE [Broken]"));
    prepare();
    const Reply insert = run(sent::eachTableRepair());
    EXPECT_EQ(errors(insert), QStringList());
    EXPECT_EQ(shape(insert), QStringLiteral("INFO(2528) INFO(2528) INFO(2528) DONE(count 11)"));
    const QStringList lines = readBack();
    EXPECT_EQ(lines,
              (QStringList{
                  QStringLiteral("DBCC results for 'Suppliers'."),
                  QStringLiteral("Repair: Page (1:295) has been deallocated from object ID 2137058649, index ID 1."),
                  QStringLiteral("Object ID 2137058649, index ID 1: Page (1:295) could not be processed. See other "
                                 "errors for details."),
                  QStringLiteral("        The error has been repaired."),
                  QStringLiteral("There are 29 rows in 1 pages for object 'Suppliers'."),
                  QStringLiteral("CHECKTABLE found 0 allocation errors and 1 consistency errors in table 'Suppliers' "
                                 "(object ID 2137058649)."),
                  QStringLiteral("CHECKTABLE fixed 0 allocation errors and 1 consistency errors in table 'Suppliers' "
                                 "(object ID 2137058649)."),
                  QStringLiteral("DBCC results for 'Parts'."),
                  QStringLiteral("There are 80 rows in 2 pages for object 'Parts'."),
                  QStringLiteral("DBCC results for 'DBCCRESULT'."),
                  QStringLiteral("There are 0 rows in 0 pages for object 'DBCCRESULT'."),
              }));
    run(QStringLiteral("USE [master]"));
    EXPECT_EQ(shape(run(QStringLiteral("DROP TABLE Broken..DBCCRESULT"))), QStringLiteral("DONE"));
    EXPECT_FALSE(engine->objectExists(QStringLiteral("Broken"), QStringLiteral("DBCCRESULT")));
}

TEST_F(Capture, AllTableRepairWithoutSingleUserFails) {
    run(QStringLiteral("USE [Sales]"));
    prepare();
    const Reply insert = run(sent::eachTableRepair());
    EXPECT_EQ(errors(insert).size(), 2);  // Orders and DBCCRESULT
    EXPECT_EQ(errors(insert).front(),
              QStringLiteral("7919: Repair statement not processed. Database needs to be in single user mode."));
    EXPECT_TRUE(readBack().isEmpty());
    // The clean-up from master works; a second drop fails as the table is gone.
    run(QStringLiteral("USE [master]"));
    EXPECT_EQ(shape(run(QStringLiteral("DROP TABLE Sales..DBCCRESULT"))), QStringLiteral("DONE"));
    EXPECT_EQ(messageTexts(run(QStringLiteral("DROP TABLE Sales..DBCCRESULT"))),
              QStringList{QStringLiteral("Cannot drop the table 'DBCCRESULT', because it does not exist in the system "
                                         "catalog.")});
}

TEST_F(Capture, IndexRebuildOfEveryTable) {
    run(QStringLiteral("USE [Broken]"));
    const Reply reply = run(sent::eachTableReindex());
    EXPECT_EQ(shape(reply), QStringLiteral("DONEINPROC DONEINPROC RETURN(0) DONEPROC"));
    run(QStringLiteral("USE [o'brien]"));
    EXPECT_EQ(shape(run(sent::eachTableReindex())), QStringLiteral("RETURN(0) DONEPROC"));
    EXPECT_EQ(errors(run(QStringLiteral("DBCC DBREINDEX('[dbo].[Nothing]','')with NO_INFOMSGS"))),
              QStringList{QStringLiteral("2501: Could not find a table or object named '[dbo].[Nothing]'. Check "
                                         "sysobjects.")});
    EXPECT_EQ(shape(run(QStringLiteral("DBCC DBREINDEX('Broken..Parts')"))), QStringLiteral("INFO(2528) DONE"));
}

TEST_F(Capture, ShrinkingTheLogAndTheDataFile) {
    const QString logName = column(run(QStringLiteral("Select Name From Sales.dbo.sysfiles Where GroupID=0")), 0).front();
    EXPECT_EQ(logName.size(), 128);
    EXPECT_EQ(shape(run(QStringLiteral("Backup log Sales with no_log"))), QStringLiteral("DONE"));
    const Reply shrink = run(QStringLiteral("Use Sales Dbcc ShrinkFile('") + logName + QStringLiteral("',1)"));
    EXPECT_EQ(shape(shrink), QStringLiteral("ENVDB INFO(5701) DONE RESULT(6x1) DONE(count 1) INFO(2528) DONE"));
    const auto sets = results(shrink);
    QStringList names;
    QStringList values;
    for (int i = 0; i < sets[0].columns.size(); ++i) {
        names << sets[0].columns[i].name;
        values << sets[0].rows[0][i].toString();
    }
    EXPECT_EQ(names.join(u','), QStringLiteral("DbId,FileId,CurrentSize,MinimumSize,UsedPages,EstimatedPages"));
    EXPECT_EQ(values.join(u','), QStringLiteral("7,2,128,63,24,24"));
    EXPECT_EQ(session->currentDatabase(), QStringLiteral("Sales"));
    EXPECT_EQ(engine->fileSizePages(QStringLiteral("Sales"), QStringLiteral("Sales_Log")), 128);

    const QString dataName = column(run(QStringLiteral("Select Name From Sales.dbo.sysfiles Where GroupID=1")), 0).front();
    const Reply data = run(QStringLiteral("Use Sales Dbcc ShrinkFile('") + dataName + QStringLiteral("',1)"));
    EXPECT_EQ(column(data, 2), QStringList{QStringLiteral("1500")});
    EXPECT_EQ(engine->fileSizePages(QStringLiteral("Sales"), QStringLiteral("Sales_Data")), 1500);

    EXPECT_EQ(errors(run(QStringLiteral("Dbcc ShrinkFile('nothing',1)"))),
              QStringList{QStringLiteral("8985: Could not locate file 'nothing' in sysfiles.")});
    EXPECT_EQ(shape(run(QStringLiteral("Use my db Dbcc ShrinkFile('x',1)"))), QStringLiteral("ERROR(170) DONE(error)"));
}
