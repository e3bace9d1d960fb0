// The primary-file attach window offscreen, with the server connection replaced by a fake that
// answers the file-list queries: layout, the file dialog, the list and the proposed name, the OK
// rule, the statements sqlsim cannot tell apart, and every listing failure with the state it
// leaves. What the server answers and keeps is in AttachE2eTest.

#include "attach/FileListGrid.h"
#include "attach/WaitPanel.h"
#include "attach/frmFile.h"
#include "tests/attach/FakeAttachServer.h"
#include "tests/support/GuiTestHelpers.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;
using attach::test::FakeAttachServer;
using tarnwick::test::RecordingToolkit;

namespace {

const QString kFolder = u"C:\\Attach\\"_s;
const QString kArchive = kFolder + u"Archive_Data.MDF"_s;

// The grid as rows of "status|former name|location", the header row included.
QStringList gridRows(const attach::FileListGrid& grid) {
    QStringList rows;
    for (int r = 0; r < grid.rows(); ++r)
        rows << grid.textMatrix(r, 0) + u'|' + grid.textMatrix(r, 1) + u'|' + grid.textMatrix(r, 2);
    return rows;
}

const QString kHeader = u"状态|原文件名|当前文件位置"_s;

class FrmFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.record(kArchive, {u"E:\\Old\\Archive_Data.MDF"_s, u"E:\\Old\\Archive_Log.LDF"_s},
                      u"Archive"_s);
        server.setServerFile(kFolder + u"Archive_Data.MDF"_s, true);
        server.setServerFile(kFolder + u"Archive_Log.LDF"_s, true);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Picks a file through the (recorded) dialog.
    void choose(const QString& path) {
        toolkit.setNextFileName(path);
        QTest::mouseClick(window.CmdSel, Qt::LeftButton);
    }
    void pressOK() { QTest::mouseClick(window.Cmd_OK, Qt::LeftButton); }
    QStringList rows() const { return gridRows(*window.MSHF_DBInformation); }

    RecordingToolkit toolkit;
    FakeAttachServer server;
    frmFile window;
};

}  // namespace

TEST_F(FrmFileTest, OpensWithItsDesignValues) {
    EXPECT_EQ(window.windowTitle(), u"附加数据库"_s);
    EXPECT_EQ(window.size(),
              QSize(6060 / 15, 3165 / 15));  // 15 twips a pixel in the recording toolkit
    EXPECT_EQ(window.font().families().value(0), u"宋体"_s);
    EXPECT_DOUBLE_EQ(window.font().pointSizeF(), 10.5);
    EXPECT_EQ(window.fra_Wait->Image1->parentWidget(), window.fra_Wait);
    EXPECT_FALSE(window.fra_Wait->Image1->pixmap().isNull());
    EXPECT_FALSE(window.CmdSel->icon().isNull());
    EXPECT_TRUE(window.txtMDF->isReadOnly());
    EXPECT_FALSE(window.txtDBName->isReadOnly());
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
    EXPECT_TRUE(window.Cmd_Cancel->isEnabled());
    EXPECT_FALSE(window.fra_Wait->isVisible());
    EXPECT_EQ(window.MSHF_DBInformation->columnCount(), 3);
    EXPECT_EQ(rows(), (QStringList{kHeader, u"||"_s}));
    const attach::FileListGrid& grid = *window.MSHF_DBInformation;
    EXPECT_EQ(grid.colWidth(0), 982);
    EXPECT_EQ(grid.colWidth(1), 1638);
    EXPECT_EQ(grid.colWidth(2), 3265);
    EXPECT_EQ(grid.columnWidth(2), 3265 / 15);
}

