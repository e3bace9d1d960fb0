// Shrinking a database's log or data file: look up the file's logical name, empty the log
// without a backup, shrink the file to 1 MB. Progress goes to the result area line by line; no
// wait panel.

#include "connection/ModMain.h"
#include "connection/RecordSet.h"
#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "operations/Operations.h"
#include "operations/StepFailure.h"
#include "toolkit/PendingWork.h"

#include <optional>

using namespace Qt::StringLiterals;
using namespace tarnwick::maintenance;

namespace ModMain {

bool ShrinkDatabaseFile(tarnwick::OperationHost& host, const QString& database, int kind) {
    tarnwick::OdbcConnection& connection = serverConnection().Connection;
    // Each line is painted before the next statement blocks the window.
    const auto writeLine = [&host](const QString& text, const QString& words) {
        host.setResultText(text + words + u"\r\n"_s);
        host.processEvents();
    };

    writeLine(QString(), readingFilesLine());
    bool cancelled = false;
    const std::optional<QString> failure = tarnwick::failureOf(
        [&] {
            tarnwick::RecordSet files;
            files.open(fileNameQuery(database, kind), connection, tarnwick::RecordSet::adOpenStatic,
                       tarnwick::RecordSet::adLockOptimistic);
            writeLine(host.resultText(), truncatingLogLine());
            connection.execute(backupLogStatement(database));
            writeLine(host.resultText(), shrinkingFileLine());
            // The first file only; an empty set raises here, as there is no current row.
            connection.execute(shrinkFileStatement(database, files.field(0).toString()));
            writeLine(host.resultText(), shrinkDoneLine());
        },
        cancelled);
    if (!failure) return true;
    // A cancelled shrink may have stopped after its batch entered the database: it leaves it.
    if (cancelled) {
        const tarnwick::CancelShield leaving;
        tarnwick::failureOf([&] { connection.setDefaultDatabase(u"master"_s); });
    }
    host.setResultText(tarnwick::capture::withFailureReport(host.resultText(), *failure));
    return false;
}

}  // namespace ModMain
