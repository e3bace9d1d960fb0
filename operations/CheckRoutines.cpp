// The seven check and repair routines: each is the capture run with its own DBCC statement.

#include "operations/CaptureRun.h"
#include "operations/Operations.h"

using tarnwick::OperationHost;
using tarnwick::capture::captureStatementOf;
using tarnwick::capture::CheckRoutine;
using tarnwick::capture::runCapture;

namespace ModMain {

namespace {

bool runOnDatabase(OperationHost& host, const QString& database, CheckRoutine routine) {
    return runCapture(host, database, captureStatementOf(routine), database);
}

}  // namespace

bool CheckDatabase(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::CheckDatabase);
}

bool CheckAllocation(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::CheckAllocation);
}

bool CheckCatalog(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::CheckCatalog);
}

bool UpdateUsage(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::UpdateUsage);
}

bool CheckPhysicalOnly(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::CheckPhysicalOnly);
}

bool RepairDatabase(OperationHost& host, const QString& database) {
    return runOnDatabase(host, database, CheckRoutine::RepairDatabase);
}

// The table is checked in the chosen database, which is the default database by then; the
// database name serves the single-user switch and the default database only.
bool RepairSystemTable(OperationHost& host, const QString& database, const QString& table) {
    return runCapture(host, database, captureStatementOf(CheckRoutine::RepairSystemTable), table);
}

}  // namespace ModMain
