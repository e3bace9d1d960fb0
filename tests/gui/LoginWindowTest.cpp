// The login window offscreen: layout, tab order and focus, and every path of its three buttons,
// with the connection services and the server picker replaced by recording ones.

#include "connection/DbError.h"
#include "connection/login/ModSelServer.h"
#include "connection/login/ServerPickerDialog.h"
#include "connection/login/frmLogin.h"
#include "tests/support/GuiTestHelpers.h"
#include "tests/support/RecordingToolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;

namespace {

class LoginWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoginServices s;
        s.connectServer = [this](const QString& server, const QString& password) {
            connectCalls << server + u'|' + password;
            if (!connectSucceeds) toolkit.messageBox(u"Login failed for user 'sa'."_s);
            return connectSucceeds;
        };
        s.readServerVersion = [this]() -> QString {
            ++versionReads;
            if (!versionError.isEmpty()) throw tarnwick::DbError(versionError);
            return u"Microsoft SQL Server  2000"_s;
        };
        s.closeConnection = [this] { ++closes; };
        s.setServerVersion = [this](const QString& v) { versions << v; };
        frmLogin::setServices(s);
    }
    void TearDown() override {
        frmLogin::resetServices();
        ModSelServer::setServerPicker({});
    }

    RecordingToolkit toolkit;
    QStringList connectCalls;
    bool connectSucceeds = true;
    int versionReads = 0;
    QString versionError;
    int closes = 0;
    QStringList versions;
};

}  // namespace

TEST_F(LoginWindowTest, StartsInTheServerBoxAndTabsInDesignOrder) {
    frmLogin w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), w.txtServer);
    EXPECT_EQ(tabChain(w.txtServer, 7),
              (QStringList{u"txtServer"_s, u"txtPass"_s, u"chkShowPass"_s, u"CmdOK"_s,
                           u"CmdCancel"_s, u"CmdSel"_s, u"txtServer"_s}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.txtPass);
}

// Masked while typed; the check box shows it, by the keyboard too, and the login gets the same
// text.
TEST_F(LoginWindowTest, ThePasswordIsMaskedUntilShown) {
    frmLogin w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.txtServer, Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), u"a;b}c"_s);
    EXPECT_EQ(w.txtPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtPass->displayText(),
              QString(5, QChar(w.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter))));
    QTest::keyClick(w.txtPass, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w.chkShowPass);
    QTest::keyClick(w.chkShowPass, Qt::Key_Space);
    EXPECT_EQ(w.txtPass->displayText(), u"a;b}c"_s);
    QTest::keyClick(w.chkShowPass, Qt::Key_Space);
    EXPECT_EQ(w.txtPass->echoMode(), QLineEdit::Password);
    QTest::keyClick(w.chkShowPass, Qt::Key_Return);  // Enter presses OK
    EXPECT_EQ(connectCalls, QStringList{u"(local)|a;b}c"_s});
}

