// The data-and-log-file attach window offscreen, with the server connection replaced by a fake:
// layout, the shared file dialog, the focus and OK rules, the confirmation before a single-file
// attach, both statements and the failures.

#include "attach/WaitPanel.h"
#include "attach/frmAttch7.h"
#include "tests/attach/FakeAttachServer.h"
#include "tests/support/GuiTestHelpers.h"
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

const QString kData = u"/srv/attach/Sales_Data.MDF"_s;
const QString kLog = u"/srv/attach/Sales_Log.LDF"_s;
const QString kQuestion =
    u"由于您没有选择日志文件，所以将执行单文件附加！\r该操作将重建日志文件，如果有原日志文件，请先"
    u"选择！\r"
    u"是否执行单文件附加？"_s;

class FrmAttch7Test : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void chooseData(const QString& path) {
        toolkit.setNextFileName(path);
        QTest::mouseClick(window.CmdSel, Qt::LeftButton);
    }
    void chooseLog(const QString& path) {
        toolkit.setNextFileName(path);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
    }
    void typeName(const QString& name) {
        window.txtDBName->clear();
        window.txtDBName->insert(name);  // as typed: one change event per edit
    }
    void pressOK() { QTest::mouseClick(window.Cmd_OK, Qt::LeftButton); }

    RecordingToolkit toolkit;
    FakeAttachServer server;
    frmAttch7 window;
};

}  // namespace

TEST_F(FrmAttch7Test, OpensWithItsDesignValues) {
    EXPECT_EQ(window.windowTitle(), u"附加数据库"_s);
    EXPECT_EQ(window.size(), QSize(6030 / 15, 2640 / 15));
    EXPECT_TRUE(window.txtMDF->isReadOnly());
    EXPECT_TRUE(window.txtLDF->isReadOnly());
    EXPECT_FALSE(window.CmdSel->icon().isNull());
    EXPECT_FALSE(window.Command1->icon().isNull());
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
    EXPECT_TRUE(window.Cmd_Cancel->isEnabled());
    EXPECT_FALSE(window.fra_Wait->isVisible());
}

TEST_F(FrmAttch7Test, BothBrowseButtonsShareOneDialogWithTheirOwnFilter) {
    toolkit.setProgramDirectory(u"/opt/tarnwick"_s);
    window.txtMDF->setFocus();
    chooseData(kData);
    EXPECT_EQ(window.txtMDF->text(), kData);
    EXPECT_NE(QApplication::focusWidget(), window.txtDBName);  // the focus stays after a data file
    chooseLog(kLog);
    EXPECT_EQ(window.txtLDF->text(), kLog);
    EXPECT_EQ(QApplication::focusWidget(), window.txtDBName);
    ASSERT_EQ(toolkit.fileDialogs.size(), 2u);
    const QString filters[] = {u"MDF (*.MDF)|*.MDF"_s, u"MDF (*.LDF)|*.LDF"_s};
    for (size_t i = 0; i < 2; ++i) {
        const tarnwick::FileDialogRequest& d = toolkit.fileDialogs[i];
        EXPECT_EQ(d.filter, filters[i]);
        EXPECT_EQ(d.title, u"请选择要附加的文件"_s);
        EXPECT_EQ(d.filterIndex, 1);
        EXPECT_EQ(d.initialDir, u"/opt/tarnwick"_s);
        EXPECT_EQ(d.flags, 4);
        EXPECT_NE(d.serverFiles, nullptr);  // the server's disks are browsed
    }
    EXPECT_TRUE(server.calls.isEmpty());  // the window asks the server nothing before an attach
}

