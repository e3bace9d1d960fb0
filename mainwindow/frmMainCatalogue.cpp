#include "frmMainCatalogue.h"

using namespace Qt::StringLiterals;

const QList<CatalogueNode>& operationCatalogue() {
    // The parentheses of the first and the eighth node are full-width characters.
    static const QList<CatalogueNode> nodes{
        {u"ATTACH"_s, u"附加数据库（SQL2000建议在企业管理器里操作）"_s, 1},
        {u"ShrinkLog"_s, u"压缩日志文件"_s, 2},
        {u"ShrinkMDF"_s, u"压缩数据文件"_s, 1},
        {u"CHECKDB"_s, u"检测数据库（仅检测）"_s, 2},
        {u"CHECKALLOC"_s, u"检查修复磁盘空间分配结构一致性"_s, 1},
        {u"CHECKCATALOG"_s, u"检查修复系统表内及系统表间的一致性"_s, 2},
        {u"UPDATEUSAGE"_s, u"报告和更正sysindexes表的不正确内容"_s, 1},
        {u"CHECKDBWITHPHYSICAL_ONLY"_s, u"（仅支持SQL2000）检查修复页和记录标题物理结构的完整性"_s,
         2},
        {u"REPINDEX"_s, u"修复sysindexes表"_s, 1},
        {u"REPOBJ"_s, u"修复sysobjects表"_s, 2},
        {u"REPCOL"_s, u"修复syscolumns表"_s, 1},
        {u"REPDB"_s, u"修复数据库"_s, 2},
        {u"CHECKEACHTABLE"_s, u"修复当前数据库所有用户表"_s, 1},
        {u"DBREINDEX"_s, u"重建当前数据库所有用户表已有索引"_s, 2},
    };
    return nodes;
}
