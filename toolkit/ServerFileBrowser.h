#pragma once
// Chooses a file on the server's disks: the drives, then folders and files as the server lists
// them, filtered like a file-open dialog. The path box has the focus; a path typed or pasted there
// and Return chooses it, also one the listing cannot show (a folder's path opens the folder). A
// listing the server refuses leaves the path box working and says why in one line.

#include "toolkit/ServerFiles.h"
#include "toolkit/Toolkit.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tarnwick {

class ServerFileBrowser final : public QDialog {
    Q_OBJECT
public:
    ServerFileBrowser(ServerFiles& files, const FileDialogRequest& request,
                      QWidget* parent = nullptr);

    QString chosenPath() const { return m_chosen; }
    // The folder listed, ending with '\'; empty while the drives are listed.
    QString folder() const { return m_folder; }

    // Lists the drives (an empty folder) or a folder.
    void openFolder(const QString& folder);
    // What Return in the path box and the OK button do with the path box's text.
    void choosePathBoxText();
    void goUp();

    QLineEdit* pathBox;
    QPushButton* upButton;
    QListWidget* list;
    QLabel* messageLine;
    QComboBox* filterBox;
    QPushButton* okButton;
    QPushButton* cancelButton;

private:
    void itemClicked(QListWidgetItem* item);
    void itemActivated(QListWidgetItem* item);
    void choose(const QString& path);
    void showFailure(const QString& what, const std::exception& error);
    bool matchesFilter(const QString& fileName) const;

    ServerFiles& m_files;
    QStringList m_patterns;  // per filter entry, ';'-separated patterns
    QString m_folder;
    QString m_chosen;
};

}  // namespace tarnwick
