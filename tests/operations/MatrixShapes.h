#pragma once
// The batches of a clean run on ops-server.json's Sales, for the fault and cancel matrices: the
// check and repair runs, the all-table repair, and a repair with the single-user switch on the
// program's own connection. The matrices step through these; the texts themselves are the run
// transcripts' to check.

#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"

#include <QString>
#include <QStringList>

namespace tarnwick::test {

inline const QString kMatrixDb = QStringLiteral("Sales");

inline QString useStatement(const QString& db) {
    return QStringLiteral("USE [") + db + QStringLiteral("]");
}

// The switch on the program's connection as the server receives it for Sales: on, off, and the
// question whether the database is still single-user.
inline const QString kSwitchOnOnConnection =
    QStringLiteral("exec sp_dboption N'Sales', N'single user', N'true'");
inline const QString kSwitchOffOnConnection =
    QStringLiteral("exec sp_dboption N'Sales', N'single user', N'false'");
inline const QString kIsSingleUserQuery =
    QStringLiteral("select DATABASEPROPERTY(N'Sales', 'IsSingleUser')");

// A check, or a repair inside the single-user switch through the server's shell.
inline QStringList captureRun(capture::CheckRoutine routine, const QString& argument,
                              bool repairs) {
    using namespace capture;
    QStringList batches;
    if (repairs) batches << singleUserStatement(kMatrixDb, true);
    batches << useStatement(kMatrixDb) << dropLeftoverTableStatement()
            << dropLeftoverProcStatement() << createResultTableStatement()
            << createCaptureProcStatement(captureStatementOf(routine), argument)
            << execCaptureProcStatement() << readBackQuery() << dropResultTableStatement()
            << dropCaptureProcStatement() << useStatement(QStringLiteral("master"));
    if (repairs) batches << singleUserStatement(kMatrixDb, false);
    return batches;
}

// The all-table repair, inside the single-user switch through the server's shell.
inline QStringList repairEachTableRun() {
    using namespace capture;
    return {singleUserStatement(kMatrixDb, true),
            useStatement(kMatrixDb),
            dropLeftoverTableStatement(),
            dropLeftoverProcStatement(),
            createResultTableStatement(),
            maintenance::repairEachTableStatement(),
            readBackQuery(),
            useStatement(QStringLiteral("master")),
            maintenance::dropQualifiedResultTableStatement(kMatrixDb),
            singleUserStatement(kMatrixDb, false)};
}

// A repair's batches with the switch on the connection: on from master, off from master, then the
// question whether the database is still single-user.
inline QStringList switchedOnConnection(QStringList batches) {
    batches.removeAll(capture::singleUserStatement(kMatrixDb, true));
    batches.removeAll(capture::singleUserStatement(kMatrixDb, false));
    return QStringList{useStatement(QStringLiteral("master")), kSwitchOnOnConnection} + batches +
           QStringList{kSwitchOffOnConnection, kIsSingleUserQuery};
}

}  // namespace tarnwick::test
