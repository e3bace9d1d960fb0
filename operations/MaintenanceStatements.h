#pragma once
// The texts of the file shrink, the index rebuild and the all-table repair: progress lines, wait
// captions and statements. Pure text builders, so every statement can be compared byte for byte
// without a server. Names are placed into the statements unchanged: no brackets, no quoting.

#include <QString>

namespace tarnwick::maintenance {

// File shrink. The kind is the file group number: 0 the log files, 1 the primary data files.
enum FileKind { LogFile = 0, DataFile = 1 };

// The four progress lines, in the order they are written (each followed by CR LF).
QString readingFilesLine();
QString truncatingLogLine();
QString shrinkingFileLine();
QString shrinkDoneLine();

QString fileNameQuery(const QString& database, int kind);
QString backupLogStatement(const QString& database);
// fileName as the server returned it: a fixed-width name keeps its trailing blanks.
QString shrinkFileStatement(const QString& database, const QString& fileName);

// Index rebuild.
QString rebuildWaitText();
QString rebuildAllIndexesStatement();
QString rebuildDoneText();  // replaces the result text, without a line end
QString rebuildFailureTitle();
// The default database the rebuild leaves the connection in.
QString rebuildFinalDatabase();

// All-table repair: one insert-from-execute batch that captures every user table's check.
QString repairEachTableStatement();
// The work table dropped from master, qualified with the chosen database.
QString dropQualifiedResultTableStatement(const QString& database);

}  // namespace tarnwick::maintenance
