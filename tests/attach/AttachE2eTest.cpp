// The primary-file window end to end on the server's own disks: the real ODBC path through FreeTDS
// to an embedded sqlsim that stores the demo's files under a temporary folder, as sqlsim --files
// does, and shows only its own paths (C:\Attach\...). The file is chosen through the (recorded)
// browser; the list's statuses come from the server; nothing is looked for on the local disk. The
// plain two-file, single-file and data-and-log attaches are in cli_e2e_test (the windows' journals
// against the command line's) and the fault matrix (attached after a reconnect), which also
// refuses, drops and times out each statement. The wait panel's 取消 and the close box cancel a
// held attach statement.

#include "attach/FileListGrid.h"
#include "attach/ServerDiskFiles.h"
#include "attach/WaitPanel.h"
#include "attach/frmFile.h"
#include "connection/ModMain.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"
#include "toolkit/WaitControls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString kAttach = u"C:\\Attach\\"_s;

class AttachE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        sqlsim::Scenario scenario = SqlsimFixture::loadScenario(u"sqlsim/scenarios/demo.json"_s);
        sqlsim::storeServerFiles(scenario, folder.path());
        sim = std::make_unique<SqlsimFixture>(scenario);
        ASSERT_TRUE(sim->connect());
        sim->clearJournal();
    }

    // Chooses a primary file in a fresh frmFile.
    std::unique_ptr<frmFile> primaryFileWindow(const QString& primary) {
        auto w = std::make_unique<frmFile>();
        toolkit.setNextFileName(primary);
        w->CmdSel_Click();
        return w;
    }

    static QStringList fileRows(const frmFile& w) {
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

    QTemporaryDir folder;
    std::unique_ptr<SqlsimFixture> sim;
    RecordingToolkit toolkit;
};

const QString kSucceeded = u"附加成功！|64|提示"_s;
const QString kMarketResearchAttach =
    u"EXEC sp_attach_db @dbname = N'市场调查',@filename1 = N'C:\\Attach\\市场调查.MDF',"
    u"@filename2 = N'C:\\Attach\\市场调查_Log.LDF',"
    u"@filename3 = N'C:\\Attach\\市场调查_Extra.NDF'"_s;

}  // namespace