TEST(FileListColumnWidths, RoundHalvesToTheEvenNeighbour) {
    struct Case {
        int width;
        std::array<int, 3> expected;
    };
    const Case cases[] = {
        {5895, {982, 1638, 3265}},  // 982.5 -> 982; 1637.67 -> 1638
        {5901, {984, 1639, 3268}},  // 983.5 -> 984
        {6000, {1000, 1667, 3323}},
        {60, {10, 17, 23}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(attach::fileListColumnWidths(c.width), c.expected) << c.width;
}

TEST_F(FrmFileTest, ChoosingAPrimaryFileListsItsFilesAndProposesItsName) {
    toolkit.setProgramDirectory(u"/opt/tarnwick"_s);
    choose(kArchive);
    ASSERT_EQ(toolkit.fileDialogs.size(), 1u);
    const tarnwick::FileDialogRequest& dialog = toolkit.fileDialogs[0];
    EXPECT_EQ(dialog.title, u"请选择要附加的文件"_s);
    EXPECT_EQ(dialog.filter, u"MDF (*.MDF)|*.MDF"_s);
    EXPECT_EQ(dialog.filterIndex, 1);
    EXPECT_EQ(dialog.initialDir, u"/opt/tarnwick"_s);
    EXPECT_EQ(dialog.flags, 4);
    EXPECT_NE(dialog.serverFiles, nullptr);  // the server's disks are browsed
    // The file list from a dynamic read-only set, each file looked for on the server, the name
    // from a static optimistic set; nothing is looked for on the local disk.
    EXPECT_EQ(
        server.calls,
        (QStringList{u"open|dbcc checkprimaryfile (N'C:\\Attach\\Archive_Data.MDF', 3)|2|1"_s,
                     u"open|EXEC master..xp_fileexist N'C:\\Attach\\Archive_Data.MDF'|3|1"_s,
                     u"open|EXEC master..xp_fileexist N'C:\\Attach\\Archive_Log.LDF'|3|1"_s,
                     u"open|dbcc checkprimaryfile (N'C:\\Attach\\Archive_Data.MDF', 2)|3|3"_s}));
    EXPECT_TRUE(toolkit.checkedFiles.isEmpty());
    EXPECT_EQ(window.txtMDF->text(), kArchive);
    EXPECT_EQ(rows(),
              (QStringList{kHeader, u"正确|Archive_Data.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"正确|Archive_Log.LDF|C:\\Attach\\Archive_Log.LDF"_s, u"||"_s}));
    EXPECT_EQ(window.txtDBName->text(), u"Archive"_s);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), window.txtDBName);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(FrmFileTest, StatusComesFromTheServerBesideTheChosenFile) {
    server.setServerFile(kFolder + u"Archive_Log.LDF"_s, false);
    choose(kArchive);
    EXPECT_EQ(rows().mid(1, 2),
              (QStringList{u"正确|Archive_Data.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"不存在|Archive_Log.LDF|C:\\Attach\\Archive_Log.LDF"_s}));
    // A quote in the path is doubled in xp_fileexist's argument.
    const QString quoted = u"C:\\O'Brien\\Archive_Data.MDF"_s;
    server.record(quoted, {u"E:\\Old\\Archive_Data.MDF"_s}, u"Archive"_s);
    server.setServerFile(quoted, true);
    server.calls.clear();
    choose(quoted);
    EXPECT_EQ(server.calls.value(1),
              u"open|EXEC master..xp_fileexist N'C:\\O''Brien\\Archive_Data.MDF'|3|1"_s);
    EXPECT_EQ(rows().value(1), u"正确|Archive_Data.MDF|"_s + quoted);
}

TEST_F(FrmFileTest, LocalPathsSplitAtTheirLastSlashAndOnlyTheFolderIsTrimmed) {
    const QString chosen = u" /srv/data/Archive_Data.MDF "_s;
    server.record(chosen, {u"E:\\Old\\Archive_Data.MDF"_s, u"/old/Archive_Log.LDF"_s},
                  u"Archive"_s);
    choose(chosen);
    EXPECT_EQ(server.calls.value(0),
              u"open|dbcc checkprimaryfile (N' /srv/data/Archive_Data.MDF ', 3)|2|1"_s);
    EXPECT_EQ(window.MSHF_DBInformation->textMatrix(1, 2), u"/srv/data/Archive_Data.MDF"_s);
    EXPECT_EQ(window.MSHF_DBInformation->textMatrix(2, 2), u"/srv/data/Archive_Log.LDF"_s);
}

TEST_F(FrmFileTest, StatementFollowsTheListedFiles) {
    struct Case {
        const char* what;
        QStringList recorded;
        QStringList missing;
        QString name;  // typed over the proposal when not empty
        QString statement;
    };
    const Case cases[] = {
        {"one file: the empty last row gives an empty second path",
         {u"E:\\Old\\Archive_Data.MDF"_s},
         {},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\Archive_Data.MDF',"
         u"@filename2 = N''"_s},
        {"both files missing: single file, the first file's status is not consulted; a typed name "
         "with a quote and a blank goes in as it stands",
         {u"E:\\Old\\Archive_Data.MDF"_s, u"E:\\Old\\A.LDF"_s},
         {u"Archive_Data.MDF"_s, u"A.LDF"_s},
         u"O'Brien Db"_s,
         u"EXEC sp_attach_single_file_db @dbname = 'O'Brien Db',"
         u"@physname = 'C:\\Attach\\Archive_Data.MDF'"_s},
        {"three files: the two-file statement continued with the third",
         {u"E:\\Old\\Archive_Data.MDF"_s, u"E:\\Old\\A.LDF"_s, u"E:\\Old\\A_Extra.NDF"_s},
         {},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\Archive_Data.MDF',"
         u"@filename2 = N'C:\\Attach\\A.LDF',@filename3 = N'C:\\Attach\\A_Extra.NDF'"_s},
        {"three files, the second missing: every file that exists, in the listed order",
         {u"E:\\Old\\Archive_Data.MDF"_s, u"E:\\Old\\A.LDF"_s, u"E:\\Old\\A_Extra.NDF"_s},
         {u"A.LDF"_s},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\Archive_Data.MDF',"
         u"@filename2 = N'C:\\Attach\\A_Extra.NDF'"_s},
        {"renamed primary file: the chosen file in place of the recorded name",
         {u"E:\\Old\\Original.MDF"_s, u"E:\\Old\\Original_Log.LDF"_s},
         {u"Original.MDF"_s},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\Archive_Data.MDF',"
         u"@filename2 = N'C:\\Attach\\Original_Log.LDF'"_s},
        {"renamed primary file alone: the single-file statement with the chosen file",
         {u"E:\\Old\\Original.MDF"_s, u"E:\\Old\\Original_Log.LDF"_s},
         {u"Original.MDF"_s, u"Original_Log.LDF"_s},
         {},
         u"EXEC sp_attach_single_file_db @dbname = 'Archive',@physname = "
         u"'C:\\Attach\\Archive_Data.MDF'"_s},
        {"the recorded name in other letters is no rename: the two-file statement",
         {u"E:\\Old\\ARCHIVE_DATA.mdf"_s, u"E:\\Old\\A.LDF"_s},
         {},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\ARCHIVE_DATA.mdf',"
         u"@filename2 = N'C:\\Attach\\A.LDF'"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frmFile w;
        server.record(kArchive, c.recorded, u"Archive"_s);
        for (const QString& path : c.recorded)
            server.setServerFile(kFolder + path.mid(path.lastIndexOf(u'\\') + 1),
                                 !c.missing.contains(path.mid(path.lastIndexOf(u'\\') + 1)));
        toolkit.clear();
        server.executed.clear();
        toolkit.setNextFileName(kArchive);
        w.CmdSel_Click();
        EXPECT_EQ(w.MSHF_DBInformation->rows(), c.recorded.size() + 2);
        if (!c.name.isEmpty()) w.txtDBName->setText(c.name);
        ASSERT_TRUE(w.Cmd_OK->isEnabled());
        w.Cmd_OK_Click();
        EXPECT_EQ(server.executed, QStringList{c.statement});
    }
}

TEST_F(FrmFileTest, OKFollowsTheListAndTheName) {
    // A name typed before any file is chosen: the list is still empty.
    QTest::keyClicks(window.txtDBName, u"Mine"_s);
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
    choose(kArchive);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
    window.txtDBName->clear();
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
    QTest::keyClicks(window.txtDBName, u"A"_s);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
}

TEST_F(FrmFileTest, ChoosingAgainRefillsTheListAndTheName) {
    server.record(kFolder + u"Three.MDF"_s,
                  {u"E:\\3\\Three.MDF"_s, u"E:\\3\\Three.LDF"_s, u"E:\\3\\Three.NDF"_s},
                  u"Three"_s);
    choose(kFolder + u"Three.MDF"_s);
    ASSERT_EQ(rows().size(), 5);
    window.txtDBName->setText(u"typed"_s);
    choose(kArchive);
    EXPECT_EQ(rows(),
              (QStringList{kHeader, u"正确|Archive_Data.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"正确|Archive_Log.LDF|C:\\Attach\\Archive_Log.LDF"_s, u"||"_s}));
    EXPECT_EQ(window.txtDBName->text(), u"Archive"_s);
}

TEST_F(FrmFileTest, DialogCancelChangesNothing) {
    choose(kArchive);
    window.txtDBName->setText(u"typed"_s);
    const QStringList before = rows();
    server.calls.clear();
    QTest::mouseClick(window.CmdSel, Qt::LeftButton);  // no preset file: the dialog is cancelled
    EXPECT_EQ(toolkit.fileDialogs.size(), 2u);
    EXPECT_EQ(window.txtMDF->text(), kArchive);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(window.txtDBName->text(), u"typed"_s);
    EXPECT_TRUE(server.calls.isEmpty());
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(FrmFileTest, RenamedPrimaryFileRowShowsTheChosenFile) {
    server.record(kArchive, {u"E:\\Old\\Original.MDF"_s, u"E:\\Old\\Original_Log.LDF"_s},
                  u"Archive"_s);
    server.setServerFile(kFolder + u"Original_Log.LDF"_s, true);
    server.calls.clear();
    choose(kArchive);
    EXPECT_EQ(rows(),
              (QStringList{kHeader, u"已改名|Original.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"正确|Original_Log.LDF|C:\\Attach\\Original_Log.LDF"_s, u"||"_s}));
    // The chosen file is not looked for again: the server has just read it.
    EXPECT_EQ(server.calls.filter(u"xp_fileexist"_s),
              QStringList{u"open|EXEC master..xp_fileexist N'C:\\Attach\\Original_Log.LDF'|3|1"_s});
}

TEST_F(FrmFileTest, AFailedListingLeavesNothingToAttach) {
    const QString other = kFolder + u"Other.MDF"_s;
    struct Case {
        const char* what;
        QString failingQuery;
        QString recordedPath;  // replaces the second recorded path when not empty
        QString description;
    };
    const Case cases[] = {
        {"the file list",
         u"', 3)"_s,
         {},
         u"Device activation error. The physical file name 'x' may be incorrect."_s},
        {"a file looked for on the server",
         u"xp_fileexist N'C:\\Attach\\Other.LDF'"_s,
         {},
         u"EXECUTE permission denied on object 'xp_fileexist', database 'master', owner 'dbo'."_s},
        {"the recorded name", u"', 2)"_s, {}, u"Server error"_s},
        {"a recorded path without a separator", {}, u"Other.LDF"_s, u"无效的过程调用或参数"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.record(other,
                      {u"E:\\O\\Other.MDF"_s,
                       c.recordedPath.isEmpty() ? u"E:\\O\\Other.LDF"_s : c.recordedPath},
                      u"Other"_s);
        choose(kArchive);
        window.txtDBName->setText(u"typed"_s);
        ASSERT_TRUE(window.Cmd_OK->isEnabled());
        if (!c.failingQuery.isEmpty()) server.failOn(c.failingQuery, c.description);
        toolkit.clear();
        choose(other);
        EXPECT_EQ(window.txtMDF->text(), other);
        EXPECT_EQ(rows(), (QStringList{kHeader, u"||"_s}));
        EXPECT_EQ(window.txtDBName->text(), QString());
        EXPECT_FALSE(window.Cmd_OK->isEnabled());
        ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
        EXPECT_EQ(toolkit.messageBoxes[0].text, c.description);
        EXPECT_EQ(toolkit.messageBoxes[0].style, 16);
        EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
        // A name typed now still finds no file to attach.
        window.txtDBName->setText(u"typed"_s);
        EXPECT_FALSE(window.Cmd_OK->isEnabled());
    }
}

TEST_F(FrmFileTest, HeaderRowStaysWhileManyFilesScroll) {
    QStringList recorded;
    for (int i = 1; i <= 9; ++i) recorded << u"E:\\Many\\File%1.NDF"_s.arg(i);
    recorded[0] = u"E:\\Many\\Archive_Data.MDF"_s;
    server.record(kArchive, recorded, u"Many"_s);
    choose(kArchive);
    attach::FileListGrid& grid = *window.MSHF_DBInformation;
    ASSERT_EQ(grid.rows(), 11);
    grid.scrollToBottom();
    QApplication::processEvents();
    EXPECT_GT(grid.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(grid.horizontalHeader()->isVisible());
    EXPECT_EQ(grid.horizontalHeader()->y(),
              grid.viewport()->y() - grid.horizontalHeader()->height());
    EXPECT_EQ(grid.textMatrix(0, 1), u"原文件名"_s);
}

TEST_F(FrmFileTest, EscapeKeepsTheWindowAndWhatWasChosen) {
    choose(kArchive);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(window.txtDBName, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.txtMDF->text(), kArchive);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
    window.close();  // the close box still closes it
    EXPECT_FALSE(window.isVisible());
}

TEST_F(FrmFileTest, CancelClosesTheWindow) {
    QTest::mouseClick(window.Cmd_Cancel, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
}
