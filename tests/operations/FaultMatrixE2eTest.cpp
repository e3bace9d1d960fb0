// The fault matrix: every statement of each of the fourteen operations (the six check and repair
// routines, the three system-table repairs, both file shrinks, the index rebuild, the all-table
// repair, and the attach through both windows), and of the six repairs again with the single-user
// switch on the program's own connection, meeting a server error, a dropped connection or a
// statement that outlasts the command time-out, on the real ODBC path through FreeTDS to an
// embedded sqlsim. Each case checks the batches sent, the result text or message boxes, the wait
// panel, the single-user switch back while the connection lives and that the same run succeeds
// after a reconnect.

#include "attach/ServerDiskFiles.h"
#include "attach/WaitPanel.h"
#include "attach/frmAttch7.h"
#include "attach/frmFile.h"
#include "connection/ModMain.h"
#include "operations/OperationCatalogue.h"
#include "operations/SingleUserSwitch.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "tests/operations/MatrixShapes.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>

using namespace Qt::StringLiterals;
using namespace tarnwick::test;

namespace {

const QString kDb = kMatrixDb;
const QString kTimedOut = u"Timeout expired"_s;  // the driver's text for HYT00

// The detached database of the attach shapes (ops-server.json's Archive) is laid out here, where
// the server reads it from.
QString attachPath(const QString& fileName) {
    static const QTemporaryDir folder;
    return folder.path() + u'/' + fileName;
}
const QString kAttachData = attachPath(u"Archive_Data.MDF"_s);
const QString kAttachLog = attachPath(u"Archive_Log.LDF"_s);

sqlsim::Scenario scenarioFor(sqlsim::Profile profile) {
    static const sqlsim::Scenario base = [] {
        sqlsim::Scenario s = SqlsimFixture::loadScenario(u"ops-server.json"_s);
        sqlsim::layOutDetachedFiles(s, QFileInfo(kAttachData).path());
        return s;
    }();
    sqlsim::Scenario s = base;
    s.profile = profile;
    return s;
}

// What one run acts on: the main window's side (wait panel, result area) and the attach window,
// which stays open from one run to the next as it does for a user.
struct Target {
    RecordingToolkit& toolkit;
    RecordingHost host;
    std::unique_ptr<QDialog>& window;

    template <typename Window>
    Window& attachWindow() {
        if (!window) window = std::make_unique<Window>();
        return static_cast<Window&>(*window);
    }

