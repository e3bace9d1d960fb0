#include "operations/OperationCatalogue.h"

#include "operations/MaintenanceStatements.h"
#include "operations/Operations.h"
#include "operations/RepairHistory.h"
#include "toolkit/PendingWork.h"

#include "connection/ModMain.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

using Routine = std::function<bool(OperationHost&, const QString&)>;

Routine repairSystemTable(const QString& table) {
    return [table](OperationHost& host, const QString& database) {
        return ModMain::RepairSystemTable(host, database, table);
    };
}

Routine shrinkFile(int kind) {
    return [kind](OperationHost& host, const QString& database) {
        return ModMain::ShrinkDatabaseFile(host, database, kind);
    };
}

}  // namespace

QString attachOperationKey() {
    return u"ATTACH"_s;
}

const std::vector<CatalogueOperation>& operationCatalogue() {
    using maintenance::DataFile;
    using maintenance::LogFile;
    // The parentheses of the first and the eighth node are full-width characters.
    constexpr DataLoss kRepair = DataLoss::Repair;
    static const std::vector<CatalogueOperation> operations{
        {attachOperationKey(), u"附加数据库（SQL2000建议在企业管理器里操作）"_s, {}},
        {u"ShrinkLog"_s, u"压缩日志文件"_s, shrinkFile(LogFile)},
        // Shrinking the log is what the user asked for; shrinking the data file empties the log
        // too.
        {u"ShrinkMDF"_s, u"压缩数据文件"_s, shrinkFile(DataFile), DataLoss::LogTruncation},
        {u"CHECKDB"_s, u"检测数据库（仅检测）"_s, ModMain::CheckDatabase},
        {u"CHECKALLOC"_s, u"检查修复磁盘空间分配结构一致性"_s, ModMain::CheckAllocation, kRepair},
        {u"CHECKCATALOG"_s, u"检查修复系统表内及系统表间的一致性"_s, ModMain::CheckCatalog},
        {u"UPDATEUSAGE"_s, u"报告和更正sysindexes表的不正确内容"_s, ModMain::UpdateUsage},
        {u"CHECKDBWITHPHYSICAL_ONLY"_s, u"（仅支持SQL2000）检查修复页和记录标题物理结构的完整性"_s,
         ModMain::CheckPhysicalOnly},
        {u"REPINDEX"_s, u"修复sysindexes表"_s, repairSystemTable(u"sysindexes"_s), kRepair},
        {u"REPOBJ"_s, u"修复sysobjects表"_s, repairSystemTable(u"sysobjects"_s), kRepair},
        {u"REPCOL"_s, u"修复syscolumns表"_s, repairSystemTable(u"syscolumns"_s), kRepair},
        {u"REPDB"_s, u"修复数据库"_s, ModMain::RepairDatabase, kRepair},
        {u"CHECKEACHTABLE"_s, u"修复当前数据库所有用户表"_s, ModMain::RepairEachTable, kRepair},
        {u"DBREINDEX"_s, u"重建当前数据库所有用户表已有索引"_s, ModMain::RebuildAllIndexes},
    };
    return operations;
}

const CatalogueOperation* findCatalogueOperation(const QString& key) {
    for (const CatalogueOperation& operation : operationCatalogue())
        if (operation.key == key) return &operation;
    return nullptr;
}

OperationOutcome runCatalogueOperation(const CatalogueOperation& operation, OperationHost& host,
                                       const QString& database) {
    host.stillSingleUser.reset();
    OperationOutcome outcome;
    const int cancelsBefore = cancelsSent();
    outcome.succeeded = operation.routine(host, database);
    const bool cancelled = cancelsSent() != cancelsBefore;
    if (!operation.repairs()) return outcome;
    history::Entry entry;
    entry.time = QDateTime::currentDateTimeUtc();
    entry.server = ModMain::serverConnection().ServerName;
    entry.database = database;
    entry.operation = operation.key;
    entry.switchMode = host.singleUserSwitch == SingleUserSwitch::OnConnection ? u"connection"_s
                                                                               : u"server shell"_s;
    entry.outcome = outcome.succeeded ? u"ok"_s : cancelled ? u"cancelled"_s : u"failed"_s;
    entry.singleUserAfter = host.stillSingleUser;
    entry.result = host.resultText();
    outcome.historyError = history::append(entry);
    return outcome;
}

}  // namespace tarnwick