TEST_F(LoginWindowTest, EmptyServerBoxAsksForAServerAndDoesNotConnect) {
    frmLogin w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.txtServer->clear();
    w.txtPass->setFocus();
    QTest::mouseClick(w.CmdOK, Qt::LeftButton);

    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(toolkit.messageBoxes[0].text, u"请输入您要连接的服务器！"_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbInformation);
    EXPECT_EQ(toolkit.messageBoxes[0].title, u"连接提示"_s);
    EXPECT_TRUE(connectCalls.isEmpty());
    EXPECT_EQ(versionReads, 0);
    EXPECT_EQ(QApplication::focusWidget(), w.txtServer);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(LoginWindowTest, ServerAndPasswordGoToTheConnectionExactlyAsTyped) {
    const QString servers[] = {u" "_s, u"(local)"_s, u" srv;x "_s, u"服务器"_s};
    for (const QString& server : servers) {
        connectCalls.clear();
        frmLogin w;
        w.txtServer->setText(server);
        w.txtPass->setText(u" p;w "_s);
        w.CmdOK_Click();
        EXPECT_EQ(connectCalls, QStringList{server + u"| p;w "_s});
        EXPECT_TRUE(toolkit.messageBoxes.empty());
        EXPECT_EQ(w.result(), QDialog::Accepted);
    }
    EXPECT_EQ(versions, QStringList(4, u"Microsoft SQL Server  2000"_s));
}

TEST_F(LoginWindowTest, FailedLoginKeepsTheWindowAndTheEntries) {
    connectSucceeds = false;
    frmLogin w;
    w.show();
    w.txtServer->setText(u"OTHER"_s);
    w.txtPass->setText(u"wrong"_s);
    w.CmdOK_Click();
    EXPECT_EQ(connectCalls, QStringList{u"OTHER|wrong"_s});
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);  // the connection's own report, nothing more
    EXPECT_EQ(versionReads, 0);
    EXPECT_TRUE(versions.isEmpty());
    EXPECT_EQ(w.txtServer->text(), u"OTHER"_s);
    EXPECT_EQ(w.txtPass->text(), u"wrong"_s);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(LoginWindowTest, FailingVersionQueryClosesTheConnectionAndStaysOpen) {
    versionError = u"Invalid length parameter passed to the substring function."_s;
    frmLogin w;
    w.show();
    w.CmdOK_Click();
    EXPECT_EQ(connectCalls.size(), 1);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(versions.isEmpty());
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(
        toolkit.messageBoxes[0].text,
        u"无法读取服务器版本：\r\nInvalid length parameter passed to the substring function."_s);
    EXPECT_EQ(toolkit.messageBoxes[0].style, tarnwick::vbCritical);
    EXPECT_EQ(toolkit.messageBoxes[0].shownTitle(), u"Tarnwick"_s);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(LoginWindowTest, CancelEndsTheProgram) {
    frmLogin w;
    QTest::mouseClick(w.CmdCancel, Qt::LeftButton);
    EXPECT_EQ(toolkit.endProgramCount, 1);
    EXPECT_TRUE(connectCalls.isEmpty());
}

TEST_F(LoginWindowTest, BrowseReplacesTheServerBoxAndLeavesThePassword) {
    QList<QWidget*> owners;
    QString answer = u"DBSERVER"_s;
    ModSelServer::setServerPicker(
        [&](QWidget* owner, const QList<ModSelServer::ServerCandidate>& candidates) {
            owners << owner;
            EXPECT_FALSE(candidates.isEmpty());  // at least this computer
            return answer;
        });
    frmLogin w;
    w.txtPass->setText(u"secret"_s);
    QTest::mouseClick(w.CmdSel, Qt::LeftButton);
    EXPECT_EQ(w.txtServer->text(), u"DBSERVER"_s);
    EXPECT_EQ(w.txtPass->text(), u"secret"_s);
    EXPECT_EQ(owners, QList<QWidget*>{&w});

    answer.clear();  // the picker was cancelled
    w.CmdSel_Click();
    EXPECT_EQ(w.txtServer->text(), QString());
    EXPECT_EQ(w.txtPass->text(), u"secret"_s);
    EXPECT_TRUE(connectCalls.isEmpty());
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(LoginWindowTest, ShowModalReportsLoginAndCloseBox) {
    // Answer the modal window from inside its own event loop, as a user would.
    QTimer::singleShot(0, qApp, [] {
        auto* w = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        w->CmdOK_Click();
    });
    EXPECT_TRUE(frmLogin::showModal(nullptr));

    QTimer::singleShot(0, qApp, [] {
        auto* w = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        w->close();  // the close box
    });
    EXPECT_FALSE(frmLogin::showModal(nullptr));
    EXPECT_EQ(connectCalls.size(), 1);
    EXPECT_EQ(toolkit.endProgramCount, 0);
}

TEST(ServerPickerDialog, OffersTheCandidatesAndReturnsTheChosenName) {
    const QList<ModSelServer::ServerCandidate> candidates{
        {u"HOST"_s, u"本计算机"_s}, {u"egServer50"_s, u"symachine"_s}, {u"DSN1"_s, QString()}};
    ModSelServer::ServerPickerDialog dialog(nullptr, candidates);
    EXPECT_EQ(dialog.windowTitle(), u"请选取数据库服务器计算机名："_s);
    ASSERT_EQ(dialog.list()->count(), 3);
    EXPECT_EQ(dialog.list()->item(1)->text(), u"egServer50    (symachine)"_s);
    EXPECT_EQ(dialog.list()->item(2)->text(), u"DSN1"_s);
    EXPECT_EQ(dialog.chosenName(), u"HOST"_s);
    dialog.list()->setCurrentRow(1);
    EXPECT_EQ(dialog.chosenName(), u"egServer50"_s);

    QTimer::singleShot(0, qApp, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(ModSelServer::ServerPickerDialog::pick(nullptr, candidates), QString());
    QTimer::singleShot(0, qApp, [] {
        auto* d =
            qobject_cast<ModSelServer::ServerPickerDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->list()->setCurrentRow(2);
        d->accept();
    });
    EXPECT_EQ(ModSelServer::ServerPickerDialog::pick(nullptr, candidates), u"DSN1"_s);
}
