#include "operations/CaptureRun.h"

#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "operations/ResultCapture.h"
#include "operations/StepFailure.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace tarnwick::capture {

bool runCapture(OperationHost& host, const QString& database, const CaptureStatement& statement,
                const QString& argument) {
    OdbcConnection& connection = ModMain::serverConnection().Connection;

    const std::optional<QString> failure = failureOf([&] {
        host.ShowWaitPanel(waitText());
        // A repair switches the option while the connection is still outside the database.
        if (statement.repairs) ModMain::SetSingleUser(database, true);
        connection.setDefaultDatabase(database);
        ModMain::PrepareResultCapture();
        runCaptureStatement(statement, argument);
        readBack(host);
        cleanUp();
        connection.setDefaultDatabase(u"master"_s);
    });

    // The failure label: both paths continue here. The switch back is attempted even after a
    // failure; if it fails too, its own report follows the first one, so the user learns that
    // the database may still be in single-user mode.
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
