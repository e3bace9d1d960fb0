#pragma once
// The attach windows' wait panel: a frame without caption holding a picture and one label, hidden
// until an attach runs.

#include <QFrame>

class QLabel;

namespace attach {

class WaitPanel final : public QFrame {
    Q_OBJECT
public:
    // labelName: the label's control name in its window.
    WaitPanel(const QString& labelName, QWidget* parent);

    QLabel* Image1;
    QLabel* label;
};

}  // namespace attach
