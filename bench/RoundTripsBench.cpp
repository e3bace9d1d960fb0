// Round trips: how many requests each operation sends, read from the journal of an embedded
// sqlsim, against the count its statement sequence implies. One line per operation:
//   round_trips KEY SENT EXPECTED ok|failed
// "failed" marks a run that ended in a failure report, whose count means nothing.
//
// A new operation is one more row of kOperations.

#include "operations/Operations.h"
#include "tests/support/SqlsimFixture.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Keeps the result text; the wait panel and the event pump do nothing here.
class TextOnlyHost final : public tarnwick::OperationHost {
public:
    void ShowWaitPanel(const QString&) override {}
    void HideWaitPanel() override {}
    QString resultText() const override { return m_text; }
    void setResultText(const QString& text) override { m_text = text; }
    void processEvents() override {}

private:
    QString m_text;
};

struct OperationRow {
    const char* key;  // the operation tree's key
    std::function<void(tarnwick::OperationHost&, const QString& database)> routine;
    int expected;  // requests its statement sequence implies
};

// A capture run sends the default database, three preparation batches, the procedure's create
// and exec, the read-back, two clean-up batches and the way back to master: 10. A repair adds
// the single-user switch on and off: 12.
const std::vector<OperationRow> kOperations = {
    {"CHECKDB", ModMain::CheckDatabase, 10},
    {"CHECKALLOC", ModMain::CheckAllocation, 12},
    {"CHECKCATALOG", ModMain::CheckCatalog, 10},
    {"UPDATEUSAGE", ModMain::UpdateUsage, 10},
    {"CHECKDBWITHPHYSICAL_ONLY", ModMain::CheckPhysicalOnly, 10},
    {"REPINDEX",
     [](tarnwick::OperationHost& host, const QString& db) {
         ModMain::RepairSystemTable(host, db, u"sysindexes"_s);
     },
     12},
    {"REPOBJ",
     [](tarnwick::OperationHost& host, const QString& db) {
         ModMain::RepairSystemTable(host, db, u"sysobjects"_s);
     },
     12},
    {"REPCOL",
     [](tarnwick::OperationHost& host, const QString& db) {
         ModMain::RepairSystemTable(host, db, u"syscolumns"_s);
     },
     12},
    {"REPDB", ModMain::RepairDatabase, 12},
    // The shrink: the file query, the log backup, the shrink itself.
    {"ShrinkLog",
     [](tarnwick::OperationHost& host, const QString& db) {
         ModMain::ShrinkDatabaseFile(host, db, 0);
     },
     3},
    {"ShrinkMDF",
     [](tarnwick::OperationHost& host, const QString& db) {
         ModMain::ShrinkDatabaseFile(host, db, 1);
     },
     3},
    // The rebuild: into the database, the per-table procedure, back to Master.
    {"DBREINDEX", ModMain::RebuildAllIndexes, 3},
    // The all-table repair: single-user on, into the database, three preparation batches, the
    // capture, the read-back, back to master, the qualified drop, single-user off.
    {"CHECKEACHTABLE",
     [](tarnwick::OperationHost& host, const QString& db) { ModMain::RepairEachTable(host, db); },
     10},
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tarnwick::test::SqlsimFixture sim(u"ops-server.json"_s);
    if (!sim.connect()) {
        std::fprintf(stderr, "bench_round_trips: cannot log in to the embedded sqlsim\n");
        return 1;
    }
    for (const OperationRow& row : kOperations) {
        sim.clearJournal();
        TextOnlyHost host;
        row.routine(host, u"Sales"_s);
        const bool failed = host.resultText().contains(u"错误信息"_s);
        std::printf("round_trips %s %zu %d %s\n", row.key, sim.server().journal().size(),
                    row.expected, failed ? "failed" : "ok");
    }
    return 0;
}
