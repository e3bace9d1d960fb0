#include "operations/MaintenanceStatements.h"

using namespace Qt::StringLiterals;

namespace tarnwick::maintenance {

namespace {

const QString kDoubleQuote = u"\""_s;

}  // namespace

QString readingFilesLine() {
    return u"正在读取日志文件"_s;
}
QString truncatingLogLine() {
    return u"正在截断事务日志"_s;
}
// The same words for both kinds of file.
QString shrinkingFileLine() {
    return u"正在压缩日志文件"_s;
}
QString shrinkDoneLine() {
    return u"压缩完成"_s;
}

QString fileNameQuery(const QString& database, int kind) {
    return u"Select Name From "_s + database + u".dbo.sysfiles Where GroupID="_s +
           QString::number(kind);
}

QString backupLogStatement(const QString& database) {
    return u"Backup log "_s + database + u" with no_log"_s;
}

QString shrinkFileStatement(const QString& database, const QString& fileName) {
    // The target size 1 is in megabytes. The batch enters the database and stays there.
    return u"Use "_s + database + u" Dbcc ShrinkFile('"_s + fileName + u"',1)"_s;
}

QString rebuildWaitText() {
    return u"正在重建当前数据已有索引........"_s;
}

QString rebuildAllIndexesStatement() {
    // An empty index name rebuilds every index of the table; no blank before "with".
    return u"SP_MSFOREACHTABLE @COMMAND1="_s + kDoubleQuote +
           u"DBCC DBREINDEX('?','')with NO_INFOMSGS"_s + kDoubleQuote;
}

QString rebuildDoneText() {
    return u"重建完成"_s;
}
QString rebuildFailureTitle() {
    return u"提示"_s;
}
QString rebuildFinalDatabase() {
    return u"Master"_s;
}

QString repairEachTableStatement() {
    // Inside the executed string the doubled quotes put single quotes around the table name.
    return u"INSERT INTO DBCCRESULT EXEC('SP_MSFOREACHTABLE "_s + u" @COMMAND1="_s + kDoubleQuote +
           u"dbcc checktable(''?'',REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS "_s + kDoubleQuote +
           u" ')"_s;
}

QString dropQualifiedResultTableStatement(const QString& database) {
    return u"DROP TABLE "_s + database + u"..DBCCRESULT"_s;
}

}  // namespace tarnwick::maintenance
