#pragma once
// One operation on every user database of the server, over the one login: in the order of the
// database list, each database's run finished (its failure path included) before the next one
// starts. A failure on one database does not stop the others; a stop request is honoured between
// two databases, and the databases not reached are reported as not run.

#include "cli/Report.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tarnwick::cli {

struct EveryDatabaseRun {
    QStringList databases;  // every user database, in the list's order
    QStringList clean;
    QStringList findings;
    QStringList failed;
    QStringList notRun;  // left when a stop was requested
    ExitStatus status = Clean;
};

// runOne runs the operation on one database and says how it ended. stopRequested is asked before
// each database; once it says yes, that database and those after it are not run.
EveryDatabaseRun runOnEveryDatabase(const QStringList& databases,
                                    const std::function<ExitStatus(const QString&)>& runOne,
                                    const std::function<bool()>& stopRequested);

// The worse of two outcomes: a failure over findings over a clean run; a failed login, which ends
// a run before any database, over them all.
ExitStatus worse(ExitStatus a, ExitStatus b);

// The line that opens a database's text.
QString databaseHeader(const QString& database);

// The summary that ends the text: which databases ended how.
QString summaryText(const QString& operation, const EveryDatabaseRun& run);

// The summary that ends the JSON lines. head carries the server, version, operation, the notices
// shown outside a database's run (a failed login, the database list not read) and the status.
QJsonObject summaryJson(const Report& head, const EveryDatabaseRun& run);

}  // namespace tarnwick::cli
