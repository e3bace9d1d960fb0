// FreeTDS's ODBC driver cancelling a slow DBCC on sqlsim: SQLCancel from another thread while a
// repair's results are captured with INSERT ... EXEC.

#include "connection/core/DriverLocator.h"
#include "connection/core/OdbcDiagnostics.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <future>
#include <thread>

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

std::u16string wide(const QString& text) {
    return text.toStdU16String();
}

class OdbcSession {
public:
    ~OdbcSession() {
        if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (dbc) {
            SQLDisconnect(dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        }
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }

    bool open(quint16 port) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        const std::u16string text = wide(
            u"DRIVER={%1};SERVER=127.0.0.1;PORT=%2;UID=sa;PWD=;TDS_Version=7.1;"
            u"ClientCharset=UTF-8"_s.arg(tarnwick::locateSqlServerDriver(env))
                .arg(port));
        const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, sqlText(text), SQL_NTS, nullptr, 0,
                                               nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) return false;
        return SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt));
    }

    // Runs a batch and reads it to its end; the SQLSTATE of its failure, "" when it succeeded.
    QString run(const QString& batch) {
        const std::u16string text = wide(batch);
        SQLRETURN rc = SQLExecDirectW(stmt, sqlText(text), SQL_NTS);
        while (SQL_SUCCEEDED(rc)) rc = SQLMoreResults(stmt);
        QString state;
        if (rc == SQL_ERROR) {
            const auto records = tarnwick::readDiagnostics(SQL_HANDLE_STMT, stmt);
            state = records.empty() ? u"?"_s : records.front().sqlState;
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        return state;
    }

    // The first column of the first row of a query.
    QString value(const QString& query) {
        const std::u16string text = wide(query);
        QString out;
        if (SQL_SUCCEEDED(SQLExecDirectW(stmt, sqlText(text), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLFetch(stmt))) {
            SQLWCHAR buffer[256] = {};
            SQLLEN length = 0;
            SQLGetData(stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &length);
            out = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer));
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        return out;
    }

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;

private:
    static SQLWCHAR* sqlText(const std::u16string& text) {
        return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str()));
    }
};

}  // namespace

// The cancelled statement reports HY008; its repair and its captured rows are rolled back, the
// database stays as it was (single-user, the finding there) and the connection goes on.
TEST(CancelE2e, SqlCancelStopsASlowRepairCapture) {
    SqlsimFixture sim(kScenario);
    sim.setDbccPagesPerSecond(5);
    OdbcSession odbc;
    ASSERT_TRUE(odbc.open(sim.port()));
    ASSERT_EQ(odbc.run(u"USE [Warehouse]"_s), u""_s);
    ASSERT_EQ(
        odbc.run(u"create  table DBCCRESULT(Error varchar(100),[Level] varchar(100),State "
                 u"varchar(100),MessageText varchar(4000),RepairLevel varchar(100),Status "
                 u"varchar(100),DbId varchar(100),[Id] varchar(100),IndId varchar(100),[File] "
                 u"varchar(100),Page varchar(100),Slot varchar(100),RefFile varchar(100),"
                 u"RefPage varchar(100),RefSlot varchar(100),Allocation VarChar(100))"_s),
        u""_s);
    ASSERT_EQ(
        odbc.run(u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT "
                 u"exec('dbcc CHECKDB(Warehouse,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')"_s),
        u""_s);

    const QString capture = u"exec spDBCCTABLE"_s;
    auto running = std::async(std::launch::async, [&] { return odbc.run(capture); });
    for (int i = 0; i < 500 && !sim.journalTexts().contains(capture); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(sim.journalTexts().contains(capture));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(odbc.stmt)));
    if (running.wait_for(30s) != std::future_status::ready) {
        sim.server().stop();  // the cancel was not honoured: end the statement rather than wait
        FAIL() << "the statement did not stop";
    }
    EXPECT_EQ(running.get(), u"HY008"_s);

    EXPECT_TRUE(sim.engine().tableRows(u"Warehouse"_s, u"DBCCRESULT"_s).empty());
    EXPECT_EQ(sim.engine().findingCount(u"Warehouse"_s), 1) << "the repair was rolled back";
    EXPECT_TRUE(sim.engine().isSingleUser(u"Warehouse"_s));
    EXPECT_EQ(odbc.value(u"select db_name()"_s), u"Warehouse"_s);
    EXPECT_EQ(odbc.run(u"DROP TABLE DBCCRESULT"_s), u""_s);
    EXPECT_FALSE(sim.engine().objectExists(u"Warehouse"_s, u"DBCCRESULT"_s));
}
