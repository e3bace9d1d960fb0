#pragma once
// What the primary-file attach asks the server about a primary data file, without a window: the
// files it records, each looked for on the server beside the chosen file, the name it records,
// and the statement that attaches the listed files. The window fills its grid from this; the
// command line prints it.

#include <QList>
#include <QString>

#include <functional>

namespace attach {

// One recorded file as the file list shows it.
struct ListedFile {
    QString status;  // "正确" when the file lies at location, "不存在", or "已改名" (renamed)
    QString fileName;  // the recorded path's last component
    QString location;  // the chosen file's folder followed by fileName; for a renamed primary
                       // file the chosen file itself
};

bool isMissing(const ListedFile& file);

// The chosen path, trimmed of blanks, up to and including its last separator. Raises
// std::invalid_argument for a path without a separator.
QString folderOf(const QString& primaryFile);

// Sends the file-list query and hands over each recorded file in the server's order, its status
// asked of the server (xp_fileexist). The first recorded file is the primary file: when its name
// differs from the chosen file's (the file was renamed), the row shows the chosen file as
// "已改名" instead. onAnswered runs once the server has answered, before the first file; a
// recorded path without a separator raises std::invalid_argument after the files before it were
// handed over. A server error raises tarnwick::DbError.
void listRecordedFiles(const QString& primaryFile, const std::function<void()>& onAnswered,
                       const std::function<void(const ListedFile&)>& onFile);

// Sends the properties query: the database name the primary file records.
QString recordedDatabaseName(const QString& primaryFile);

// The statement for the listed files. With two files at most and the primary file under its
// recorded name: the single-file statement with the first file's location when the second listed
// file is missing, otherwise the two-file statement (a list of one file passes an empty second
// file, as the grid's empty last row reads). With more files, or a renamed primary file: the
// two-file statement continued with every file that exists, up to 16, in the listed order — the
// single-file statement when the primary file is the only one.
QString primaryFileAttachStatement(const QString& databaseName, const QList<ListedFile>& files);

}  // namespace attach
