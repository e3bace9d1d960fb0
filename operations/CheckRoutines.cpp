// The seven check and repair routines: each is the capture run with its own DBCC statement.

#include "operations/CaptureRun.h"
#include "operations/Operations.h"

using tarnwick::OperationHost;
using tarnwick::capture::captureStatementOf;
using tarnwick::capture::CheckRoutine;
using tarnwick::capture::runCapture;

namespace ModMain {

namespace {

void runOnDatabase(OperationHost& host, const QString& database, CheckRoutine routine)
{
    runCapture(host, database, captureStatementOf(routine), database);
}

}  // namespace

void CheckDatabase(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::CheckDatabase);
}

void CheckAllocation(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::CheckAllocation);
}

void CheckCatalog(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::CheckCatalog);
}

void UpdateUsage(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::UpdateUsage);
}

void CheckPhysicalOnly(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::CheckPhysicalOnly);
}

void RepairDatabase(OperationHost& host, const QString& database)
{
    runOnDatabase(host, database, CheckRoutine::RepairDatabase);
}

// The table is checked in the chosen database, which is the default database by then; the
// database name serves the single-user switch and the default database only.
void RepairSystemTable(OperationHost& host, const QString& database, const QString& table)
{
    runCapture(host, database, captureStatementOf(CheckRoutine::RepairSystemTable), table);
}

}  // namespace ModMain
