#pragma once
// Attach from a primary data file (SQL Server 2000): the user picks the primary file, the server
// says which files it records and under which name, the window lists them with whether each lies
// beside the chosen file and attaches the database with its files. The files are the server's:
// browsed and checked through the server's extended procedures.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace attach {
class FileListGrid;
class WaitPanel;
}  // namespace attach

class frmFile final : public QDialog {
    Q_OBJECT
public:
    explicit frmFile(QWidget* parent = nullptr);

    void Form_Load();
    void CmdSel_Click();
    void txtDBName_Change();
    void Cmd_OK_Click();
    void Cmd_Cancel_Click();

    QLabel* Label1;
    QLineEdit* txtMDF;
    QPushButton* CmdSel;
    attach::FileListGrid* MSHF_DBInformation;
    QLabel* Label2;
    QLineEdit* txtDBName;
    QPushButton* Cmd_OK;
    QPushButton* Cmd_Cancel;
    attach::WaitPanel* fra_Wait;
    QLabel* Label3;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // An empty list and no name: nothing OK could attach.
    void ClearFileList();
    // Fills the list from the server's answer about the primary file and proposes its recorded
    // name (the file name and status of each row come from attach/PrimaryFileListing).
    void LoadFileList(const QString& path);
};
