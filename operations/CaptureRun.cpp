#include "operations/CaptureRun.h"

#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "operations/ResultCapture.h"
#include "operations/SingleUserSwitch.h"
#include "operations/StepFailure.h"
#include "toolkit/PendingWork.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace tarnwick::capture {

bool runCapture(OperationHost& host, const QString& database, const CaptureStatement& statement,
                const QString& argument) {
    OdbcConnection& connection = ModMain::serverConnection().Connection;
    const bool shell = host.singleUserSwitch == SingleUserSwitch::ServerShell;
    bool switchedOn = false;

    int number = 0;
    bool cancelled = false;
    const std::optional<QString> failure = failureOf(
        [&] {
            host.ShowWaitPanel(waitText());
            // A repair switches the option while the connection is still outside the database.
            if (statement.repairs) singleuser::switchOn(host, database);
            switchedOn = true;
            connection.setDefaultDatabase(database);
            ModMain::PrepareResultCapture();
            runCaptureStatement(statement, argument);
            readBack(host);
            cleanUp();
            connection.setDefaultDatabase(u"master"_s);
        },
        &number, &cancelled);

    // The failure label: both paths continue here, and nothing cancels it. A cancelled run first
    // leaves the database, so that the switch back is not refused for the program's own
    // connection inside it. The switch back is attempted even after a failure; if it fails too,
    // its own report follows the first one, so the user learns that the database may still be in
    // single-user mode. A switch on the connection that was refused ends the run here: nothing
    // was changed, so nothing is switched back.
    const CancelShield cleanUp;
    if (cancelled) failureOf([&] { connection.setDefaultDatabase(u"master"_s); });
    singleuser::SwitchBack back;
    if (statement.repairs && (shell || switchedOn))
        back = singleuser::switchBack(host, database, failure.has_value() && !cancelled);

    QStringList failures = back.failures;
    if (failure) failures.prepend(*failure);
    for (const QString& description : failures)
        host.setResultText(withFailureReport(host.resultText(), description));
    if (!back.closingLine.isEmpty()) host.setResultText(host.resultText() + back.closingLine);
    if (statement.repairs && shell && number == singleuser::kRepairNeedsSingleUser)
        host.suggestSwitchOnConnection();
    host.HideWaitPanel();
    return !failure && back.failures.isEmpty() && back.closingLine.isEmpty();
}

}  // namespace tarnwick::capture
