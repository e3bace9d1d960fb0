#include "mainwindow/OperationTable.h"

#include "operations/MaintenanceStatements.h"
#include "operations/Operations.h"

using namespace Qt::StringLiterals;
using tarnwick::OperationHost;

namespace {

using DatabaseRoutine = void (*)(OperationHost&, const QString&);

std::function<void(const OperationContext&)> onDatabase(DatabaseRoutine routine) {
    return [routine](const OperationContext& c) { routine(c.host, c.currentDatabase()); };
}

std::function<void(const OperationContext&)> repairSystemTable(const QString& table) {
    return [table](const OperationContext& c) {
        ModMain::RepairSystemTable(c.host, c.currentDatabase(), table);
    };
}

std::function<void(const OperationContext&)> shrinkFile(int kind) {
    return [kind](const OperationContext& c) {
        ModMain::ShrinkDatabaseFile(c.host, c.currentDatabase(), kind);
    };
}

// The attach windows choose by the version of the server connected now; the database list is
// not read.
void attach(const OperationContext& c) {
    c.showAttachWindow(c.serverVersion());
}

}  // namespace

const OperationTable& operationTable() {
    using tarnwick::maintenance::DataFile;
    using tarnwick::maintenance::LogFile;
    // The parentheses of the first and the eighth node are full-width characters. The routines'
    // results are not used: each one reports its own outcome.
    static const OperationTable rows{
        {u"ATTACH"_s, u"附加数据库（SQL2000建议在企业管理器里操作）"_s, 1, attach},
        {u"ShrinkLog"_s, u"压缩日志文件"_s, 2, shrinkFile(LogFile)},
        {u"ShrinkMDF"_s, u"压缩数据文件"_s, 1, shrinkFile(DataFile)},
        {u"CHECKDB"_s, u"检测数据库（仅检测）"_s, 2, onDatabase(ModMain::CheckDatabase)},
        {u"CHECKALLOC"_s, u"检查修复磁盘空间分配结构一致性"_s, 1,
         onDatabase(ModMain::CheckAllocation)},
        {u"CHECKCATALOG"_s, u"检查修复系统表内及系统表间的一致性"_s, 2,
         onDatabase(ModMain::CheckCatalog)},
        {u"UPDATEUSAGE"_s, u"报告和更正sysindexes表的不正确内容"_s, 1,
         onDatabase(ModMain::UpdateUsage)},
        {u"CHECKDBWITHPHYSICAL_ONLY"_s, u"（仅支持SQL2000）检查修复页和记录标题物理结构的完整性"_s,
         2, onDatabase(ModMain::CheckPhysicalOnly)},
        {u"REPINDEX"_s, u"修复sysindexes表"_s, 1, repairSystemTable(u"sysindexes"_s)},
        {u"REPOBJ"_s, u"修复sysobjects表"_s, 2, repairSystemTable(u"sysobjects"_s)},
        {u"REPCOL"_s, u"修复syscolumns表"_s, 1, repairSystemTable(u"syscolumns"_s)},
        {u"REPDB"_s, u"修复数据库"_s, 2, onDatabase(ModMain::RepairDatabase)},
        {u"CHECKEACHTABLE"_s, u"修复当前数据库所有用户表"_s, 1,
         [](const OperationContext& c) { ModMain::RepairEachTable(c.host, c.currentDatabase()); }},
        {u"DBREINDEX"_s, u"重建当前数据库所有用户表已有索引"_s, 2,
         onDatabase(ModMain::RebuildAllIndexes)},
    };
    return rows;
}
