// Every statement of every run shape failing, once with a server error and once with the
// connection dropped: the real ODBC path through FreeTDS to an embedded sqlsim. Each case checks
// the batches sent, the result text or message box, the wait panel, the single-user switch back
// and that the same operation succeeds after a reconnect.

#include "connection/ModMain.h"
#include "operations/CaptureStatements.h"
#include "operations/MaintenanceStatements.h"
#include "operations/Operations.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;
using namespace tarnwick::maintenance;

namespace {

const QString kDb = u"Sales"_s;  // of ops-server.json
const QString kCheckPanel = u"show:正在检测................"_s;

QString useStatement(const QString& db) { return u"USE ["_s + db + u"]"_s; }

QStringList captureRun(CheckRoutine routine, const QString& argument)
{
    const bool repairs = captureStatementOf(routine).repairs;
    QStringList batches;
    if (repairs)
        batches << singleUserStatement(kDb, true);
    batches << useStatement(kDb) << dropLeftoverTableStatement() << dropLeftoverProcStatement()
            << createResultTableStatement()
            << createCaptureProcStatement(captureStatementOf(routine), argument)
            << execCaptureProcStatement() << readBackQuery() << dropResultTableStatement()
            << dropCaptureProcStatement() << useStatement(u"master"_s);
    if (repairs)
        batches << singleUserStatement(kDb, false);
    return batches;
}

enum class Kind { Capture, Shrink, Rebuild, RepairEach };

struct Shape {
    const char* name;
    Kind kind;
    bool repairs;  // runs inside the single-user switch
    QStringList batches;
    std::function<void(tarnwick::OperationHost&)> run;
};

const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> kShapes = {
        {"check", Kind::Capture, false, captureRun(CheckRoutine::CheckDatabase, kDb),
         [](auto& host) { ModMain::CheckDatabase(host, kDb); }},
        {"repair", Kind::Capture, true, captureRun(CheckRoutine::RepairDatabase, kDb),
         [](auto& host) { ModMain::RepairDatabase(host, kDb); }},
        {"system-table repair", Kind::Capture, true,
         captureRun(CheckRoutine::RepairSystemTable, u"sysindexes"_s),
         [](auto& host) { ModMain::RepairSystemTable(host, kDb, u"sysindexes"_s); }},
        // sysfiles' name is nchar(128): it comes back, and goes on, with its trailing blanks.
        {"shrink", Kind::Shrink, false,
         {fileNameQuery(kDb, LogFile), backupLogStatement(kDb),
          shrinkFileStatement(kDb, u"Sales_Log"_s.leftJustified(128, u' '))},
         [](auto& host) { ModMain::ShrinkDatabaseFile(host, kDb, LogFile); }},
        {"rebuild", Kind::Rebuild, false,
         {useStatement(kDb), rebuildAllIndexesStatement(), useStatement(u"Master"_s)},
         [](auto& host) { ModMain::RebuildAllIndexes(host, kDb); }},
        {"all-table repair", Kind::RepairEach, true,
         {singleUserStatement(kDb, true), useStatement(kDb), dropLeftoverTableStatement(),
          dropLeftoverProcStatement(), createResultTableStatement(), repairEachTableStatement(),
          readBackQuery(), useStatement(u"master"_s), dropQualifiedResultTableStatement(kDb),
          singleUserStatement(kDb, false)},
         [](auto& host) { ModMain::RepairEachTable(host, kDb); }},
    };
    return kShapes;
}

// What one failing case must leave behind.
struct Expected {
    QStringList batches;
    QString text;  // a regular expression for the whole result text
    int boxes = 0;
    bool singleUserLeft = false;  // checked only while the connection lives
};

Expected expectedAfter(const Shape& shape, int step, bool drop, const QString& injected,
                       const QString& cleanText)
{
    const QStringList& all = shape.batches;
    const QString anyReport = u"错误信息[^\r\n]+\r\n"_s;
    const QString report =
        drop ? anyReport : QRegularExpression::escape(u"错误信息"_s + injected + u"\r\n"_s);
    const int last = int(all.size()) - 1;
    const int readBack = int(all.indexOf(readBackQuery()));
    const QString kept = QRegularExpression::escape(step > readBack ? cleanText : QString());
    Expected e{all.mid(0, step + 1), {}, 0, false};

    switch (shape.kind) {
    case Kind::Capture: {
        // A repair switches back after any failure; on a dead connection that fails as well.
        if (shape.repairs && step != last && !drop)
            e.batches << singleUserStatement(kDb, false);
        e.text = kept + report + (drop && shape.repairs && step != last ? anyReport : QString());
        // The server refuses the switch back while the tool's own connection is still inside.
        const bool leftInside = step > int(all.indexOf(useStatement(kDb)))
                                && step <= int(all.indexOf(useStatement(u"master"_s)));
        e.singleUserLeft = shape.repairs && (step == last || leftInside);
        break;
    }
    case Kind::Shrink: {
        // The progress lines up to the failing statement, then its report.
        const QStringList lines = cleanText.split(u"\r\n"_s).mid(0, step + 1);
        e.text = QRegularExpression::escape(lines.join(u"\r\n"_s) + u"\r\n"_s) + report;
        break;
    }
    case Kind::Rebuild:
        // The return to Master runs after a failure; its own failure gets a box of its own.
        if (!drop && step != last)
            e.batches << all.at(last);
        e.text = step == last ? QRegularExpression::escape(cleanText) : QString();
        e.boxes = drop && step != last ? 2 : 1;
        break;
    case Kind::RepairEach: {
        // The clean-up (back to master, drop the table, switch back) runs whole after any failure;
        // on a dead connection each of its steps is reported.
        const int cleanUp = int(all.indexOf(useStatement(u"master"_s)));
        if (!drop)
            e.batches += all.mid(std::max(step + 1, cleanUp));
        int reports = 1;
        if (drop) {
            const bool tableMade = step > int(all.indexOf(createResultTableStatement()));
            reports = step < cleanUp ? 3 + (tableMade ? 1 : 0) : 1 + last - step;
        }
        e.text = kept + (drop ? u"(?:%1){%2}"_s.arg(anyReport).arg(reports) : report);
        e.singleUserLeft = step == cleanUp || step == last;
        break;
    }
    }
    return e;
}

