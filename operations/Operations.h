#pragma once
// The maintenance routines of the server connection module. Each reports its own outcome through
// the host (wait panel, result area) and never raises.

#include "OperationHost.h"

#include <QString>

namespace ModMain {

// Result capture and the single-user switch; both raise tarnwick::DbError to their caller.
void PrepareResultCapture();
void SetSingleUser(const QString& database, bool on);

// The check and repair routines.
void CheckDatabase(tarnwick::OperationHost& host, const QString& database);
void CheckAllocation(tarnwick::OperationHost& host, const QString& database);
void CheckCatalog(tarnwick::OperationHost& host, const QString& database);
void UpdateUsage(tarnwick::OperationHost& host, const QString& database);
void CheckPhysicalOnly(tarnwick::OperationHost& host, const QString& database);
void RepairDatabase(tarnwick::OperationHost& host, const QString& database);
void RepairSystemTable(tarnwick::OperationHost& host, const QString& database, const QString& table);

}  // namespace ModMain
