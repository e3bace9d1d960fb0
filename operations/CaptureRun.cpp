#include "operations/CaptureRun.h"

#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "operations/ResultCapture.h"
#include "operations/StepFailure.h"
#include "toolkit/PendingWork.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace tarnwick::capture {

bool runCapture(OperationHost& host, const QString& database, const CaptureStatement& statement,
                const QString& argument) {
    OdbcConnection& connection = ModMain::serverConnection().Connection;

    bool cancelled = false;
    const std::optional<QString> failure = failureOf(
        [&] {
            host.ShowWaitPanel(waitText());
            // A repair switches the option while the connection is still outside the database.
            if (statement.repairs) ModMain::SetSingleUser(database, true);
            connection.setDefaultDatabase(database);
            ModMain::PrepareResultCapture();
            runCaptureStatement(statement, argument);
            readBack(host);
            cleanUp();
            connection.setDefaultDatabase(u"master"_s);
        },
        cancelled);

    // The failure label: both paths continue here. A cancelled run first leaves the database, so
    // that the switch back is not refused for the program's own connection inside it. The switch
    // back is attempted even after a failure; if it fails too, its own report follows the first
    // one, so the user learns that the database may still be in single-user mode.
    const CancelShield cleanUp;
    if (cancelled) failureOf([&] { connection.setDefaultDatabase(u"master"_s); });
    std::optional<QString> switchBackFailure;
    if (statement.repairs)
        switchBackFailure = failureOf([&] { ModMain::SetSingleUser(database, false); });

    for (const std::optional<QString>& description : {failure, switchBackFailure}) {
        if (description) host.setResultText(withFailureReport(host.resultText(), *description));
    }
    host.HideWaitPanel();
    return !failure && !switchBackFailure;
}

}  // namespace tarnwick::capture