TEST_F(FrmAttch7Test, DialogCancelChangesNothing) {
    chooseData(kData);
    chooseLog(kLog);
    QTest::mouseClick(window.CmdSel, Qt::LeftButton);
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    EXPECT_EQ(toolkit.fileDialogs.size(), 4u);
    EXPECT_EQ(window.txtMDF->text(), kData);
    EXPECT_EQ(window.txtLDF->text(), kLog);
    EXPECT_NE(QApplication::focusWidget(), window.txtDBName);
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(FrmAttch7Test, OKIsDecidedOnlyWhenTheNameChanges) {
    typeName(u"Sales"_s);
    chooseData(kData);
    EXPECT_FALSE(window.Cmd_OK->isEnabled());  // choosing a file does not decide
    QTest::keyClicks(window.txtDBName, u"2"_s);
    EXPECT_TRUE(window.Cmd_OK->isEnabled());
    window.txtDBName->clear();
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
}

TEST_F(FrmAttch7Test, ALogFileWithoutADataFileNeverEnablesOK) {
    chooseLog(kLog);
    typeName(u"Sales"_s);
    EXPECT_FALSE(window.Cmd_OK->isEnabled());
}

TEST_F(FrmAttch7Test, WithoutALogFileTheUserConfirmsTheSingleFileAttach) {
    chooseData(kData);
    typeName(u"Sales"_s);
    bool panelShownDuringQuestion = false;
    toolkit.onMessageBox = [&](const RecordingToolkit::MessageBoxCall& call) {
        if (call.style == 65) panelShownDuringQuestion = window.fra_Wait->isVisible();
    };

    toolkit.setNextAnswer(tarnwick::vbCancel);
    pressOK();
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, kQuestion);
    EXPECT_EQ(toolkit.messageBoxes[0].style, 65);
    EXPECT_EQ(toolkit.messageBoxes[0].title, u"提示"_s);
    EXPECT_TRUE(panelShownDuringQuestion);
    EXPECT_TRUE(server.executed.isEmpty());
    EXPECT_FALSE(window.fra_Wait->isVisible());
    EXPECT_EQ(window.txtDBName->text(), u"Sales"_s);

    toolkit.clear();
    toolkit.setNextAnswer(tarnwick::vbOK);
    pressOK();
    EXPECT_EQ(server.executed, QStringList{u"EXEC sp_attach_single_file_db @dbname = 'Sales',"
                                           u"@physname = '/srv/attach/Sales_Data.MDF'"_s});
    ASSERT_EQ(toolkit.messageBoxes.size(), 2u);
    EXPECT_EQ(toolkit.messageBoxes[1].text, u"附加成功！"_s);
    EXPECT_EQ(toolkit.messageBoxes[1].style, 64);
    EXPECT_FALSE(window.fra_Wait->isVisible());
}

TEST_F(FrmAttch7Test, EscapeKeepsTheWindowAndWhatWasChosen) {
    chooseData(kData);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.txtMDF->text(), kData);
    window.close();  // the close box still closes it
    EXPECT_FALSE(window.isVisible());
}

TEST_F(FrmAttch7Test, CancelClosesTheWindow) {
    QTest::mouseClick(window.Cmd_Cancel, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

// Without a mouse: Tab reaches each button, Enter presses the focused one, Enter in the name box
// presses OK once it is enabled, Esc leaves the window open.
TEST_F(FrmAttch7Test, WorksWithoutAMouse) {
    const auto focusAndEnter = [&](QWidget* target) {
        target->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Return);
    };
    toolkit.setNextFileName(kData);
    focusAndEnter(window.CmdSel);
    toolkit.setNextFileName(kLog);
    focusAndEnter(window.Command1);
    EXPECT_EQ(window.txtMDF->text(), kData);
    EXPECT_EQ(window.txtLDF->text(), kLog);
    ASSERT_EQ(QApplication::focusWidget(), window.txtDBName);  // after the log file
    QTest::keyClick(window.txtDBName, Qt::Key_Return);         // OK is not enabled yet
    EXPECT_TRUE(server.executed.isEmpty());
    QTest::keyClicks(window.txtDBName, u"Sales"_s);
    QTest::keyClick(window.txtDBName, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(server.executed.size(), 1);
    EXPECT_TRUE(server.executed[0].startsWith(u"EXEC sp_attach_db @dbname = N'Sales'"_s))
        << server.executed[0].toStdString();
    // Esc keeps the window and what was chosen in it; Cancel closes it.
    QTest::keyClick(window.txtDBName, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
}
