// Golden texts of every statement the check and repair routines send. Expected strings are
// written out whole, not assembled from the production fragments.

#include "operations/CaptureStatements.h"
#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;

namespace {

TEST(CaptureStatements, PreparationBatches) {
    EXPECT_EQ(
        dropLeftoverTableStatement(),
        u"if Exists( Select * From sysObjects where name='DBCCRESULT' ) Drop Table DBCCRESULT"_s);
    EXPECT_EQ(
        dropLeftoverProcStatement(),
        u"if Exists( Select * From sysObjects where name='spDBCCTABLE' ) Drop Proc spDBCCTABLE"_s);
    EXPECT_EQ(createResultTableStatement(),
              u"create  table DBCCRESULT("
              u"Error           varchar(100),"
              u"[Level]         varchar(100),"
              u"State           varchar(100),"
              u"MessageText varchar(4000),"
              u"RepairLevel varchar(100),"
              u"Status      varchar(100),"
              u"DbId        varchar(100),"
              u"[Id]        varchar(100),"
              u"IndId       varchar(100),"
              u"[File]      varchar(100),"
              u"Page        varchar(100),"
              u"Slot        varchar(100),"
              u"RefFile     varchar(100),"
              u"RefPage     varchar(100),"
              u"RefSlot     varchar(100),"
              u"Allocation VarChar(100))"_s);
}

TEST(CaptureStatements, FixedTexts) {
    EXPECT_EQ(waitText(), u"正在检测................"_s);
    EXPECT_EQ(waitText().size(), 4 + 16);
    EXPECT_EQ(execCaptureProcStatement(), u"exec spDBCCTABLE"_s);
    EXPECT_EQ(readBackQuery(), u"select MessageText from DBCCRESULT "_s);
    EXPECT_EQ(dropResultTableStatement(), u"DROP TABLE DBCCRESULT"_s);
    EXPECT_EQ(dropCaptureProcStatement(), u" Drop Proc spDBCCTABLE"_s);
}

struct CaptureCase {
    CheckRoutine routine;
    const char16_t* argument;
    const char16_t* expected;
    bool repairs;
};

class CaptureProcText : public testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureProcText, IsExact) {
    const CaptureCase& c = GetParam();
    const CaptureStatement& statement = captureStatementOf(c.routine);
    EXPECT_EQ(createCaptureProcStatement(statement, QString::fromUtf16(c.argument)),
              QString::fromUtf16(c.expected));
    EXPECT_EQ(statement.repairs, c.repairs);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRoutine, CaptureProcText,
    testing::Values(
        CaptureCase{
            CheckRoutine::CheckDatabase, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"checkDB(Sales) with TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::CheckAllocation, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKALLOC(Sales,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        CaptureCase{
            CheckRoutine::CheckCatalog, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKALLOC(Sales) with TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::UpdateUsage, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"UPDATEUSAGE(Sales) with TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::CheckPhysicalOnly, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKDB(Sales) with PHYSICAL_ONLY,TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::RepairDatabase, u"Sales",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKDB(Sales,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        CaptureCase{
            CheckRoutine::RepairSystemTable, u"sysindexes",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"checktable(sysindexes,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        CaptureCase{
            CheckRoutine::RepairSystemTable, u"sysobjects",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"checktable(sysobjects,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        CaptureCase{
            CheckRoutine::RepairSystemTable, u"syscolumns",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"checktable(syscolumns,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        // Odd names go in unchanged: no brackets, no doubled quotes.
        CaptureCase{
            CheckRoutine::CheckDatabase, u"My Db",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"checkDB(My Db) with TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::RepairDatabase, u"O'Brien",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKDB(O'Brien,REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')",
            true},
        CaptureCase{
            CheckRoutine::UpdateUsage, u"销售库",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"UPDATEUSAGE(销售库) with TABLERESULTS ')",
            false},
        CaptureCase{
            CheckRoutine::CheckCatalog, u"",
            u"Create Proc spDBCCTABLE With Encryption As  insert into DBCCRESULT exec('dbcc "
            u"CHECKALLOC() with TABLERESULTS ')",
            false}));

struct SingleUserCase {
    const char16_t* database;
    bool on;
    const char16_t* expected;
};

class SingleUserText : public testing::TestWithParam<SingleUserCase> {};

TEST_P(SingleUserText, IsExact) {
    const SingleUserCase& c = GetParam();
    EXPECT_EQ(singleUserStatement(QString::fromUtf16(c.database), c.on),
              QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    OnOffAndOddNames, SingleUserText,
    testing::Values(
        SingleUserCase{u"Sales", true,
                       u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  "
                       u"''Sales'',  @optname =  ''single user'',  @optvalue =  ''True''\"'"},
        SingleUserCase{u"Sales", false,
                       u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  "
                       u"''Sales'',  @optname =  ''single user'',  @optvalue =  ''False''\"'"},
        SingleUserCase{u"My Db", true,
                       u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  "
                       u"''My Db'',  @optname =  ''single user'',  @optvalue =  ''True''\"'"},
        SingleUserCase{u"O'Brien", false,
                       u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  "
                       u"''O'Brien'',  @optname =  ''single user'',  @optvalue =  ''False''\"'"},
        SingleUserCase{u"销售库", true,
                       u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  "
                       u"''销售库'',  @optname =  ''single user'',  @optvalue =  ''True''\"'"}));

TEST(CaptureStatements, FailureReportFollowsTextDirectly) {
    EXPECT_EQ(withFailureReport(QString(), u"Boom."_s), u"错误信息Boom.\r\n"_s);
    EXPECT_EQ(withFailureReport(u"a\rb\r"_s, u"Boom."_s), u"a\rb\r错误信息Boom.\r\n"_s);
    EXPECT_EQ(withFailureReport(u"错误信息x\r\n"_s, QString()), u"错误信息x\r\n错误信息\r\n"_s);
}

}  // namespace
