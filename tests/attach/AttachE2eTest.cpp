// The primary-file window end to end on the files it finds: the real ODBC path through FreeTDS to
// an embedded sqlsim whose detached databases it laid out in a temporary folder, chosen through the
// (recorded) file dialog as a user on the server machine would. The plain two-file, single-file and
// data-and-log attaches are in cli_e2e_test (the windows' journals against the command line's) and
// the fault matrix (attached after a reconnect), which also refuses, drops and times out each
// statement. The wait panel's 取消 and the close box cancel a held attach statement.

#include "attach/FileListGrid.h"
#include "attach/WaitPanel.h"
#include "attach/frmFile.h"
#include "connection/ModMain.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"
#include "toolkit/WaitControls.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

class AttachE2eTest : public ::testing::Test {
protected:
    // The demo server's detached databases, laid out in the folder as sqlsim's command line
    // option lays them out.
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        sqlsim::Scenario scenario = SqlsimFixture::loadScenario(u"sqlsim/scenarios/demo.json"_s);
        sqlsim::layOutDetachedFiles(scenario, folder.path());
        sim = std::make_unique<SqlsimFixture>(scenario);
        ASSERT_TRUE(sim->connect());
        sim->clearJournal();
    }

    QString path(const QString& name) const { return folder.path() + u'/' + name; }

    // Chooses a primary file in a fresh frmFile.
    std::unique_ptr<frmFile> primaryFileWindow(const QString& primary) {
        auto w = std::make_unique<frmFile>();
        toolkit.setNextFileName(path(primary));
        w->CmdSel_Click();
        return w;
    }

    QStringList fileRows(const frmFile& w) const {
        QStringList rows;
        for (int r = 1; r < w.MSHF_DBInformation->rows(); ++r)
            rows << w.MSHF_DBInformation->textMatrix(r, 0) + u'|' +
                        w.MSHF_DBInformation->textMatrix(r, 1) + u'|' +
                        w.MSHF_DBInformation->textMatrix(r, 2);
        return rows;
    }

    QStringList messages() const {
        QStringList texts;
        for (const auto& m : toolkit.messageBoxes)
            texts << u"%1|%2|%3"_s.arg(m.text).arg(m.style).arg(m.title);
        return texts;
    }

    static QString listQueries(const QString& primary) {
        return u"dbcc checkprimaryfile (N'"_s + primary + u"', 3)"_s;
    }

    QTemporaryDir folder;
    std::unique_ptr<SqlsimFixture> sim;
    RecordingToolkit toolkit;
};

const QString kSucceeded = u"附加成功！|64|提示"_s;

}  // namespace

TEST_F(AttachE2eTest, ThreeRecordedFilesAreListedAndTheFirstTwoAttached) {
    auto w = primaryFileWindow(u"市场调查.MDF"_s);
    EXPECT_EQ(
        fileRows(*w),
        (QStringList{u"正确|市场调查.MDF|"_s + path(u"市场调查.MDF"_s),
                     u"正确|市场调查_Log.LDF|"_s + path(u"市场调查_Log.LDF"_s),
                     u"正确|市场调查_Extra.NDF|"_s + path(u"市场调查_Extra.NDF"_s), u"||"_s}));
    EXPECT_EQ(w->txtDBName->text(), u"市场调查"_s);
    w->Cmd_OK_Click();
    EXPECT_EQ(sim->journalTexts().value(2),
              u"EXEC sp_attach_db @dbname = N'市场调查',@filename1 = N'"_s +
                  path(u"市场调查.MDF"_s) + u"',@filename2 = N'"_s + path(u"市场调查_Log.LDF"_s) +
                  u"'"_s);
    EXPECT_EQ(messages(), QStringList{kSucceeded});
    EXPECT_TRUE(sim->engine().databaseExists(u"市场调查"_s));
}

