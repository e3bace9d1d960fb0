#pragma once
// The login window: server name and sa password; OK opens the server connection, Cancel ends
// the program, the picture button beside the server box browses for a server computer.

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the login window calls when OK is pressed. The standard services act on the program's one
// server connection; tests put their own in place.
struct LoginServices {
    std::function<bool(const QString& server, const QString& password)> connectServer;
    std::function<QString()> readServerVersion;  // raises on failure
    std::function<void()> closeConnection;       // after a failed version query
    std::function<void(const QString& version)> setServerVersion;

    static LoginServices standard();
};

class frmLogin final : public QDialog {
    Q_OBJECT
public:
    explicit frmLogin(QWidget* owner = nullptr);

    // Shows a fresh login window modally. True after a successful login; false when the window
    // was closed by its close box (or Esc) without logging in. Cancel never returns.
    static bool showModal(QWidget* owner);

    // Replaces the services of every login window from now on; an empty argument restores the
    // standard ones.
    static void setServices(const LoginServices& services);
    static void resetServices();

    void CmdOK_Click();
    void CmdCancel_Click();
    void CmdSel_Click();

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* txtServer;
    QLineEdit* txtPass;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;
    QPushButton* CmdSel;
    QCheckBox* chkShowPass;  // shows the password as typed while checked
};
