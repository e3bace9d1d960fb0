#pragma once
// A small list of the known servers to choose from, for systems without a computer picker.

#include "connection/login/ServerCandidates.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace ModSelServer {

class ServerPickerDialog final : public QDialog {
    Q_OBJECT
public:
    ServerPickerDialog(QWidget* owner, const QList<ServerCandidate>& candidates);
    QString chosenName() const;
    QListWidget* list() const { return m_list; }

    // Shows the dialog modally: the chosen name after OK, an empty text after a cancel.
    static QString pick(QWidget* owner, const QList<ServerCandidate>& candidates);

private:
    QListWidget* m_list;
    QPushButton* m_ok;
};

}  // namespace ModSelServer
