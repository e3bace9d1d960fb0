#include "attach/frmAttch7.h"

#include "attach/AttachDialogKeys.h"
#include "attach/AttachRun.h"
#include "attach/AttachServices.h"
#include "attach/AttachStatements.h"
#include "attach/AttachTexts.h"
#include "attach/ServerDiskFiles.h"
#include "attach/WaitPanel.h"
#include "toolkit/Pictures.h"
#include "toolkit/Toolkit.h"
#include "toolkit/Twips.h"
#include "toolkit/WindowFont.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

using namespace Qt::StringLiterals;
using tarnwick::toolkit;
namespace texts = attach::texts;

namespace {

void showFailure(const std::exception& error) {
    toolkit().messageBox(attach::errorDescription(error), tarnwick::vbCritical,
                         texts::messageTitle());
}

}  // namespace

frmAttch7::frmAttch7(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(texts::dataFileLabel(), this)),
      txtMDF(new QLineEdit(this)),
      CmdSel(new QPushButton(this)),
      Label3(new QLabel(u"要附加数据库的LDF文件："_s, this)),
      txtLDF(new QLineEdit(this)),
      Command1(new QPushButton(this)),
      Label2(new QLabel(u"附加为(数据库名称)："_s, this)),
      txtDBName(new QLineEdit(this)),
      Cmd_OK(new QPushButton(texts::okButton(), this)),
      Cmd_Cancel(new QPushButton(texts::cancelButton(), this)),
      fra_Wait(new attach::WaitPanel(u"Label4"_s, this)),
      Label4(fra_Wait->label) {
    using tarnwick::setTwipsGeometry;
    setObjectName(u"frmAttch7"_s);
    setWindowTitle(texts::caption());
    setWindowIcon(tarnwick::windowIcon());
    // The window has no font of its own: the system's default Song face at 9 pt.
    setFont(tarnwick::windowFont(9));
    setModal(true);
    setFixedSize(tarnwick::twipsRect(0, 0, 6030, 2640).size());

    Label1->setObjectName(u"Label1"_s);
    txtMDF->setObjectName(u"txtMDF"_s);
    CmdSel->setObjectName(u"CmdSel"_s);
    Label3->setObjectName(u"Label3"_s);
    txtLDF->setObjectName(u"txtLDF"_s);
    Command1->setObjectName(u"Command1"_s);
    Label2->setObjectName(u"Label2"_s);
    txtDBName->setObjectName(u"txtDBName"_s);
    Cmd_OK->setObjectName(u"Cmd_OK"_s);
    Cmd_Cancel->setObjectName(u"Cmd_Cancel"_s);

    // What a screen reader says for the controls without a caption of their own.
    txtMDF->setAccessibleName(u"要附加数据库的MDF文件"_s);
    CmdSel->setAccessibleName(u"选择MDF文件"_s);
    txtLDF->setAccessibleName(u"要附加数据库的LDF文件"_s);
    Command1->setAccessibleName(u"选择LDF文件"_s);
    txtDBName->setAccessibleName(u"附加为(数据库名称)"_s);

    setTwipsGeometry(Label1, 120, 120, 2415, 210);
    setTwipsGeometry(txtMDF, 120, 360, 5415, 315);
    setTwipsGeometry(CmdSel, 5640, 360, 307, 307);
    setTwipsGeometry(Label3, 120, 840, 2070, 180);
    setTwipsGeometry(txtLDF, 120, 1080, 5415, 315);
    setTwipsGeometry(Command1, 5640, 1080, 307, 307);
    setTwipsGeometry(Label2, 120, 1560, 1800, 180);
    setTwipsGeometry(txtDBName, 120, 1755, 5895, 315);
    setTwipsGeometry(Cmd_OK, 3240, 2160, 1215, 375);
    setTwipsGeometry(Cmd_Cancel, 4680, 2160, 1215, 375);
    setTwipsGeometry(fra_Wait, 600, 720, 4695, 975);
    fra_Wait->raise();

    txtMDF->setReadOnly(true);
    txtLDF->setReadOnly(true);
    attach::setUpBrowseButtons({CmdSel, Command1});
    attach::setUpEnterKeys({CmdSel, Command1, Cmd_OK, Cmd_Cancel}, Cmd_OK);

    connect(CmdSel, &QPushButton::clicked, this, &frmAttch7::CmdSel_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAttch7::Command1_Click);
    connect(txtDBName, &QLineEdit::textChanged, this, &frmAttch7::txtDBName_Change);
    connect(Cmd_OK, &QPushButton::clicked, this, &frmAttch7::Cmd_OK_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &frmAttch7::Cmd_Cancel_Click);
}

QString frmAttch7::chooseFile(const QString& filter) {
    attach::ServerDiskFiles serverDisk;
    tarnwick::FileDialogRequest request;
    request.serverFiles = &serverDisk;
    request.flags = 4;
    request.initialDir = toolkit().programDirectory();
    request.filter = filter;
    request.filterIndex = 1;
    request.title = texts::dialogTitle();
    return toolkit().openFileDialog(request);
}

void frmAttch7::CmdSel_Click() {
    try {
        const QString path = chooseFile(texts::dataFileFilter());
        if (!path.isEmpty()) txtMDF->setText(path);
    } catch (const std::exception& error) {
        showFailure(error);
    }
}

void frmAttch7::Command1_Click() {
    try {
        const QString path = chooseFile(texts::logFileFilter());
        if (path.isEmpty()) return;  // cancelled
        txtLDF->setText(path);
        txtDBName->setFocus(Qt::OtherFocusReason);
    } catch (const std::exception& error) {
        showFailure(error);
    }
}

void frmAttch7::txtDBName_Change() {
    Cmd_OK->setEnabled(!txtMDF->text().isEmpty() && !txtDBName->text().isEmpty());
}

void frmAttch7::Cmd_OK_Click() {
    fra_Wait->setVisible(true);
    toolkit().processEvents();
    if (!txtLDF->text().isEmpty()) {
        attach::runAttachStatement(
            attach::twoFileAttachStatement(txtDBName->text(), txtMDF->text(), txtLDF->text()),
            txtDBName->text());
    } else {
        const QString question = u"由于您没有选择日志文件，所以将执行单文件附加！"_s + u'\r' +
                                 u"该操作将重建日志文件，如果有原日志文件，请先选择！"_s + u'\r' +
                                 u"是否执行单文件附加？"_s;
        if (toolkit().messageBox(question, tarnwick::vbOKCancelInformation,
                                 texts::messageTitle()) == tarnwick::vbOK)
            attach::runAttachStatement(
                attach::singleFileAttachStatement(txtDBName->text(), txtMDF->text()),
                txtDBName->text());
    }
    fra_Wait->setVisible(false);
}

void frmAttch7::keyPressEvent(QKeyEvent* event) {
    if (!attach::takeEscape(event)) QDialog::keyPressEvent(event);
}

void frmAttch7::Cmd_Cancel_Click() {
    reject();
}
