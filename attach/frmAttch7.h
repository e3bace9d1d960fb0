#pragma once
// Attach from a data file and an optional log file (SQL Server 7.0 and any server that is not
// SQL Server 2000): the user picks the files and types the name; without a log file a single-file
// attach is done after the user confirms it.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace attach {
class WaitPanel;
}  // namespace attach

class frmAttch7 final : public QDialog {
    Q_OBJECT
public:
    explicit frmAttch7(QWidget* parent = nullptr);

    void CmdSel_Click();
    void Command1_Click();
    void txtDBName_Change();
    void Cmd_OK_Click();
    void Cmd_Cancel_Click();

    QLabel* Label1;
    QLineEdit* txtMDF;
    QPushButton* CmdSel;
    QLabel* Label3;
    QLineEdit* txtLDF;
    QPushButton* Command1;
    QLabel* Label2;
    QLineEdit* txtDBName;
    QPushButton* Cmd_OK;
    QPushButton* Cmd_Cancel;
    attach::WaitPanel* fra_Wait;
    QLabel* Label4;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows the shared dialog with one filter; the chosen path, or empty after a cancel.
    QString chooseFile(const QString& filter);
};
