#pragma once
// The maintenance routines of the server connection module. Each reports its own outcome through
// the host (wait panel, result area) or a message box and never raises; the value returned says
// whether every step succeeded, for callers that need to know (the window does not).

#include "operations/OperationHost.h"

#include <QString>

namespace ModMain {

// Result capture and the single-user switch; both raise tarnwick::DbError to their caller.
void PrepareResultCapture();
void SetSingleUser(const QString& database, bool on);

// The check and repair routines.
bool CheckDatabase(tarnwick::OperationHost& host, const QString& database);
bool CheckAllocation(tarnwick::OperationHost& host, const QString& database);
bool CheckCatalog(tarnwick::OperationHost& host, const QString& database);
bool UpdateUsage(tarnwick::OperationHost& host, const QString& database);
bool CheckPhysicalOnly(tarnwick::OperationHost& host, const QString& database);
bool RepairDatabase(tarnwick::OperationHost& host, const QString& database);
bool RepairSystemTable(tarnwick::OperationHost& host, const QString& database,
                       const QString& table);

// Shrinks the chosen database's log file (kind 0) or primary data file (kind 1), reporting each
// step as a line in the result area. True when every statement succeeded.
bool ShrinkDatabaseFile(tarnwick::OperationHost& host, const QString& database, int kind);

// Rebuilds every index of every user table; a failure is shown in a message box.
bool RebuildAllIndexes(tarnwick::OperationHost& host, const QString& database);

// Checks and repairs every user table, allowing data loss, inside the single-user switch. True
// when every step, the clean-up included, succeeded.
bool RepairEachTable(tarnwick::OperationHost& host, const QString& database);

}  // namespace ModMain