    bool panelVisible() const {
        if (const auto* w = dynamic_cast<const frmFile*>(window.get()))
            return !w->fra_Wait->isHidden();
        if (const auto* w = dynamic_cast<const frmAttch7*>(window.get()))
            return !w->fra_Wait->isHidden();
        return host.panelVisible();
    }
};

// A file is chosen only while OK is disabled: after a refused attach the window keeps its list,
// names and files, and OK alone sends the same statement again.
void attachFromPrimaryFile(Target& run) {
    auto& w = run.attachWindow<frmFile>();
    if (!w.Cmd_OK->isEnabled()) {
        run.toolkit.setNextFileName(kAttachData);
        w.CmdSel_Click();
    }
    if (w.Cmd_OK->isEnabled()) w.Cmd_OK_Click();
}

void attachDataAndLogFiles(Target& run) {
    auto& w = run.attachWindow<frmAttch7>();
    if (!w.Cmd_OK->isEnabled()) {
        run.toolkit.setNextFileName(kAttachData);
        w.CmdSel_Click();
        run.toolkit.setNextFileName(kAttachLog);
        w.Command1_Click();
        w.txtDBName->setText(u"Archive7"_s);
    }
    w.Cmd_OK_Click();
}

enum class Kind { Capture, Shrink, Rebuild, RepairEach, Attach, OnConnection };
enum class Trouble { ServerError, Dropped, TimedOut };

struct Shape {
    const char* name;
    Kind kind;
    bool repairs;  // runs inside the single-user switch
    QStringList batches;
    std::function<void(Target&)> run;
    sqlsim::Profile profile = sqlsim::Profile::Sql2000;
    QString attached = {};  // the database an attach shape leaves on the server
};

// Runs the operation of the tree's key on Sales, as a double-click does.
std::function<void(Target&)> byKey(const char* key) {
    const auto* operation = tarnwick::findCatalogueOperation(QString::fromLatin1(key));
    return [operation](Target& r) { operation->routine(r.host, kDb); };
}

// A repair of the tree's key with the single-user switch on the connection.
Shape onConnection(const Shape& shape) {
    const auto* operation = tarnwick::findCatalogueOperation(QString::fromLatin1(shape.name));
    return {shape.name, Kind::OnConnection, true, switchedOnConnection(shape.batches),
            [operation](Target& r) {
                r.host.singleUserSwitch = tarnwick::SingleUserSwitch::OnConnection;
                operation->routine(r.host, kDb);
            }};
}

// The batches of a clean run of the key on Sales, as a run transcript has them.
QStringList recorded(const QString& transcript, const char* key) {
    return recordedRun(transcript, QLatin1String(key) + u" Sales"_s);
}

// A check or repair; a repair runs inside the single-user switch.
Shape capture(const char* key, bool repairs) {
    return {key, Kind::Capture, repairs, recorded(u"checks.txt"_s, key), byKey(key)};
}

// A file shrink, a rebuild or the all-table repair. Their transcript's Sales is another
// scenario's, with the same file names: the only thing of it their batches name.
Shape maintenanceShape(const char* key, Kind kind) {
    return {key, kind, kind == Kind::RepairEach, recorded(u"maintenance.txt"_s, key), byKey(key)};
}

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> kShapes = [] {
        std::vector<Shape> shapes = {
            capture("CHECKDB", false),
            capture("REPDB", true),
            capture("REPINDEX", true),
            capture("CHECKALLOC", true),
            capture("CHECKCATALOG", false),
            capture("UPDATEUSAGE", false),
            capture("CHECKDBWITHPHYSICAL_ONLY", false),
            capture("REPOBJ", true),
            capture("REPCOL", true),
            maintenanceShape("ShrinkMDF", Kind::Shrink),
            maintenanceShape("ShrinkLog", Kind::Shrink),
            maintenanceShape("DBREINDEX", Kind::Rebuild),
            maintenanceShape("CHECKEACHTABLE", Kind::RepairEach),
            {"ATTACH from a primary file",
             Kind::Attach,
             false,
             {checkPrimaryFileQuery(kAttachData, 3), fileExistsQuery(kAttachData),
              fileExistsQuery(kAttachLog), checkPrimaryFileQuery(kAttachData, 2),
              twoFileAttachStatement(u"Archive"_s, kAttachData, kAttachLog)},
             attachFromPrimaryFile,
             sqlsim::Profile::Sql2000,
             u"Archive"_s},
            {"ATTACH from data and log files",
             Kind::Attach,
             false,
             {twoFileAttachStatement(u"Archive7"_s, kAttachData, kAttachLog)},
             attachDataAndLogFiles,
             sqlsim::Profile::Sql70,
             u"Archive7"_s},
        };
        const auto count = shapes.size();
        for (std::size_t i = 0; i < count; ++i)
            if (shapes[i].repairs) shapes.push_back(onConnection(shapes[i]));
        return shapes;
    }();
    return kShapes;
}

// What one failing case must leave behind.
struct Expected {
    QStringList batches;
    QString text;  // a regular expression for the whole result text
    int boxes = 0;
    bool panelAtFirstBox = false;
    bool singleUserLeft = false;  // checked only while the connection lives
};

