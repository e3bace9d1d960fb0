// FreeTDS's ODBC driver cancelling a slow DBCC on sqlsim: SQLCancel from another thread while a
// repair's results are captured with INSERT ... EXEC, on the program's own connection.

#include "connection/ModMain.h"
#include "connection/core/OdbcDiagnostics.h"
#include "connection/core/OdbcHandles.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <sqlext.h>

#include <future>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using tarnwick::test::SqlsimFixture;

namespace {

// Warehouse's check reads 18,000 pages: an hour at 5 pages a second.
const QString kScenario =
    uR"({
  "databases": [
    { "name": "master", "dbid": 1,
      "files": [ { "name": "master", "groupId": 1, "size": 1536, "used": 1400 } ] },
    { "name": "Warehouse", "dbid": 7, "singleUser": true,
      "files": [ { "name": "Warehouse_Data", "groupId": 1, "size": 25600, "used": 18000 } ],
      "tables": [ { "name": "Bins", "rows": 4000 } ],
      "findings": [ { "table": "Bins", "text": "Bins is broken.", "repairText": "Repair: Bins." } ] }
  ]
})"_s;

// Runs a batch on its own statement handle, reading it to its end; the SQLSTATE of its failure,
// "" when it succeeded.
QString runCancellable(SQLHSTMT stmt, const QString& batch) {
    std::u16string text = batch.toStdU16String();
    SQLRETURN rc = SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS);
    while (SQL_SUCCEEDED(rc)) rc = SQLMoreResults(stmt);
    if (rc != SQL_ERROR) return {};
    const auto records = tarnwick::readDiagnostics(SQL_HANDLE_STMT, stmt);
    return records.empty() ? u"?"_s : records.front().sqlState;
}

}  // namespace

// The cancelled statement reports HY008; its repair and its captured rows are rolled back, the
// database stays as it was (single-user, the finding there) and the connection goes on.
TEST(CancelE2e, SqlCancelStopsASlowRepairCapture) {
    tarnwick::test::RecordingToolkit toolkit;
    SqlsimFixture sim(kScenario);
    sim.setDbccPagesPerSecond(5);
    ASSERT_TRUE(sim.connect());
    tarnwick::OdbcConnection& connection = ModMain::serverConnection().Connection;
    connection.execute(u"USE [Warehouse]"_s);
    connection.execute(
        u"create table DBCCRESULT(Error varchar(100),[Level] varchar(100),State varchar(100),"
        u"MessageText varchar(4000),RepairLevel varchar(100),Status varchar(100),DbId "
        u"varchar(100),[Id] varchar(100),IndId varchar(100),[File] varchar(100),Page varchar(100),"
        u"Slot varchar(100),RefFile varchar(100),RefPage varchar(100),RefSlot varchar(100),"
        u"Allocation VarChar(100))"_s);
    connection.execute(
        u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT "
        u"exec('dbcc CHECKDB(Warehouse,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')"_s);

    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_TRUE(
        SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.handles().connection, &stmt)));
    auto running =
        std::async(std::launch::async, [&] { return runCancellable(stmt, u"exec spDBCCTABLE"_s); });
    ASSERT_TRUE(sim.waitForRequest(u"exec spDBCCTABLE"_s));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(stmt)));
    if (running.wait_for(30s) != std::future_status::ready) {
        sim.server().stop();  // the cancel was not honoured: end the statement rather than wait
        FAIL() << "the statement did not stop";
    }
    EXPECT_EQ(running.get(), u"HY008"_s);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);

    EXPECT_TRUE(sim.engine().tableRows(u"Warehouse"_s, u"DBCCRESULT"_s).empty());
    EXPECT_EQ(sim.engine().findingCount(u"Warehouse"_s), 1) << "the repair was rolled back";
    EXPECT_TRUE(sim.engine().isSingleUser(u"Warehouse"_s));
    connection.execute(u"DROP TABLE DBCCRESULT"_s);
    EXPECT_FALSE(sim.engine().objectExists(u"Warehouse"_s, u"DBCCRESULT"_s));
    EXPECT_EQ(sim.journalTexts().last(), u"DROP TABLE DBCCRESULT"_s);
}