// Each detached database of the demo as a user attaches it: the rows the window lists, then every
// batch the server received, byte for byte, and the files the attached database has.
TEST_F(AttachE2eTest, EachDetachedDatabaseAttachesWithTheServersPaths) {
    struct Case {
        QString primary;
        QStringList rows;
        QStringList journal;
        QStringList files;  // empty: the attach is refused
        QString message = kSucceeded;
    };
    const QString a = kAttach;
    const Case cases[] = {
        {u"Archive2004_Data.MDF"_s,
         {u"正确|Archive2004_Data.MDF|"_s + a + u"Archive2004_Data.MDF"_s,
          u"正确|Archive2004_Log.LDF|"_s + a + u"Archive2004_Log.LDF"_s, u"||"_s},
         {u"dbcc checkprimaryfile (N'C:\\Attach\\Archive2004_Data.MDF', 3)"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\Archive2004_Data.MDF'"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\Archive2004_Log.LDF'"_s,
          u"dbcc checkprimaryfile (N'C:\\Attach\\Archive2004_Data.MDF', 2)"_s,
          u"EXEC sp_attach_db @dbname = N'Archive2004',@filename1 = "
          u"N'C:\\Attach\\Archive2004_Data.MDF',@filename2 = N'C:\\Attach\\Archive2004_Log.LDF'"_s},
         {a + u"Archive2004_Data.MDF"_s, a + u"Archive2004_Log.LDF"_s}},
        {u"Inventory.MDF"_s,
         {u"正确|Inventory.MDF|"_s + a + u"Inventory.MDF"_s,
          u"不存在|Inventory_log.LDF|"_s + a + u"Inventory_log.LDF"_s, u"||"_s},
         {u"dbcc checkprimaryfile (N'C:\\Attach\\Inventory.MDF', 3)"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\Inventory.MDF'"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\Inventory_log.LDF'"_s,
          u"dbcc checkprimaryfile (N'C:\\Attach\\Inventory.MDF', 2)"_s,
          u"EXEC sp_attach_single_file_db @dbname = 'Inventory',@physname = "
          u"'C:\\Attach\\Inventory.MDF'"_s},
         {a + u"Inventory.MDF"_s, a + u"Inventory_log.LDF"_s}},
        {u"市场调查.MDF"_s,
         {u"正确|市场调查.MDF|"_s + a + u"市场调查.MDF"_s,
          u"正确|市场调查_Log.LDF|"_s + a + u"市场调查_Log.LDF"_s,
          u"正确|市场调查_Extra.NDF|"_s + a + u"市场调查_Extra.NDF"_s, u"||"_s},
         {u"dbcc checkprimaryfile (N'C:\\Attach\\市场调查.MDF', 3)"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\市场调查.MDF'"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\市场调查_Log.LDF'"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\市场调查_Extra.NDF'"_s,
          u"dbcc checkprimaryfile (N'C:\\Attach\\市场调查.MDF', 2)"_s, kMarketResearchAttach},
         {a + u"市场调查.MDF"_s, a + u"市场调查_Log.LDF"_s, a + u"市场调查_Extra.NDF"_s}},
        {u"Renamed.MDF"_s,
         {u"已改名|Original.MDF|"_s + a + u"Renamed.MDF"_s,
          u"正确|Original_Log.LDF|"_s + a + u"Original_Log.LDF"_s, u"||"_s},
         {u"dbcc checkprimaryfile (N'C:\\Attach\\Renamed.MDF', 3)"_s,
          u"EXEC master..xp_fileexist N'C:\\Attach\\Original_Log.LDF'"_s,
          u"dbcc checkprimaryfile (N'C:\\Attach\\Renamed.MDF', 2)"_s,
          u"EXEC sp_attach_db @dbname = N'Renamed',@filename1 = N'C:\\Attach\\Renamed.MDF',"
          u"@filename2 = N'C:\\Attach\\Original_Log.LDF'"_s},
         {a + u"Renamed.MDF"_s, a + u"Original_Log.LDF"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.primary.toStdString());
        sim->clearJournal();
        toolkit.clear();
        auto w = primaryFileWindow(kAttach + c.primary);
        EXPECT_EQ(fileRows(*w), c.rows);
        ASSERT_TRUE(w->Cmd_OK->isEnabled());
        w->Cmd_OK_Click();
        EXPECT_EQ(sim->journalTexts(), c.journal);
        EXPECT_EQ(messages(), QStringList{c.message});
        const QString name = w->txtDBName->text();
        EXPECT_EQ(sim->engine().filesOf(name), c.files);
    }
    // The server's paths never touched the local disk.
    EXPECT_TRUE(toolkit.checkedFiles.isEmpty());
    EXPECT_FALSE(QFile::exists(u"C:\\Attach\\Inventory.MDF"_s));
}

// The name a primary file records comes from 2000 as a sql_variant (nvarchar in the server's
// collation): the window shows it as recorded, Chinese names included, also on a Western server.
TEST_F(AttachE2eTest, RecordedNameIsReadFromTheServersVariant) {
    struct Case {
        QString collation;
        QString primary;
        QString name;
    };
    const Case cases[] = {
        {u"Chinese_PRC_CI_AS"_s, u"市场调查.MDF"_s, u"市场调查"_s},
        {u"Chinese_PRC_CI_AS"_s, u"Renamed.MDF"_s, u"Renamed"_s},
        {u"SQL_Latin1_General_CP1_CI_AS"_s, u"市场调查.MDF"_s, u"市场调查"_s},
        {u"SQL_Latin1_General_CP1_CI_AS"_s, u"Archive2004_Data.MDF"_s, u"Archive2004"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString(c.collation + u" "_s + c.primary).toStdString());
        sqlsim::Scenario scenario = SqlsimFixture::loadScenario(u"sqlsim/scenarios/demo.json"_s);
        scenario.collation = *sqlsim::Collation::byName(c.collation);
        QTemporaryDir files;
        ASSERT_TRUE(files.isValid());
        sqlsim::storeServerFiles(scenario, files.path());
        sim.reset();
        sim = std::make_unique<SqlsimFixture>(scenario);
        ASSERT_TRUE(sim->connect());
        toolkit.clear();
        auto w = primaryFileWindow(kAttach + c.primary);
        EXPECT_EQ(w->txtDBName->text(), c.name);
        EXPECT_TRUE(toolkit.messageBoxes.empty());
        EXPECT_TRUE(sim->journalTexts().contains(u"dbcc checkprimaryfile (N'"_s + kAttach +
                                                 c.primary + u"', 2)"_s));
    }
}

TEST_F(AttachE2eTest, PrimaryFileTheServerCannotReadLeavesNothingToAttach) {
    QFile stray(folder.filePath(u"C/Attach/Stray.MDF"_s));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    auto w = primaryFileWindow(u"C:\\Attach\\Archive2004_Data.MDF"_s);
    toolkit.setNextFileName(u"C:\\Attach\\Stray.MDF"_s);
    w->CmdSel_Click();
    EXPECT_EQ(w->txtMDF->text(), u"C:\\Attach\\Stray.MDF"_s);
    EXPECT_EQ(fileRows(*w), QStringList{u"||"_s});
    EXPECT_FALSE(w->Cmd_OK->isEnabled());
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text,
              u"C:\\Attach\\Stray.MDF is not a primary database file."_s);
}

