// A cancel (the wait panel's button, Esc) at each statement of each operation that switches a
// database to single-user mode, with the switch through the server's shell and on the program's
// own connection, on the real ODBC path through FreeTDS to an embedded sqlsim: the statement is
// held on the server until the cancel reaches it. Each case checks the batches sent (after a
// cancel: back to master, then the switch back, which a cancelled switch on the connection does
// not get), the failure report, the wait panel, that the database is multi-user afterwards,
// and that the next run is clean. The clean-up statements themselves are never cancelled.

#include "connection/ModMain.h"
#include "operations/CaptureStatements.h"
#include "operations/OperationCatalogue.h"
#include "operations/SingleUserSwitch.h"
#include "tests/operations/MatrixShapes.h"
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
using tarnwick::capture::withFailureReport;
using namespace tarnwick::test;
using tarnwick::SingleUserSwitch;

namespace {

const QString kDb = kMatrixDb;
const QString kCancelled = u"Operation was cancelled"_s;

struct Shape {
    const char* key;
    QStringList batches;
    int cleanUp;  // the first statement of the clean-up, which no cancel reaches
    SingleUserSwitch way = SingleUserSwitch::ServerShell;
};

// The shape with the switch on the connection: on from master, off from master (the run is there
// already), then the question whether the database is still single-user.
Shape onConnection(Shape shape) {
    shape.batches = switchedOnConnection(shape.batches);
    ++shape.cleanUp;  // the one switch statement at the start is two now
    shape.way = SingleUserSwitch::OnConnection;
    return shape;
}

// A repair that keeps DBCC's messages in a work table: all but the switch back can be cancelled.
Shape capture(const char* key) {
    const QStringList batches = recordedRun(u"checks.txt"_s, QLatin1String(key) + u" Sales"_s);
    return {key, batches, int(batches.size()) - 1};
}

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> kShapes = [] {
        std::vector<Shape> shell = {
            capture("REPDB"),
            capture("CHECKALLOC"),
            capture("REPINDEX"),
            capture("REPOBJ"),
            capture("REPCOL"),
            {"CHECKEACHTABLE", recordedRun(u"maintenance.txt"_s, u"CHECKEACHTABLE Sales"_s), 7},
        };
        std::vector<Shape> all = shell;
        for (const Shape& shape : shell) all.push_back(onConnection(shape));
        return all;
    }();
    return kShapes;
}

// The batches a run cancelled at step sends: up to the cancelled one, then the clean-up. A
// capture run goes back to master first; the all-table repair's clean-up starts there anyway.
// A cancelled switch on the connection (or the move to master before it) changed nothing and is
// not switched back: the all-table repair sends nothing more, a capture run only its move back
// to master, where the connection already is.
QStringList batchesAfterCancel(const Shape& shape, int step) {
    if (step >= shape.cleanUp) return shape.batches;
    QStringList sent = shape.batches.mid(0, step + 1);
    const bool eachTable = shape.key == std::string_view("CHECKEACHTABLE");
    if (shape.way == SingleUserSwitch::OnConnection && step <= 1)
        return eachTable ? sent : sent << useStatement(u"master"_s);
    if (eachTable) return sent + shape.batches.mid(shape.cleanUp);
    return sent + QStringList{useStatement(u"master"_s)} + shape.batches.mid(shape.cleanUp);
}

class CancelMatrixE2e : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.connect());
        m_conn = m_sim.server().journal().back().conn;
        clearJournal();
    }

    QStringList batches() const { return m_sim.journalTextsOf(m_conn); }

    void clearJournal() {
        m_requestsBefore += int(batches().size());
        m_sim.clearJournal();
    }

    // Runs the operation; when the server holds the statement of step (or earlier, if the run
    // never gets there), the wait for it is cancelled as the cancel button does.
    QString run(const Shape& shape, int step, RecordingHost& host) {
        clearJournal();
        // By its number on the connection too: a statement sent twice in the run (back to master)
        // is held where it is sent at this step.
        if (step >= 0) {
            m_sim.server().addFault(
                {.pattern = QRegularExpression(QRegularExpression::anchoredPattern(
                     QRegularExpression::escape(shape.batches.at(step)))),
                 .conn = m_conn,
                 .requestIndex = m_requestsBefore + step + 1,
                 .action = sqlsim::Fault::Action::Sleep,
                 .delay = std::chrono::seconds(2)});
        }
        host.singleUserSwitch = shape.way;
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
    int m_requestsBefore = 0;  // the requests on the program's connection before the journal's
};

TEST_F(CancelMatrixE2e, ACancelAtEachStatementEndsInTheFailureReportAndAMultiUserDatabase) {
    for (const Shape& shape : shapes()) {
        RecordingHost clean;
        const QString cleanText = run(shape, -1, clean);
        const bool shell = shape.way == SingleUserSwitch::ServerShell;
        ASSERT_EQ(batches(), shape.batches) << shape.key << (shell ? "" : " on the connection");
        const int readBack = firstStartingWith(shape.batches, u"select MessageText");

        for (int step = 0; step < shape.batches.size(); ++step) {
            SCOPED_TRACE(std::string(shape.key) + (shell ? " step " : " on the connection step ") +
                         std::to_string(step));
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
