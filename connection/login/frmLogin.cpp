#include "connection/login/frmLogin.h"

#include "connection/DbError.h"
#include "connection/ModMain.h"
#include "connection/login/ModSelServer.h"
#include "toolkit/Pictures.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Twips.h"
#include "toolkit/WindowFont.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>
#include <optional>

using namespace Qt::StringLiterals;
using tarnwick::toolkit;

LoginServices LoginServices::standard() {
    LoginServices s;
    s.connectServer = [](const QString& server, const QString& password) {
        return ModMain::ConnectServer(server, password);
    };
    s.readServerVersion = [] {
        return ModMain::ReadServerVersion(ModMain::serverConnection().Connection);
    };
    s.closeConnection = [] {
        auto& connection = ModMain::serverConnection().Connection;
        try {
            if (connection.isOpen()) connection.close();
        } catch (const tarnwick::DbError&) {
            // The connection is unusable either way; the next login opens it afresh.
        }
    };
    s.setServerVersion = [](const QString& version) {
        ModMain::serverConnection().ServerVersion = version;
    };
    return s;
}

namespace {

std::optional<LoginServices>& replacedServices() {
    static std::optional<LoginServices> services;
    return services;
}

LoginServices services() {
    return replacedServices().value_or(LoginServices::standard());
}

}  // namespace

void frmLogin::setServices(const LoginServices& s) {
    replacedServices() = s;
}

void frmLogin::resetServices() {
    replacedServices().reset();
}

frmLogin::frmLogin(QWidget* owner)
    : QDialog(owner),
      Label1(new QLabel(u"服务器："_s, this)),
      Label2(new QLabel(u"SA密码："_s, this)),
      txtServer(new QLineEdit(u"(local)"_s, this)),
      txtPass(new QLineEdit(this)),
      CmdOK(new QPushButton(u"确定"_s, this)),
      CmdCancel(new QPushButton(u"取消"_s, this)),
      CmdSel(new QPushButton(this)),
      chkShowPass(new QCheckBox(u"显示密码"_s, this)) {
    using tarnwick::setTwipsGeometry;
    setObjectName(u"frmLogin"_s);
    setWindowTitle(u"登陆服务器"_s);
    setWindowIcon(tarnwick::windowIcon());
    setFont(tarnwick::windowFont());
    setModal(true);
    const QRect client = tarnwick::twipsRect(0, 0, 5115, 1875);
    setFixedSize(client.size());

    Label1->setObjectName(u"Label1"_s);
    Label2->setObjectName(u"Label2"_s);
    txtServer->setObjectName(u"txtServer"_s);
    txtPass->setObjectName(u"txtPass"_s);
    CmdOK->setObjectName(u"CmdOK"_s);
    CmdCancel->setObjectName(u"CmdCancel"_s);
    CmdSel->setObjectName(u"CmdSel"_s);
    chkShowPass->setObjectName(u"chkShowPass"_s);

    // What a screen reader says for the controls without a caption of their own.
    txtServer->setAccessibleName(u"服务器"_s);
    txtPass->setAccessibleName(u"SA密码"_s);
    CmdSel->setAccessibleName(u"选择服务器"_s);

    setTwipsGeometry(Label1, 240, 180, 1215, 255);
    setTwipsGeometry(Label2, 240, 780, 1215, 255);
    setTwipsGeometry(txtServer, 1560, 120, 3015, 375);
    setTwipsGeometry(txtPass, 1560, 720, 3495, 375);
    setTwipsGeometry(CmdOK, 2520, 1320, 1215, 495);
    setTwipsGeometry(CmdCancel, 3840, 1320, 1215, 495);
    setTwipsGeometry(CmdSel, 4680, 154, 307, 307);
    setTwipsGeometry(chkShowPass, 240, 1380, 2160, 375);

    // The password is masked while typed, on a screen others may see; the check box shows it.
    txtPass->setEchoMode(QLineEdit::Password);
    connect(chkShowPass, &QCheckBox::toggled, this, [this](bool shown) {
        txtPass->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    CmdSel->setIcon(QIcon(tarnwick::browsePicture()));
    CmdSel->setIconSize(QSize(16, 16));
    CmdSel->setFlat(false);
    // Enter in a text box presses OK, never the browse button.
    CmdOK->setDefault(true);
    CmdCancel->setAutoDefault(false);
    CmdSel->setAutoDefault(false);

    setTabOrder(txtServer, txtPass);
    setTabOrder(txtPass, chkShowPass);
    setTabOrder(chkShowPass, CmdOK);
    setTabOrder(CmdOK, CmdCancel);
    setTabOrder(CmdCancel, CmdSel);
    txtServer->setFocus(Qt::OtherFocusReason);

    connect(CmdOK, &QPushButton::clicked, this, &frmLogin::CmdOK_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &frmLogin::CmdCancel_Click);
    connect(CmdSel, &QPushButton::clicked, this, &frmLogin::CmdSel_Click);
}

bool frmLogin::showModal(QWidget* owner) {
    frmLogin window(owner);
    return window.exec() == QDialog::Accepted;
}

void frmLogin::CmdOK_Click() {
    if (txtServer->text() == QString()) {
        toolkit().messageBox(u"请输入您要连接的服务器！"_s, tarnwick::vbInformation, u"连接提示"_s);
        txtServer->setFocus(Qt::OtherFocusReason);
        return;
    }
    const LoginServices s = services();
    if (!s.connectServer(txtServer->text(), txtPass->text())) return;

    // A server whose version query fails is of no use to the rest of the program, which relies
    // on the version text: drop the connection and let the user try again.
    bool failed = false;
    QString failure;
    QString version;
    try {
        version = s.readServerVersion();
    } catch (const tarnwick::DbError& e) {
        failed = true;
        failure = e.description();
    } catch (const std::exception& e) {
        failed = true;
        failure = QString::fromLocal8Bit(e.what());
    }
    if (failed) {
        s.closeConnection();
        toolkit().messageBox(u"无法读取服务器版本：\r\n"_s + failure, tarnwick::vbCritical);
        return;
    }
    s.setServerVersion(version);
    accept();
}

void frmLogin::CmdCancel_Click() {
    toolkit().endProgram();
}

void frmLogin::CmdSel_Click() {
    txtServer->setText(ModSelServer::BrowseForServer(this));
}
