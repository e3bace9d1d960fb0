#pragma once
// What the primary-file attach asks the server about a primary data file, without a window: the
// files it records, each looked for beside the chosen file, the name it records, and the statement
// that attaches the listed files. The window fills its grid from this; the command line prints it.

#include <QString>

#include <functional>

namespace attach {

// One recorded file as the file list shows it.
struct ListedFile {
    QString status;    // "正确" when the file lies at location, else "不存在"
    QString fileName;  // the recorded path's last component
    QString location;  // the chosen file's folder followed by fileName
};

QString fileStatus(const QString& path);  // "正确" or "不存在", by the local file system
bool isMissing(const ListedFile& file);

// The chosen path, trimmed of blanks, up to and including its last separator. Raises
// std::invalid_argument for a path without a separator.
QString folderOf(const QString& primaryFile);

// Sends the file-list query and hands over each recorded file in the server's order. onAnswered
// runs once the server has answered, before the first file; a recorded path without a separator
// raises std::invalid_argument after the files before it were handed over. A server error raises
// tarnwick::DbError.
void listRecordedFiles(const QString& primaryFile, const std::function<void()>& onAnswered,
                       const std::function<void(const ListedFile&)>& onFile);

// Sends the properties query: the database name the primary file records.
QString recordedDatabaseName(const QString& primaryFile);

// The single-file statement with the first file's location when the second listed file is
// missing, otherwise the two-file statement with both locations. A list of one file passes an
// empty second file, as the grid's empty last row reads.
QString primaryFileAttachStatement(const QString& databaseName, const ListedFile& first,
                                   const ListedFile& second);

}  // namespace attach
