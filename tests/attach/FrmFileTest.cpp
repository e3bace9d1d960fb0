// The primary-file attach window offscreen, with the server connection replaced by a fake that
// answers the file-list queries: layout, the file dialog, the list and the proposed name, the OK
// rule, the statements sqlsim cannot tell apart, and every listing failure with the state it
// leaves. What the server answers and keeps is in AttachE2eTest.

#include "attach/FileListGrid.h"
#include "attach/WaitPanel.h"
#include "attach/frmFile.h"
#include "tests/attach/FakeAttachServer.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
        toolkit.setFileExists(kFolder + u"Archive_Data.MDF"_s, true);
        toolkit.setFileExists(kFolder + u"Archive_Log.LDF"_s, true);
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
    // The file list from a dynamic read-only set, the name from a static optimistic one.
    EXPECT_EQ(
        server.calls,
        (QStringList{u"open|dbcc checkprimaryfile (N'C:\\Attach\\Archive_Data.MDF', 3)|2|1"_s,
                     u"open|dbcc checkprimaryfile (N'C:\\Attach\\Archive_Data.MDF', 2)|3|3"_s}));
    EXPECT_EQ(window.txtMDF->text(), kArchive);
    EXPECT_EQ(rows(),
              (QStringList{kHeader, u"正确|Archive_Data.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"正确|Archive_Log.LDF|C:\\Attach\\Archive_Log.LDF"_s, u"||"_s}));
    EXPECT_EQ(window.txtDBName->text(), u"Archive"_s);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), window.txtDBName);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(FrmFileTest, StatusLooksForEachFileBesideTheChosenOne) {
    toolkit.setFileExists(kFolder + u"Archive_Log.LDF"_s, false);
    choose(kArchive);
    EXPECT_EQ(rows().mid(1, 2),
              (QStringList{u"正确|Archive_Data.MDF|C:\\Attach\\Archive_Data.MDF"_s,
                           u"不存在|Archive_Log.LDF|C:\\Attach\\Archive_Log.LDF"_s}));
    EXPECT_EQ(toolkit.checkedFiles,
              (QStringList{kFolder + u"Archive_Data.MDF"_s, kFolder + u"Archive_Log.LDF"_s}));
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
         {u"E:\\Old\\Solo.MDF"_s},
         {},
         {},
         u"EXEC sp_attach_db @dbname = N'Archive',@filename1 = N'C:\\Attach\\Solo.MDF',"
         u"@filename2 = N''"_s},
        {"both files missing: single file, the first file's status is not consulted; a typed name "
         "with a quote and a blank goes in as it stands",
         {u"E:\\Old\\A.MDF"_s, u"E:\\Old\\A.LDF"_s},
         {u"A.MDF"_s, u"A.LDF"_s},
         u"O'Brien Db"_s,
         u"EXEC sp_attach_single_file_db @dbname = 'O'Brien Db',@physname = 'C:\\Attach\\A.MDF'"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frmFile w;
        server.record(kArchive, c.recorded, u"Archive"_s);
        for (const QString& path : c.recorded)
            toolkit.setFileExists(kFolder + path.mid(path.lastIndexOf(u'\\') + 1),
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

TEST_F(FrmFileTest, ListingFailuresLeaveWhatTheyHadNotReached) {
    const QString other = kFolder + u"Other.MDF"_s;
    server.record(other, {u"E:\\O\\Other.MDF"_s, u"E:\\O\\Other.LDF"_s}, u"Other"_s);
    choose(kArchive);
    const QStringList archiveRows = rows();

    struct Case {
        const char* what;
        QString failingQuery;
        QString recordedPath;  // replaces the second recorded path when not empty
        QString description;
        QStringList rowsAfter;
    };
    const Case cases[] = {
        {"first query: the new path shows, list and name stay",
         u"', 3)"_s,
         {},
         u"Device activation error. The physical file name 'x' may be incorrect."_s,
         archiveRows},
        {"second query: the new list shows, the name stays",
         u"', 2)"_s,
         {},
         u"Server error"_s,
         {kHeader, u"不存在|Other.MDF|C:\\Attach\\Other.MDF"_s,
          u"不存在|Other.LDF|C:\\Attach\\Other.LDF"_s, u"||"_s}},
        {"a recorded path without a separator: filled up to the row before",
         {},
         u"Other.LDF"_s,
         u"无效的过程调用或参数"_s,
         {kHeader, u"不存在|Other.MDF|C:\\Attach\\Other.MDF"_s, u"||"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        toolkit.clear();
        choose(kArchive);
        window.txtDBName->setText(u"kept"_s);
        if (!c.failingQuery.isEmpty()) server.failOn(c.failingQuery, c.description);
        if (!c.recordedPath.isEmpty())
            server.record(other, {u"E:\\O\\Other.MDF"_s, c.recordedPath}, u"Other"_s);
        toolkit.clear();
        choose(other);
        EXPECT_EQ(window.txtMDF->text(), other);
        EXPECT_EQ(rows(), c.rowsAfter);
        EXPECT_EQ(window.txtDBName->text(), u"kept"_s);
        ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
        EXPECT_EQ(toolkit.messageBoxes[0].text, c.description);
        EXPECT_EQ(toolkit.messageBoxes[0].style, 16);
        EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
        server.record(other, {u"E:\\O\\Other.MDF"_s, u"E:\\O\\Other.LDF"_s}, u"Other"_s);
    }
}

TEST_F(FrmFileTest, CancelClosesTheWindow) {
    QTest::mouseClick(window.Cmd_Cancel, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
}