TEST_F(AttachE2eTest, RenamedPrimaryFileNamesAFileThatIsNotThereAndTheServerSaysSo) {
    auto w = primaryFileWindow(u"Renamed.MDF"_s);
    const QString original = path(u"Original.MDF"_s);
    EXPECT_EQ(fileRows(*w),
              (QStringList{u"不存在|Original.MDF|"_s + original,
                           u"正确|Original_Log.LDF|"_s + path(u"Original_Log.LDF"_s), u"||"_s}));
    w->Cmd_OK_Click();
    EXPECT_EQ(sim->journalTexts().value(2),
              u"EXEC sp_attach_db @dbname = N'Renamed',@filename1 = N'"_s + original +
                  u"',@filename2 = N'"_s + path(u"Original_Log.LDF"_s) + u"'"_s);
    EXPECT_EQ(messages(), QStringList{u"Device activation error. The physical file name '"_s +
                                      original + u"' may be incorrect.|16|提示"_s});
    EXPECT_FALSE(sim->engine().databaseExists(u"Renamed"_s));
}

TEST_F(AttachE2eTest, PrimaryFileTheServerCannotReadLeavesTheListEmpty) {
    QFile stray(path(u"Stray.MDF"_s));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    auto w = primaryFileWindow(u"Stray.MDF"_s);
    EXPECT_EQ(w->txtMDF->text(), path(u"Stray.MDF"_s));
    EXPECT_EQ(w->MSHF_DBInformation->rows(), 2);
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].style, 16);
    EXPECT_EQ(toolkit.messageBoxes[0].text,
              path(u"Stray.MDF"_s) + u" is not a primary database file."_s);
    EXPECT_EQ(sim->journalTexts(), QStringList{listQueries(path(u"Stray.MDF"_s))});
}

// Inventory's log is missing: the server attaches its primary file alone and builds a new log,
// reporting it as errors (severity 16, as 2000's catalogue has it) or as information. Either
// way the database is attached and the window says so.
TEST_F(AttachE2eTest, SingleFileAttachWithARebuiltLogSucceedsAtEitherSeverity) {
    for (const int severity : {16, 10}) {
        SCOPED_TRACE(severity);
        sqlsim::Scenario scenario = SqlsimFixture::loadScenario(u"sqlsim/scenarios/demo.json"_s);
        scenario.logRebuildSeverity = severity;
        QTemporaryDir files;
        ASSERT_TRUE(files.isValid());
        sqlsim::layOutDetachedFiles(scenario, files.path());
        sim.reset();
        sim = std::make_unique<SqlsimFixture>(scenario);
        ASSERT_TRUE(sim->connect());
        sim->clearJournal();
        toolkit.messageBoxes.clear();
        auto w = std::make_unique<frmFile>();
        const QString primary = files.path() + u"/Inventory.MDF"_s;
        toolkit.setNextFileName(primary);
        w->CmdSel_Click();
        w->Cmd_OK_Click();
        EXPECT_TRUE(sim->journalTexts().join(u'\n').contains(u"EXEC sp_attach_single_file_db"_s))
            << sim->journalTexts().join(u'\n').toStdString();
        EXPECT_EQ(messages(), QStringList{kSucceeded});
        EXPECT_TRUE(sim->engine().databaseExists(w->txtDBName->text()));
    }
}

// While the server holds the attach statement, the wait panel's 取消 or the window's close box
// cancels it: the failure is shown as any other, nothing is attached, the window stays open with
// the panel hidden, and OK then attaches.
TEST_F(AttachE2eTest, CancelOrCloseDuringTheAttachCancelsItsStatement) {
    toolkit.waitsInEventLoop = true;
    const std::vector<std::function<void(frmFile&)>> cancels = {
        [](frmFile& w) { QTest::mouseClick(w.fra_Wait->cmdCancelRun, Qt::LeftButton); },
        [](frmFile& w) { w.close(); },
    };
    for (const auto& cancel : cancels) {
        auto w = primaryFileWindow(u"市场调查.MDF"_s);
        w->show();
        sim->server().addFault({.pattern = QRegularExpression(u"^EXEC sp_attach_db"_s),
                                .action = sqlsim::Fault::Action::Sleep,
                                .delay = std::chrono::seconds(20)});
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (!sim->journalTexts().last().startsWith(u"EXEC sp_attach_db"_s)) return;
            poll.stop();
            EXPECT_FALSE(w->fra_Wait->lblElapsed->text().isEmpty());
            cancel(*w);
        });
        poll.start(10);
        toolkit.clear();
        w->Cmd_OK_Click();
        EXPECT_EQ(messages(), QStringList{u"Operation was cancelled|16|提示"_s});
        EXPECT_FALSE(sim->engine().databaseExists(u"市场调查"_s));
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->fra_Wait->isVisible());
        sim->server().clearFaults();
    }
}
