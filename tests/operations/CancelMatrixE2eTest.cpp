// A cancel (the wait panel's button, Esc) at each statement of each operation that switches a
// database to single-user mode, on the real ODBC path through FreeTDS to an embedded sqlsim: the
// statement is held on the server until the cancel reaches it. Each case checks the batches sent
// (after a cancel: back to master, then the switch back), the failure report, the wait panel, that
// the database is multi-user afterwards, and that the next run is clean. The clean-up statements
// themselves are never cancelled.

#include "connection/ModMain.h"
#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "operations/OperationCatalogue.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <chrono>
#include <string_view>
#include <thread>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;
using namespace tarnwick::maintenance;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString kDb = u"Sales"_s;  // of ops-server.json
const QString kCancelled = u"Operation was cancelled"_s;

QString useStatement(const QString& db) {
    return u"USE ["_s + db + u"]"_s;
}

struct Shape {
    const char* key;
    QStringList batches;
    int cleanUp;  // the first statement of the clean-up, which no cancel reaches
};

Shape capture(const char* key, CheckRoutine routine, const QString& argument) {
    const QStringList batches{singleUserStatement(kDb, true),
                              useStatement(kDb),
                              dropLeftoverTableStatement(),
                              dropLeftoverProcStatement(),
                              createResultTableStatement(),
                              createCaptureProcStatement(captureStatementOf(routine), argument),
                              execCaptureProcStatement(),
                              readBackQuery(),
                              dropResultTableStatement(),
                              dropCaptureProcStatement(),
                              useStatement(u"master"_s),
                              singleUserStatement(kDb, false)};
    return {key, batches, int(batches.size()) - 1};
}

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> kShapes = {
        capture("REPDB", CheckRoutine::RepairDatabase, kDb),
        capture("CHECKALLOC", CheckRoutine::CheckAllocation, kDb),
        capture("REPINDEX", CheckRoutine::RepairSystemTable, u"sysindexes"_s),
        capture("REPOBJ", CheckRoutine::RepairSystemTable, u"sysobjects"_s),
        capture("REPCOL", CheckRoutine::RepairSystemTable, u"syscolumns"_s),
        {"CHECKEACHTABLE",
         {singleUserStatement(kDb, true), useStatement(kDb), dropLeftoverTableStatement(),
          dropLeftoverProcStatement(), createResultTableStatement(), repairEachTableStatement(),
          readBackQuery(), useStatement(u"master"_s), dropQualifiedResultTableStatement(kDb),
          singleUserStatement(kDb, false)},
         7},
    };
    return kShapes;
}

// The batches a run cancelled at step sends: up to the cancelled one, then the clean-up. A
// capture run goes back to master first; the all-table repair's clean-up starts there anyway.
QStringList batchesAfterCancel(const Shape& shape, int step) {
    if (step >= shape.cleanUp) return shape.batches;
    QStringList sent = shape.batches.mid(0, step + 1);
    if (shape.key == std::string_view("CHECKEACHTABLE"))
        return sent + shape.batches.mid(shape.cleanUp);
    return sent << useStatement(u"master"_s) << singleUserStatement(kDb, false);
}

class CancelMatrixE2e : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.connect());
        m_conn = m_sim.server().journal().back().conn;
        m_sim.clearJournal();
    }

    QStringList batches() const { return m_sim.journalTextsOf(m_conn); }

    // Runs the operation; when the server holds the statement of step (or earlier, if the run
    // never gets there), the wait for it is cancelled as the cancel button does.
    QString run(const Shape& shape, int step, RecordingHost& host) {
        m_sim.clearJournal();
        if (step >= 0) {
            m_sim.server().addFault(
                {.pattern = QRegularExpression(QRegularExpression::anchoredPattern(
                     QRegularExpression::escape(shape.batches.at(step)))),
                 .action = sqlsim::Fault::Action::Sleep,
                 .delay = std::chrono::seconds(2)});
        }
        m_toolkit.onWait = [&](tarnwick::PendingWork& work) {
            if (step < 0) return;
            while (!work.finished() && batches().size() < step + 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (!work.finished() && batches().size() == step + 1) tarnwick::cancelWaitedWork();
        };
        tarnwick::findCatalogueOperation(QString::fromLatin1(shape.key))->routine(host, kDb);
        m_toolkit.onWait = nullptr;
        m_sim.server().clearFaults();
        return host.resultText();
    }

    RecordingToolkit m_toolkit;
    SqlsimFixture m_sim{u"ops-server.json"_s};
    int m_conn = 0;
};

TEST_F(CancelMatrixE2e, ACancelAtEachStatementEndsInTheFailureReportAndAMultiUserDatabase) {
    for (const Shape& shape : shapes()) {
        RecordingHost clean;
        const QString cleanText = run(shape, -1, clean);
        ASSERT_EQ(batches(), shape.batches) << shape.key;
        const int readBack = int(shape.batches.indexOf(readBackQuery()));

        for (int step = 0; step < shape.batches.size(); ++step) {
            SCOPED_TRACE(shape.key + (" step " + std::to_string(step)));
            RecordingHost host;
            const QString text = run(shape, step, host);
            EXPECT_EQ(batches(), batchesAfterCancel(shape, step));
            const QString kept = step > readBack ? cleanText : QString();
            EXPECT_EQ(text,
                      step >= shape.cleanUp ? cleanText : withFailureReport(kept, kCancelled));
            EXPECT_FALSE(host.panelVisible());
            EXPECT_EQ(host.calls().last(), u"hide"_s);
            EXPECT_FALSE(m_sim.engine().isSingleUser(kDb));
            EXPECT_TRUE(m_toolkit.messageBoxes.empty());

            // The next run is clean, leftovers of the cancelled one removed.
            RecordingHost next;
            EXPECT_EQ(run(shape, -1, next), cleanText);
            EXPECT_EQ(batches(), shape.batches);
            EXPECT_FALSE(m_sim.engine().objectExists(kDb, u"DBCCRESULT"_s));
            EXPECT_FALSE(m_sim.engine().objectExists(kDb, u"spDBCCTABLE"_s));
        }
    }
}

}  // namespace
