#pragma once
// The batches of clean runs on Sales, for the fault and cancel matrices to step through: taken
// from the run transcripts of tests/data/runs, which check them byte for byte, never from the
// statement builders under test. The few texts no transcript holds for Sales (the switch on the
// program's connection, the attach statements on the matrix's own paths) are written out here.

#include "tests/support/SqlsimFixture.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <stdexcept>

namespace tarnwick::test {

inline const QString kMatrixDb = QStringLiteral("Sales");

inline QString useStatement(const QString& db) {
    return QStringLiteral("USE [") + db + QStringLiteral("]");
}

// The batches the program's connection sent for the first "run KEY DATABASE" in a run transcript
// (a file of tests/data/runs): its "SENT [database] text" lines.
inline QStringList recordedRun(const QString& transcript, const QString& run) {
    QFile file(SqlsimFixture::dataPath(QStringLiteral("runs/") + transcript));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no run transcript");
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    const qsizetype start = lines.indexOf(QStringLiteral("< -- run ") + run);
    if (start < 0) throw std::runtime_error("no such run: " + run.toStdString());
    QStringList batches;
    for (qsizetype i = start + 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (!line.startsWith(u"< SENT")) break;
        if (line.startsWith(u"< SENT [")) batches << line.mid(line.indexOf(u"] ") + 2);
    }
    return batches;
}

// The first batch that starts with prefix, or -1.
inline int firstStartingWith(const QStringList& batches, QStringView prefix) {
    for (qsizetype i = 0; i < batches.size(); ++i)
        if (batches.at(i).startsWith(prefix)) return int(i);
    return -1;
}

// The switch on the program's connection as the server receives it for Sales: on, off, the
// question whether the database is still single-user, and the line the result ends with when it
// is.
inline const QString kSwitchOnOnConnection =
    QStringLiteral("exec sp_dboption N'Sales', N'single user', N'true'");
inline const QString kSwitchOffOnConnection =
    QStringLiteral("exec sp_dboption N'Sales', N'single user', N'false'");
inline const QString kIsSingleUserQuery =
    QStringLiteral("select DATABASEPROPERTY(N'Sales', 'IsSingleUser')");
inline const QString kStillSingleUserLine = QStringLiteral(
    "数据库 Sales 仍处于单用户模式，其他用户无法使用它。请在 master 数据库中执行 "
    "exec sp_dboption N'Sales', N'single user', N'false' 将其恢复为多用户模式。\r\n");

// A repair's batches with the switch on the connection instead of the server's shell (the first
// and the last batch): on from master, off from master, then the question whether the database
// is still single-user.
inline QStringList switchedOnConnection(const QStringList& throughTheShell) {
    return QStringList{useStatement(QStringLiteral("master")), kSwitchOnOnConnection} +
           throughTheShell.mid(1, throughTheShell.size() - 2) +
           QStringList{kSwitchOffOnConnection, kIsSingleUserQuery};
}

// The attach statements on the matrix's own paths (which hold no quote).
inline QString checkPrimaryFileQuery(const QString& path, int option) {
    return QStringLiteral("dbcc checkprimaryfile (N'%1', %2)").arg(path).arg(option);
}
inline QString fileExistsQuery(const QString& path) {
    return QStringLiteral("EXEC master..xp_fileexist N'%1'").arg(path);
}
inline QString twoFileAttachStatement(const QString& name, const QString& data,
                                      const QString& log) {
    return QStringLiteral("EXEC sp_attach_db @dbname = N'%1',@filename1 = N'%2',@filename2 = N'%3'")
        .arg(name, data, log);
}

}  // namespace tarnwick::test
