#pragma once
// The statements both attach windows send, and the file-list queries of the primary-file window.
// Names and paths go in as they stand: no brackets, no doubled quotes.

#include <QString>
#include <QStringList>

namespace attach {

// The server builds a new log for the database.
QString singleFileAttachStatement(const QString& databaseName, const QString& dataFile);
QString twoFileAttachStatement(const QString& databaseName, const QString& dataFile,
                               const QString& logFile);
// sp_attach_db with each file in turn: for two files the two-file statement, continued for more.
QString filesAttachStatement(const QString& databaseName, const QStringList& files);
// option 3: one row per recorded file, its path in column 3; option 2: the recorded properties,
// the database name in column 1 of the first row.
QString checkPrimaryFileQuery(const QString& primaryFile, int option);

}  // namespace attach