// A time-out leaves the connection alive and reads like a server error with the driver's text.
Expected expectedAfter(const Shape& shape, int step, Trouble trouble, const QString& reported,
                       const QString& cleanText) {
    const bool drop = trouble == Trouble::Dropped;
    const QStringList& all = shape.batches;
    const QString anyReport = u"错误信息[^\r\n]+\r\n"_s;
    const QString report =
        drop ? anyReport : QRegularExpression::escape(u"错误信息"_s + reported + u"\r\n"_s);
    const int last = int(all.size()) - 1;
    const int readBack = firstStartingWith(all, u"select MessageText");
    const QString kept = QRegularExpression::escape(step > readBack ? cleanText : QString());
    Expected e{all.mid(0, step + 1), {}, 0, step != last, false};

    switch (shape.kind) {
        case Kind::Capture: {
            // A repair switches back after any failure; on a dead connection that fails as well.
            if (shape.repairs && step != last && !drop) e.batches << all.last();
            e.text =
                kept + report + (drop && shape.repairs && step != last ? anyReport : QString());
            // The server refuses the switch back while the tool's own connection is still inside.
            const bool leftInside = step > int(all.indexOf(useStatement(kDb))) &&
                                    step <= int(all.indexOf(useStatement(u"master"_s)));
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
            if (!drop && step != last) e.batches << all.at(last);
            e.text = step == last ? QRegularExpression::escape(cleanText) : QString();
            e.boxes = drop && step != last ? 2 : 1;
            break;
        case Kind::RepairEach: {
            // The clean-up (back to master, drop the table, switch back) runs whole after any
            // failure; on a dead connection each of its steps is reported.
            const int cleanUp = int(all.indexOf(useStatement(u"master"_s)));
            if (!drop) e.batches += all.mid(std::max(step + 1, cleanUp));
            int reports = 1;
            if (drop) {
                const bool tableMade = step > firstStartingWith(all, u"create  table DBCCRESULT");
                reports = step < cleanUp ? 3 + (tableMade ? 1 : 0) : 1 + last - step;
            }
            e.text = kept + (drop ? u"(?:%1){%2}"_s.arg(anyReport).arg(reports) : report);
            e.singleUserLeft = step == cleanUp || step == last;
            break;
        }
        case Kind::Attach:
            // One box with the failure; the wait panel is up only around the attach statement.
            e.boxes = 1;
            e.panelAtFirstBox = step == last;
            break;
        case Kind::OnConnection: {
            // A failed switch on ends the run. After a later failure the connection goes back to
            // master (the all-table repair's clean-up does that anyway, after dropping its work
            // table), switches off and asks; a failed switch off ends with the line saying the
            // database is still single-user. On a dead connection every later step is reported.
            const int off = int(all.indexOf(kSwitchOffOnConnection));
            const int eachCleanUp = int(all.lastIndexOf(useStatement(u"master"_s)));
            const bool each = shape.name == std::string_view("CHECKEACHTABLE");
            const bool tableMade = step > firstStartingWith(all, u"create  table DBCCRESULT");
            QStringList after;
            int reports = 1;
            if (step <= 1) {
                // nothing follows
            } else if (!each && step < off) {
                after = QStringList{useStatement(u"master"_s)} + all.mid(off);
                reports += 3;
            } else if (each && step < eachCleanUp) {
                after = all.mid(eachCleanUp);
                reports += 3 + (tableMade ? 1 : 0);
            } else {
                after = all.mid(step + 1);
                reports += int(after.size());
            }
            if (!drop) e.batches += after;
            const QString closing =
                QRegularExpression::escape(step == off ? kStillSingleUserLine : QString());
            e.text = (step <= 1 ? QString() : kept) +
                     (drop ? u"(?:%1){%2}"_s.arg(anyReport).arg(reports) : report + closing);
            e.singleUserLeft = step == off;
            break;
        }
    }
    return e;
}

class FaultMatrixE2e : public testing::Test {
protected:
    // A fresh server with the program logged in.
    void start(const Shape& shape) {
        m_sim = std::make_unique<SqlsimFixture>(scenarioFor(shape.profile));
        m_toolkit.clear();
        login();
    }

    void login() {
        ASSERT_TRUE(m_sim->connect());
        m_conn = m_sim->server().journal().back().conn;
        m_requestsBefore = int(m_sim->journalTextsOf(m_conn).size());
        m_sim->clearJournal();
    }

    // The server ends a closed connection's session on its own thread; the next login must not
    // find the old session still inside the database.
    void reconnect() {
        m_sim->server().clearFaults();
        m_toolkit.clear();
        m_sim->disconnect();
        for (int i = 0; i < 500 && !m_sim->engine().sessionsIn(kDb).isEmpty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        login();
    }

    QStringList batches() const { return m_sim->journalTextsOf(m_conn); }

    // Ends like a clean run: nothing reported, the panel gone, no work objects, not single-user;
    // an attach window says it succeeded.
    void expectClean(const Shape& shape, const Target& run, const QString& cleanText) {
        EXPECT_EQ(run.host.resultText(), cleanText);
        EXPECT_FALSE(run.panelVisible());
        EXPECT_FALSE(m_sim->engine().objectExists(kDb, u"DBCCRESULT"_s));
        EXPECT_FALSE(m_sim->engine().objectExists(kDb, u"spDBCCTABLE"_s));
        EXPECT_FALSE(m_sim->engine().isSingleUser(kDb));
        if (shape.kind != Kind::Attach) {
            EXPECT_TRUE(m_toolkit.messageBoxes.empty());
            return;
        }
        ASSERT_EQ(m_toolkit.messageBoxes.size(), 1u);
        EXPECT_EQ(m_toolkit.messageBoxes[0].text, u"附加成功！"_s);
        EXPECT_TRUE(m_sim->engine().databaseExists(shape.attached));
    }

    RecordingToolkit m_toolkit;
    std::unique_ptr<SqlsimFixture> m_sim;
    int m_conn = 0;
    int m_requestsBefore = 0;  // the login's requests on the program's connection
};

// Server errors and drops meet every statement; time-outs (a second each) meet every distinct
// statement once, in the first shape that sends it.
std::vector<Trouble> troublesAt(const QString& statement, QSet<QString>& timedOut) {
    std::vector<Trouble> troubles{Trouble::ServerError, Trouble::Dropped};
    if (!timedOut.contains(statement)) {
        timedOut.insert(statement);
        troubles.push_back(Trouble::TimedOut);
    }
    return troubles;
}

const char* nameOf(Trouble trouble) {
    switch (trouble) {
        case Trouble::ServerError:
            return " failed";
        case Trouble::Dropped:
            return " dropped";
        case Trouble::TimedOut:
            return " timed out";
    }
    return "";
}

TEST_F(FaultMatrixE2e, EveryStatementOfEveryShapeFailingDroppedOrTimedOut) {
    QElapsedTimer clock;
    clock.start();
    int cases = 0;
    QSet<QString> timedOut;
    for (const Shape& shape : shapes()) {
        start(shape);
        std::unique_ptr<QDialog> cleanWindow;
        Target clean{m_toolkit, {}, cleanWindow};
        shape.run(clean);
        ASSERT_EQ(batches(), shape.batches) << shape.name;
        const QString cleanText = clean.host.resultText();
        expectClean(shape, clean, cleanText);
        cleanWindow.reset();

        for (int step = 0; step < shape.batches.size(); ++step) {
            const QString& statement = shape.batches.at(step);
            for (const Trouble trouble : troublesAt(statement, timedOut)) {
                SCOPED_TRACE(shape.name + (" step " + std::to_string(step)) + nameOf(trouble));
                ++cases;
                start(shape);
                const QString injected = u"Injected failure at step %1."_s.arg(step);
                sqlsim::Fault fault{
                    .pattern = QRegularExpression(
                        QRegularExpression::anchoredPattern(QRegularExpression::escape(statement))),
                    .errorText = injected};
                // A statement sent twice in the run (back to master) meets the fault where it is
                // sent at this step, not the first time.
                if (shape.batches.indexOf(statement) < step) {
                    fault.conn = m_conn;
                    fault.requestIndex = m_requestsBefore + step + 1;
                }
                if (trouble == Trouble::Dropped) fault.action = sqlsim::Fault::Action::Drop;
                if (trouble == Trouble::TimedOut) {
                    // The statement would answer long after the client gave up and cancelled it.
                    fault.action = sqlsim::Fault::Action::Sleep;
                    fault.delay = std::chrono::seconds(3);
                    ModMain::serverConnection().Connection.setCommandTimeoutForTests(1);
                }
                m_sim->server().addFault(fault);

                std::unique_ptr<QDialog> window;
                Target run{m_toolkit, {}, window};
                std::vector<bool> panelAtBoxes;
                m_toolkit.onMessageBox = [&](const auto&) {
                    panelAtBoxes.push_back(run.panelVisible());
                };
                shape.run(run);
                m_toolkit.onMessageBox = nullptr;
                ModMain::serverConnection().Connection.setCommandTimeoutForTests(0);

                const bool lives = trouble != Trouble::Dropped;
                const QString reported = trouble == Trouble::TimedOut ? kTimedOut : injected;
                const Expected e = expectedAfter(shape, step, trouble, reported, cleanText);
                EXPECT_EQ(batches(), e.batches);
                EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(e.text))
                                .match(run.host.resultText())
                                .hasMatch())
                    << run.host.resultText().toStdString();
                ASSERT_EQ(int(m_toolkit.messageBoxes.size()), e.boxes);
                for (const auto& box : m_toolkit.messageBoxes) {
                    EXPECT_EQ(box.style, tarnwick::vbCritical);
                    EXPECT_EQ(box.title, u"提示"_s);
                }
                if (e.boxes > 0) {
                    if (lives) {
                        EXPECT_EQ(m_toolkit.messageBoxes[0].text, reported);
                    }
                    EXPECT_EQ(panelAtBoxes.front(), e.panelAtFirstBox);
                }
                EXPECT_FALSE(run.panelVisible());
                if (shape.kind != Kind::Shrink && shape.kind != Kind::Attach) {
                    ASSERT_FALSE(run.host.calls().isEmpty());
                    EXPECT_TRUE(run.host.calls().first().startsWith(u"show:"_s));
                    EXPECT_EQ(run.host.calls().last(), u"hide"_s);
                }
                if (shape.repairs && lives) {
                    EXPECT_EQ(m_sim->engine().isSingleUser(kDb), e.singleUserLeft);
                }
                if (shape.kind == Kind::Attach) {
                    EXPECT_FALSE(m_sim->engine().databaseExists(shape.attached));
                }

                // After a reconnect the same run succeeds and removes the leftovers; an attach
                // window still holds what it was given, so a refused attach needs OK alone.
                reconnect();
                Target next{m_toolkit, {}, window};
                shape.run(next);
                expectClean(shape, next, cleanText);
                if (shape.kind == Kind::Attach) {
                    const int last = int(shape.batches.size()) - 1;
                    EXPECT_EQ(batches(), step == last ? shape.batches.mid(last) : shape.batches);
                }
            }
        }
    }
    std::printf("%d fault cases run in %.1f s\n", cases, double(clock.elapsed()) / 1000.0);
}

}  // namespace
