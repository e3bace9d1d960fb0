#include "operations/CaptureStatements.h"

#include <array>

using namespace Qt::StringLiterals;

namespace tarnwick::capture {

namespace {

// The sixteen columns of the DBCC ... WITH TABLERESULTS output, all as text; the insert fills them
// by position. Only MessageText is read back.
constexpr std::array kResultColumns = {
    u"Error           varchar(100),", u"[Level]         varchar(100),",
    u"State           varchar(100),", u"MessageText varchar(4000),",
    u"RepairLevel varchar(100),",     u"Status      varchar(100),",
    u"DbId        varchar(100),",     u"[Id]        varchar(100),",
    u"IndId       varchar(100),",     u"[File]      varchar(100),",
    u"Page        varchar(100),",     u"Slot        varchar(100),",
    u"RefFile     varchar(100),",     u"RefPage     varchar(100),",
    u"RefSlot     varchar(100),",     u"Allocation VarChar(100)",
};

}  // namespace

QString waitText() {
    return u"正在检测................"_s;
}

QString dropLeftoverTableStatement() {
    return u"if Exists( Select * From sysObjects where name='DBCCRESULT' )"_s +
           u" Drop Table DBCCRESULT"_s;
}

QString dropLeftoverProcStatement() {
    return u"if Exists( Select * From sysObjects where name='spDBCCTABLE' )"_s +
           u" Drop Proc spDBCCTABLE"_s;
}

QString createResultTableStatement() {
    QString text = u"create  table DBCCRESULT"_s + u"("_s;
    for (const char16_t* column : kResultColumns) text += QString::fromUtf16(column);
    return text + u")"_s;
}

QString createCaptureProcStatement(const CaptureStatement& statement, const QString& argument) {
    return u"Create Proc spDBCCTABLE With Encryption As"_s + statement.insertFragment + argument +
           statement.closingFragment;
}

QString execCaptureProcStatement() {
    return u"exec spDBCCTABLE"_s;
}

QString readBackQuery() {
    return u"select MessageText from DBCCRESULT "_s;
}

QString dropResultTableStatement() {
    return u"DROP TABLE DBCCRESULT"_s;
}

QString dropCaptureProcStatement() {
    return u" Drop Proc spDBCCTABLE"_s;
}

QString singleUserStatement(const QString& database, bool on) {
    return u"master..xp_cmdshell 'osql  -Usa -P -dMaster -Q"_s + u"\""_s +
           u"sp_dboption   @dbname =  ''"_s + database +
           u"'',  @optname =  ''single user'',  @optvalue =  ''"_s + (on ? u"True"_s : u"False"_s) +
           u"''"_s + u"\""_s + u"'"_s;
}

QString withFailureReport(const QString& currentText, const QString& description) {
    return currentText + u"错误信息"_s + description + u"\r\n"_s;
}

const CaptureStatement& captureStatementOf(CheckRoutine routine) {
    // One row per routine: the DBCC words keep the letter case the server is sent. The catalogue
    // check runs CHECKALLOC without a repair option.
    static const CaptureStatement kCheckDatabase{u"  insert into DBCCRESULT exec('dbcc checkDB("_s,
                                                 u") with TABLERESULTS ')"_s, false};
    static const CaptureStatement kCheckAllocation{
        u"  insert into DBCCRESULT exec('dbcc CHECKALLOC("_s,
        u",REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')"_s, true};
    static const CaptureStatement kCheckCatalog{
        u"  insert into DBCCRESULT exec('dbcc CHECKALLOC("_s, u") with TABLERESULTS ')"_s, false};
    static const CaptureStatement kUpdateUsage{
        u"  insert into DBCCRESULT exec('dbcc UPDATEUSAGE("_s, u") with TABLERESULTS ')"_s, false};
    static const CaptureStatement kCheckPhysicalOnly{
        u"  insert into DBCCRESULT exec('dbcc CHECKDB("_s,
        u") with PHYSICAL_ONLY,TABLERESULTS ')"_s, false};
    static const CaptureStatement kRepairDatabase{
        u"  insert into DBCCRESULT exec('dbcc CHECKDB("_s,
        u",REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')"_s, true};
    static const CaptureStatement kRepairSystemTable{
        u"  insert into DBCCRESULT exec('dbcc checktable("_s,
        u",REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS ')"_s, true};

    switch (routine) {
        case CheckRoutine::CheckDatabase:
            return kCheckDatabase;
        case CheckRoutine::CheckAllocation:
            return kCheckAllocation;
        case CheckRoutine::CheckCatalog:
            return kCheckCatalog;
        case CheckRoutine::UpdateUsage:
            return kUpdateUsage;
        case CheckRoutine::CheckPhysicalOnly:
            return kCheckPhysicalOnly;
        case CheckRoutine::RepairDatabase:
            return kRepairDatabase;
        case CheckRoutine::RepairSystemTable:
            return kRepairSystemTable;
    }
    return kCheckDatabase;  // not reached: every enumerator is handled above
}

}  // namespace tarnwick::capture
