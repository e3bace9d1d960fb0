// The two routines that work on every user table at once through SP_MSFOREACHTABLE: the index
// rebuild and the all-table check with repair.

#include "connection/ModMain.h"
#include "connection/RecordSet.h"
#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "operations/Operations.h"
#include "operations/ResultCapture.h"
#include "operations/SingleUserSwitch.h"
#include "operations/StepFailure.h"
#include "toolkit/PendingWork.h"
#include "toolkit/Toolkit.h"

#include <QStringList>

#include <optional>

using namespace Qt::StringLiterals;
using namespace tarnwick::maintenance;
using tarnwick::failureOf;

namespace ModMain {

namespace {

void showRebuildFailure(const QString& description) {
    tarnwick::toolkit().messageBox(description, tarnwick::vbCritical, rebuildFailureTitle());
}

}  // namespace

bool RebuildAllIndexes(tarnwick::OperationHost& host, const QString& database) {
    tarnwick::OdbcConnection& connection = serverConnection().Connection;
    const std::optional<QString> failure = failureOf([&] {
        host.ShowWaitPanel(rebuildWaitText());
        connection.setDefaultDatabase(database);
        connection.execute(rebuildAllIndexesStatement());
        host.setResultText(rebuildDoneText());
    });
    // The box is shown while the wait panel is still up; the panel goes once the box is closed.
    if (failure) showRebuildFailure(*failure);
    host.HideWaitPanel();
    // Leaving the database can fail too (the connection is gone): that gets a box of its own.
    const tarnwick::CancelShield cleanUp;
    const std::optional<QString> leaving =
        failureOf([&] { connection.setDefaultDatabase(rebuildFinalDatabase()); });
    if (leaving) showRebuildFailure(*leaving);
    return !failure && !leaving;
}

bool RepairEachTable(tarnwick::OperationHost& host, const QString& database) {
    tarnwick::OdbcConnection& connection = serverConnection().Connection;
    tarnwick::RecordSet messages;  // held until the database has left single-user mode
    const bool shell = host.singleUserSwitch == tarnwick::SingleUserSwitch::ServerShell;
    bool switchedOn = false;
    bool workTableCreated = false;
    bool result = false;

    int number = 0;
    const std::optional<QString> failure = failureOf(
        [&] {
            host.ShowWaitPanel(tarnwick::capture::waitText());
            // Through the server's shell: switched while the connection is still in the database it
            // was in before; on the connection: from master.
            tarnwick::singleuser::switchOn(host, database);
            switchedOn = true;
            connection.setDefaultDatabase(database);
            PrepareResultCapture();
            workTableCreated = true;
            connection.execute(repairEachTableStatement());
            messages.open(tarnwick::capture::readBackQuery(), connection,
                          tarnwick::RecordSet::adOpenStatic, tarnwick::RecordSet::adLockOptimistic,
                          tarnwick::RecordSet::Reading::AsUsed);
            if (!(messages.eof() && messages.bof())) {
                const QString cr = u"\r"_s;
                host.setResultTextInPieces([&](QString& piece) {
                    return messages.getStringPiece(piece, cr, cr, QString(),
                                                   tarnwick::capture::kReadBackPieceChars);
                });
            }
            result = true;
        },
        &number);

    // A switch on the connection that was refused ends the run before anything else is sent:
    // the database was not changed and holds no work table.
    if (!shell && !switchedOn) {
        host.setResultText(tarnwick::capture::withFailureReport(host.resultText(), *failure));
        host.HideWaitPanel();
        return false;
    }

    // The clean-up runs on both paths, each step whatever became of the others, so the database
    // always gets its switch out of single-user mode. A failing clean-up step is reported after
    // the first failure, except the drop of a work table this run never created: that failure
    // only repeats that an earlier step stopped the run.
    const tarnwick::CancelShield cleanUp;
    QStringList cleanUpFailures;
    if (const auto leaving = failureOf([&] { connection.setDefaultDatabase(u"master"_s); }))
        cleanUpFailures << *leaving;
    const auto dropping =
        failureOf([&] { connection.execute(dropQualifiedResultTableStatement(database)); });
    if (dropping && workTableCreated) cleanUpFailures << *dropping;
    // Leaving master again is the step just above; its failure is reported there.
    const tarnwick::singleuser::SwitchBack back =
        tarnwick::singleuser::switchBack(host, database, false);
    messages.close();

    QStringList failures = cleanUpFailures;
    if (failure) failures.prepend(*failure);
    if (!failures.isEmpty() || !back.failures.isEmpty() || !back.closingLine.isEmpty())
        host.setResultText(tarnwick::singleuser::withReports(host.resultText(), failures, back));
    if (shell && number == tarnwick::singleuser::kRepairNeedsSingleUser)
        host.suggestSwitchOnConnection();
    host.HideWaitPanel();
    return result && cleanUpFailures.isEmpty() && back.failures.isEmpty() &&
           back.closingLine.isEmpty();
}

}  // namespace ModMain