class FailingStepE2e : public testing::Test {
protected:
    // A fresh server with the program logged in; returns the text of a clean run of the shape.
    void start()
    {
        m_sim = std::make_unique<tarnwick::test::SqlsimFixture>(u"ops-server.json"_s);
        ASSERT_TRUE(m_sim->connect());
        m_conn = m_sim->server().journal().back().conn;
        m_sim->clearJournal();
        m_toolkit.clear();
    }

    QStringList batches() const { return m_sim->journalTextsOf(m_conn); }

    // The server ends a closed connection's session on its own thread; the next login must not
    // find the old session still inside the database.
    void waitUntilTheServerLetGo() const
    {
        for (int i = 0; i < 500 && !m_sim->engine().sessionsIn(kDb).isEmpty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Ends like a clean run: nothing reported, the panel gone, no work objects, not single-user.
    void expectClean(const RecordingHost& host, const QString& cleanText)
    {
        EXPECT_EQ(host.resultText(), cleanText);
        EXPECT_FALSE(host.panelVisible());
        EXPECT_TRUE(m_toolkit.messageBoxes.empty());
        EXPECT_FALSE(m_sim->engine().objectExists(kDb, u"DBCCRESULT"_s));
        EXPECT_FALSE(m_sim->engine().objectExists(kDb, u"spDBCCTABLE"_s));
        EXPECT_FALSE(m_sim->engine().isSingleUser(kDb));
    }

    tarnwick::test::RecordingToolkit m_toolkit;
    std::unique_ptr<tarnwick::test::SqlsimFixture> m_sim;
    int m_conn = 0;
};

TEST_F(FailingStepE2e, EveryStatementOfEveryShapeFailingOrDropped)
{
    int cases = 0;
    for (const Shape& shape : shapes()) {
        start();
        RecordingHost cleanHost;
        shape.run(cleanHost);
        ASSERT_EQ(batches(), shape.batches) << shape.name;
        const QString cleanText = cleanHost.resultText();
        ASSERT_FALSE(cleanText.contains(u"错误信息"_s)) << shape.name;

        for (int step = 0; step < shape.batches.size(); ++step) {
            for (const bool drop : {false, true}) {
                SCOPED_TRACE(std::string(shape.name) + " step " + std::to_string(step)
                             + (drop ? " dropped" : " failed"));
                ++cases;
                start();
                const QString injected = u"Injected failure at step %1."_s.arg(step);
                sqlsim::Fault fault{.pattern = QRegularExpression(QRegularExpression::anchoredPattern(
                                        QRegularExpression::escape(shape.batches.at(step)))),
                                    .errorText = injected};
                if (drop)
                    fault.action = sqlsim::Fault::Action::Drop;
                m_sim->server().addFault(fault);

                RecordingHost host;
                std::vector<bool> panelAtBoxes;
                m_toolkit.onMessageBox = [&](const auto&) {
                    panelAtBoxes.push_back(host.panelVisible());
                };
                shape.run(host);
                m_toolkit.onMessageBox = nullptr;

                const Expected e = expectedAfter(shape, step, drop, injected, cleanText);
                EXPECT_EQ(batches(), e.batches);
                EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(e.text))
                                .match(host.resultText())
                                .hasMatch())
                    << host.resultText().toStdString();
                ASSERT_EQ(int(m_toolkit.messageBoxes.size()), e.boxes);
                for (const auto& box : m_toolkit.messageBoxes) {
                    EXPECT_EQ(box.style, tarnwick::vbCritical);
                    EXPECT_EQ(box.title, u"提示"_s);
                }
                if (e.boxes > 0) {
                    if (!drop) {
                        EXPECT_EQ(m_toolkit.messageBoxes[0].text, injected);
                    }
                    // The first failure is shown while the panel is still up.
                    EXPECT_EQ(panelAtBoxes.front(), step != int(shape.batches.size()) - 1);
                }
                EXPECT_FALSE(host.panelVisible());
                if (shape.kind != Kind::Shrink) {
                    ASSERT_FALSE(host.calls().isEmpty());
                    EXPECT_TRUE(host.calls().first().startsWith(u"show:"_s));
                    EXPECT_EQ(host.calls().last(), u"hide"_s);
                }
                if (shape.repairs && !drop) {
                    EXPECT_EQ(m_sim->engine().isSingleUser(kDb), e.singleUserLeft);
                }

                // After a reconnect the same operation runs clean and removes the leftovers.
                m_sim->server().clearFaults();
                m_toolkit.clear();
                m_sim->disconnect();
                waitUntilTheServerLetGo();
                ASSERT_TRUE(m_sim->connect());
                RecordingHost next;
                shape.run(next);
                expectClean(next, cleanText);
            }
        }
    }
    std::printf("%d failing-step cases run\n", cases);
}

}  // namespace