// What the browser sees through FreeTDS: the drives, a folder's entries in the server's order,
// what a path is; and the server's refusal as the failure's text.
TEST_F(AttachE2eTest, TheServersDisksThroughItsExtendedProcedures) {
    attach::ServerDiskFiles disk;
    EXPECT_EQ(disk.drives(), (QStringList{u"C:\\"_s, u"D:\\"_s}));
    QStringList entries;
    for (const tarnwick::ServerFileEntry& e : disk.entries(kAttach))
        entries << e.name + (e.isFile ? u""_s : u"\\"_s);
    EXPECT_EQ(entries,
              (QStringList{u"Archive2004_Data.MDF"_s, u"Archive2004_Log.LDF"_s, u"Inventory.MDF"_s,
                           u"Original_Log.LDF"_s, u"Renamed.MDF"_s, u"市场调查.MDF"_s,
                           u"市场调查_Extra.NDF"_s, u"市场调查_Log.LDF"_s}));
    EXPECT_TRUE(disk.entries(u"C:\\Nowhere\\"_s).isEmpty());
    const tarnwick::ServerPathState folderState = disk.pathState(u"c:\\attach"_s);
    EXPECT_TRUE(folderState.isDirectory);
    EXPECT_FALSE(folderState.isFile);
    EXPECT_TRUE(disk.pathState(u"C:\\Attach\\O'Brien.MDF"_s).parentExists);
    EXPECT_EQ(sim->journalTexts().last(),
              u"EXEC master..xp_fileexist N'C:\\Attach\\O''Brien.MDF'"_s);

    sim->failOn(SqlsimFixture::literal(u"xp_fixeddrives"_s),
                u"EXECUTE permission denied on object 'xp_fixeddrives', database 'master', "
                u"owner 'dbo'."_s,
                229, 14);
    try {
        disk.drives();
        FAIL() << "no failure";
    } catch (const std::exception& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  u"EXECUTE permission denied on object 'xp_fixeddrives', database 'master', "
                  u"owner 'dbo'."_s);
    }
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
        sqlsim::storeServerFiles(scenario, files.path());
        sim.reset();
        sim = std::make_unique<SqlsimFixture>(scenario);
        ASSERT_TRUE(sim->connect());
        sim->clearJournal();
        toolkit.messageBoxes.clear();
        auto w = std::make_unique<frmFile>();
        const QString primary = kAttach + u"Inventory.MDF"_s;
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
        sim->clearJournal();
        auto w = primaryFileWindow(kAttach + u"市场调查.MDF"_s);
        w->show();
        sim->delayOn(SqlsimFixture::literal(kMarketResearchAttach), std::chrono::seconds(20));
        sim->whenReceived(w.get(), kMarketResearchAttach, [&] {
            EXPECT_FALSE(w->fra_Wait->lblElapsed->text().isEmpty());
            cancel(*w);
        });
        toolkit.clear();
        w->Cmd_OK_Click();
        EXPECT_EQ(messages(), QStringList{u"Operation was cancelled|16|提示"_s});
        EXPECT_FALSE(sim->engine().databaseExists(u"市场调查"_s));
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->fra_Wait->isVisible());
        sim->server().clearFaults();
    }
}
