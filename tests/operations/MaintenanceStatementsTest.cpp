// Golden texts of the file shrink, the index rebuild and the all-table repair, with odd database
// and file names. Expected strings are written out whole.

#include "operations/MaintenanceStatements.h"
#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tarnwick::maintenance;

namespace {

struct NamedStatements {
    QString database;
    QString fileName;
    QString logQuery;
    QString dataQuery;
    QString backup;
    QString shrink;
    QString drop;
};

TEST(MaintenanceStatements, NamesGoInUnchanged) {
    const QString padded = u"Sales_Log"_s + QString(119, u' ');
    const NamedStatements cases[] = {
        {u"Sales"_s, padded, u"Select Name From Sales.dbo.sysfiles Where GroupID=0"_s,
         u"Select Name From Sales.dbo.sysfiles Where GroupID=1"_s,
         u"Backup log Sales with no_log"_s, u"Use Sales Dbcc ShrinkFile('"_s + padded + u"',1)"_s,
         u"DROP TABLE Sales..DBCCRESULT"_s},
        {u"My Db"_s, u"My Db_Data"_s, u"Select Name From My Db.dbo.sysfiles Where GroupID=0"_s,
         u"Select Name From My Db.dbo.sysfiles Where GroupID=1"_s,
         u"Backup log My Db with no_log"_s, u"Use My Db Dbcc ShrinkFile('My Db_Data',1)"_s,
         u"DROP TABLE My Db..DBCCRESULT"_s},
        {u"O'Brien"_s, u"O'Brien_Log"_s, u"Select Name From O'Brien.dbo.sysfiles Where GroupID=0"_s,
         u"Select Name From O'Brien.dbo.sysfiles Where GroupID=1"_s,
         u"Backup log O'Brien with no_log"_s, u"Use O'Brien Dbcc ShrinkFile('O'Brien_Log',1)"_s,
         u"DROP TABLE O'Brien..DBCCRESULT"_s},
        {u"销售数据"_s, u"销售数据_Log"_s,
         u"Select Name From 销售数据.dbo.sysfiles Where GroupID=0"_s,
         u"Select Name From 销售数据.dbo.sysfiles Where GroupID=1"_s,
         u"Backup log 销售数据 with no_log"_s, u"Use 销售数据 Dbcc ShrinkFile('销售数据_Log',1)"_s,
         u"DROP TABLE 销售数据..DBCCRESULT"_s},
    };
    for (const NamedStatements& c : cases) {
        SCOPED_TRACE(c.database.toStdString());
        EXPECT_EQ(fileNameQuery(c.database, LogFile), c.logQuery);
        EXPECT_EQ(fileNameQuery(c.database, DataFile), c.dataQuery);
        EXPECT_EQ(backupLogStatement(c.database), c.backup);
        EXPECT_EQ(shrinkFileStatement(c.database, c.fileName), c.shrink);
        EXPECT_EQ(dropQualifiedResultTableStatement(c.database), c.drop);
    }
    EXPECT_EQ(fileNameQuery(u"x"_s, -12), u"Select Name From x.dbo.sysfiles Where GroupID=-12"_s);
}

TEST(MaintenanceStatements, FixedTexts) {
    EXPECT_EQ(readingFilesLine(), u"正在读取日志文件"_s);
    EXPECT_EQ(truncatingLogLine(), u"正在截断事务日志"_s);
    EXPECT_EQ(shrinkingFileLine(), u"正在压缩日志文件"_s);
    EXPECT_EQ(shrinkDoneLine(), u"压缩完成"_s);
    EXPECT_EQ(rebuildWaitText(), u"正在重建当前数据已有索引........"_s);
    EXPECT_EQ(rebuildWaitText().size(), 12 + 8);
    EXPECT_EQ(rebuildDoneText(), u"重建完成"_s);
    EXPECT_EQ(rebuildFailureTitle(), u"提示"_s);
    EXPECT_EQ(rebuildFinalDatabase(), u"Master"_s);
    EXPECT_EQ(rebuildAllIndexesStatement(),
              u"SP_MSFOREACHTABLE @COMMAND1=\"DBCC DBREINDEX('?','')with NO_INFOMSGS\""_s);
    EXPECT_EQ(repairEachTableStatement(),
              u"INSERT INTO DBCCRESULT EXEC('SP_MSFOREACHTABLE  @COMMAND1=\"dbcc "
              u"checktable(''?'',REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS \" ')"_s);
}

}  // namespace
