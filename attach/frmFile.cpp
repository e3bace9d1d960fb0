#include "attach/frmFile.h"

#include "attach/AttachDialogKeys.h"
#include "attach/AttachRun.h"
#include "attach/AttachServices.h"
#include "attach/AttachTexts.h"
#include "attach/FileListGrid.h"
#include "attach/PrimaryFileListing.h"
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

frmFile::frmFile(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(texts::dataFileLabel(), this)),
      txtMDF(new QLineEdit(this)),
      CmdSel(new QPushButton(this)),
      MSHF_DBInformation(new attach::FileListGrid(5895, this)),
      Label2(new QLabel(u"附加为："_s, this)),
      txtDBName(new QLineEdit(this)),
      Cmd_OK(new QPushButton(texts::okButton(), this)),
      Cmd_Cancel(new QPushButton(texts::cancelButton(), this)),
      fra_Wait(new attach::WaitPanel(u"Label3"_s, this)),
      Label3(fra_Wait->label) {
    using tarnwick::setTwipsGeometry;
    setObjectName(u"frmFile"_s);
    setWindowTitle(texts::caption());
    setWindowIcon(tarnwick::windowIcon());
    setFont(tarnwick::windowFont());
    setModal(true);
    setFixedSize(tarnwick::twipsRect(0, 0, 6060, 3165).size());

    Label1->setObjectName(u"Label1"_s);
    txtMDF->setObjectName(u"txtMDF"_s);
    CmdSel->setObjectName(u"CmdSel"_s);
    MSHF_DBInformation->setObjectName(u"MSHF_DBInformation"_s);
    Label2->setObjectName(u"Label2"_s);
    txtDBName->setObjectName(u"txtDBName"_s);
    Cmd_OK->setObjectName(u"Cmd_OK"_s);
    Cmd_Cancel->setObjectName(u"Cmd_Cancel"_s);

    // What a screen reader says for the controls without a caption of their own.
    txtMDF->setAccessibleName(u"要附加数据库的MDF文件"_s);
    CmdSel->setAccessibleName(u"选择要附加的文件"_s);
    txtDBName->setAccessibleName(u"附加为"_s);

    setTwipsGeometry(Label1, 120, 120, 2415, 210);
    setTwipsGeometry(txtMDF, 120, 360, 5415, 315);
    setTwipsGeometry(CmdSel, 5640, 360, 307, 307);
    setTwipsGeometry(MSHF_DBInformation, 120, 720, 5895, 1575);
    setTwipsGeometry(Label2, 120, 2400, 840, 210);
    setTwipsGeometry(txtDBName, 1440, 2355, 4575, 315);
    setTwipsGeometry(Cmd_OK, 3360, 2760, 1215, 375);
    setTwipsGeometry(Cmd_Cancel, 4800, 2760, 1215, 375);
    setTwipsGeometry(fra_Wait, 720, 960, 4695, 975);
    fra_Wait->raise();

    txtMDF->setReadOnly(true);
    attach::setUpBrowseButtons({CmdSel});
    attach::setUpEnterKeys({CmdSel, Cmd_OK, Cmd_Cancel}, Cmd_OK);

    connect(CmdSel, &QPushButton::clicked, this, &frmFile::CmdSel_Click);
    connect(txtDBName, &QLineEdit::textChanged, this, &frmFile::txtDBName_Change);
    connect(Cmd_OK, &QPushButton::clicked, this, &frmFile::Cmd_OK_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &frmFile::Cmd_Cancel_Click);
    Form_Load();
}

void frmFile::Form_Load() {
    attach::FileListGrid& grid = *MSHF_DBInformation;
    const auto widths = attach::fileListColumnWidths(grid.widthTwips());
    grid.setColWidth(0, widths[0]);
    grid.setColWidth(1, widths[1]);
    grid.setColWidth(2, widths[2]);
    grid.setTextMatrix(0, 0, u"状态"_s);
    grid.setTextMatrix(0, 1, u"原文件名"_s);
    grid.setTextMatrix(0, 2, u"当前文件位置"_s);
}

void frmFile::CmdSel_Click() {
    try {
        attach::ServerDiskFiles serverDisk;
        tarnwick::FileDialogRequest request;
        request.flags = 4;
        request.initialDir = toolkit().programDirectory();
        request.filter = texts::dataFileFilter();
        request.filterIndex = 1;
        request.title = texts::dialogTitle();
        request.serverFiles = &serverDisk;
        const QString path = toolkit().openFileDialog(request);
        if (path.isEmpty()) return;  // cancelled
        txtMDF->setText(path);
        ClearFileList();
        LoadFileList(path);
        txtDBName->setFocus(Qt::OtherFocusReason);
    } catch (const std::exception& error) {
        // Nothing of a failed listing, nor of the file listed before, is left for OK to attach.
        ClearFileList();
        toolkit().messageBox(attach::errorDescription(error), tarnwick::vbCritical,
                             texts::messageTitle());
    }
}

void frmFile::ClearFileList() {
    attach::FileListGrid& grid = *MSHF_DBInformation;
    grid.setRows(1);
    grid.setRows(2);
    txtDBName->clear();
    txtDBName_Change();
}

void frmFile::keyPressEvent(QKeyEvent* event) {
    if (!attach::takeEscape(event)) QDialog::keyPressEvent(event);
}

void frmFile::LoadFileList(const QString& path) {
    attach::FileListGrid& grid = *MSHF_DBInformation;
    attach::listRecordedFiles(
        path, [&grid] { grid.setRows(2); },
        [&grid](const attach::ListedFile& file) {
            const int r = grid.rows() - 1;
            grid.setTextMatrix(r, 1, file.fileName);
            grid.setTextMatrix(r, 2, file.location);
            grid.setTextMatrix(r, 0, file.status);
            grid.setRows(grid.rows() + 1);
        });
    txtDBName->setText(attach::recordedDatabaseName(path));
}

void frmFile::txtDBName_Change() {
    Cmd_OK->setEnabled(MSHF_DBInformation->rows() > 2 && !txtDBName->text().isEmpty());
}

void frmFile::Cmd_OK_Click() {
    fra_Wait->setVisible(true);
    toolkit().processEvents();
    const attach::FileListGrid& grid = *MSHF_DBInformation;
    // The listed files: every row between the header row and the empty last row.
    QList<attach::ListedFile> listed;
    for (int row = 1; row < grid.rows() - 1; ++row)
        listed.append({grid.textMatrix(row, 0), grid.textMatrix(row, 1), grid.textMatrix(row, 2)});
    attach::runAttachStatement(attach::primaryFileAttachStatement(txtDBName->text(), listed),
                               txtDBName->text());
    fra_Wait->setVisible(false);
}

void frmFile::Cmd_Cancel_Click() {
    reject();
}
