#include "mainwindow/DataLossQuestion.h"

using namespace Qt::StringLiterals;

QString dataLossQuestion(const OperationRow& row, const QString& database, const QString& server) {
    const QString target = u"服务器“%1”上的数据库“%2”"_s.arg(server, database);
    QString what;
    if (row.dataLoss == tarnwick::DataLoss::LogTruncation)
        what =
            u"“%1”将先截断%2的事务日志，不作备份；此后无法再用日志备份恢复到此刻之前的数据。"_s.arg(
                row.text, target);
    else
        what =
            u"“%1”将以允许数据丢失的方式（REPAIR_ALLOW_DATA_LOSS）修复%2，无法修复的数据会被删除。"_s
                .arg(row.text, target);
    return what + u"\r\n请先作好数据库备份。是否继续？"_s;
}
