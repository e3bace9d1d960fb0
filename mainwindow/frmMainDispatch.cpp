#include "frmMainDispatch.h"

#include "Operations.h"
#include "frmMain.h"

#include <QComboBox>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

OperationRoutines OperationRoutines::standard() {
    OperationRoutines r;
    r.CheckDatabase = &ModMain::CheckDatabase;
    r.CheckAllocation = &ModMain::CheckAllocation;
    r.CheckCatalog = &ModMain::CheckCatalog;
    r.UpdateUsage = &ModMain::UpdateUsage;
    r.CheckPhysicalOnly = &ModMain::CheckPhysicalOnly;
    r.RepairDatabase = &ModMain::RepairDatabase;
    r.RepairSystemTable = &ModMain::RepairSystemTable;
    return r;
}

namespace {

DispatchRow databaseRow(const QString& key,
                        OperationRoutines::DatabaseRoutine OperationRoutines::*routine) {
    return {key, [routine](const DispatchContext& c) {
                (c.routines.*routine)(c.host, c.currentDatabase());
            }};
}

DispatchRow systemTableRow(const QString& key, const QString& table) {
    return {key, [table](const DispatchContext& c) {
                c.routines.RepairSystemTable(c.host, c.currentDatabase(), table);
            }};
}

}  // namespace

const std::vector<DispatchRow>& dispatchTable() {
    static const std::vector<DispatchRow> rows{
        databaseRow(u"CHECKDB"_s, &OperationRoutines::CheckDatabase),
        databaseRow(u"CHECKALLOC"_s, &OperationRoutines::CheckAllocation),
        databaseRow(u"CHECKCATALOG"_s, &OperationRoutines::CheckCatalog),
        databaseRow(u"UPDATEUSAGE"_s, &OperationRoutines::UpdateUsage),
        databaseRow(u"CHECKDBWITHPHYSICAL_ONLY"_s, &OperationRoutines::CheckPhysicalOnly),
        systemTableRow(u"REPINDEX"_s, u"sysindexes"_s),
        systemTableRow(u"REPOBJ"_s, u"sysobjects"_s),
        systemTableRow(u"REPCOL"_s, u"syscolumns"_s),
        databaseRow(u"REPDB"_s, &OperationRoutines::RepairDatabase),
        // Still to be wired, each with its routine or window: "ATTACH" (the attach window chosen
        // by the server version; it does not read the database list), "ShrinkLog" and
        // "ShrinkMDF" (file shrinking, kinds 0 and 1), "CHECKEACHTABLE" (all-table repair),
        // "DBREINDEX" (index rebuild). Until then those keys do nothing.
    };
    return rows;
}

const DispatchRow* findDispatchRow(const QString& key) {
    for (const DispatchRow& row : dispatchTable())
        if (row.key == key) return &row;
    return nullptr;
}

void frmMain::TV_Ope_DblClick() {
    // A click that the event pump lets through while an operation waits on the server must not
    // start a second one on the same connection, nor wipe the running one's result.
    if (m_operationRunning) return;

    setResultText(QString());
    const QList<QTreeWidgetItem*> selected = TV_Ope->selectedItems();
    if (selected.isEmpty()) return;
    const QString key = selected.first()->data(0, kNodeKeyRole).toString();
    const DispatchRow* row = findDispatchRow(key);
    if (!row) return;

    m_operationRunning = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_operationRunning};
    row->run({*this, m_services.routines, [this] { return Combo_DB->currentText(); }});
}
