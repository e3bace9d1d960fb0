#pragma once
// The fixed order in which a check or repair routine uses the result capture: wait panel,
// single-user switch (repairs), default database, preparation, capture, read-back, clean-up,
// back to master; then, on success and failure alike, the switch back (repairs), the failure
// report if a step failed, and the wait panel hidden.

#include "operations/CaptureStatements.h"
#include "operations/OperationHost.h"

namespace tarnwick::capture {

// database: the chosen database; argument: what goes between the statement's fragments (the
// database name, or a table name for the system-table repairs). Never raises; true when no step
// failed, the switch back included.
bool runCapture(OperationHost& host, const QString& database, const CaptureStatement& statement,
                const QString& argument);

}  // namespace tarnwick::capture
