#pragma once
// What a double-click on an operation node runs: one row per operation key.

#include "OperationHost.h"

#include <QString>

#include <functional>
#include <vector>

// The maintenance routines the dispatch calls. The standard set is the program's own; tests
// put recording ones in place.
struct OperationRoutines {
    using DatabaseRoutine = std::function<void(tarnwick::OperationHost&, const QString& database)>;
    using TableRoutine = std::function<void(tarnwick::OperationHost&, const QString& database,
                                            const QString& table)>;
    DatabaseRoutine CheckDatabase;
    DatabaseRoutine CheckAllocation;
    DatabaseRoutine CheckCatalog;
    DatabaseRoutine UpdateUsage;
    DatabaseRoutine CheckPhysicalOnly;
    DatabaseRoutine RepairDatabase;
    TableRoutine RepairSystemTable;

    static OperationRoutines standard();
};

struct DispatchContext {
    tarnwick::OperationHost& host;
    const OperationRoutines& routines;
    // The current text of the database list, read by a row right before it calls its routine.
    std::function<QString()> currentDatabase;
};

struct DispatchRow {
    QString key;  // compared as whole text, case included
    std::function<void(const DispatchContext&)> run;
};

// Keys without a row do nothing.
const std::vector<DispatchRow>& dispatchTable();
const DispatchRow* findDispatchRow(const QString& key);
