#include "mainwindow/OperationTable.h"

#include "operations/OperationCatalogue.h"

using namespace Qt::StringLiterals;

namespace {

// The attach windows choose by the version of the server connected now; the database list is
// not read.
void attach(const OperationContext& c) {
    c.showAttachWindow(c.serverVersion());
}

OperationTable fromCatalogue() {
    OperationTable rows;
    int position = 1;
    for (const tarnwick::CatalogueOperation& operation : tarnwick::operationCatalogue()) {
        OperationRow row{
            operation.key, operation.text, position % 2 == 1 ? 1 : 2, {}, operation.dataLoss};
        // The routines' results are not used: each one reports its own outcome.
        if (operation.routine)
            row.action = [&operation](const OperationContext& c) {
                const tarnwick::OperationOutcome outcome =
                    tarnwick::runCatalogueOperation(operation, c.host, c.currentDatabase());
                if (!outcome.historyError.isEmpty() && c.showStatus)
                    c.showStatus(u"无法写入修复记录："_s + outcome.historyError);
            };
        else
            row.action = attach;
        rows.push_back(std::move(row));
        ++position;
    }
    return rows;
}

}  // namespace

const OperationTable& operationTable() {
    static const OperationTable rows = fromCatalogue();
    return rows;
}
