#include "attach/AttachStatements.h"

using namespace Qt::StringLiterals;

namespace attach {

QString singleFileAttachStatement(const QString& databaseName, const QString& dataFile) {
    return u"EXEC sp_attach_single_file_db @dbname = '"_s + databaseName + u"',"_s +
           u"@physname = '"_s + dataFile + u"'"_s;
}

QString twoFileAttachStatement(const QString& databaseName, const QString& dataFile,
                               const QString& logFile) {
    return filesAttachStatement(databaseName, {dataFile, logFile});
}

QString filesAttachStatement(const QString& databaseName, const QStringList& files) {
    QString statement = u"EXEC sp_attach_db @dbname = N'"_s + databaseName + u"'"_s;
    for (qsizetype i = 0; i < files.size(); ++i)
        statement += u",@filename"_s + QString::number(i + 1) + u" = N'"_s + files.at(i) + u"'"_s;
    return statement;
}

QString checkPrimaryFileQuery(const QString& primaryFile, int option) {
    return u"dbcc checkprimaryfile (N'"_s + primaryFile + u"', "_s + QString::number(option) +
           u")"_s;
}

}  // namespace attach
