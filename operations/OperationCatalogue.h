#pragma once
// The program's fourteen operations in the order of the tree: key, node text and the routine a key
// runs on a database. The window's tree and dispatch and the command line both read this one list.

#include "operations/OperationHost.h"

#include <QString>

#include <functional>
#include <vector>

namespace tarnwick {

// What an operation may destroy that no undo brings back.
enum class DataLoss {
    None,
    Repair,         // runs a DBCC repair with REPAIR_ALLOW_DATA_LOSS
    LogTruncation,  // empties the transaction log without a backup before it shrinks the data file
};

struct CatalogueOperation {
    QString key;   // compared as whole text, case included
    QString text;  // the node text the user sees
    // Runs the operation on a database and says whether every step succeeded. Empty for the
    // attach operation, which chooses its files instead of a database.
    std::function<bool(OperationHost& host, const QString& database)> routine;
    // The window asks before it runs an operation that may lose data; the command line does not.
    DataLoss dataLoss = DataLoss::None;
    // Repairs with data loss inside the single-user switch; kept in the history.
    bool repairs() const { return dataLoss == DataLoss::Repair; }
};

const std::vector<CatalogueOperation>& operationCatalogue();

// The catalogue entry of a key, or nullptr.
const CatalogueOperation* findCatalogueOperation(const QString& key);

QString attachOperationKey();  // "ATTACH"

struct OperationOutcome {
    bool succeeded = false;  // what the routine returned
    QString historyError;    // set when a repair could not be written to the history
};

// Runs the operation on a database as the window and the command line do: the routine, then for
// a repair one line in the history with what the host's result area holds.
OperationOutcome runCatalogueOperation(const CatalogueOperation& operation, OperationHost& host,
                                       const QString& database);

}  // namespace tarnwick
