#pragma once
// The attach windows' wait panel: a frame without caption holding a picture, one label, the time
// the attach has taken and a "取消" button, hidden until an attach runs. While it shows, closing
// its window cancels the statement instead.

#include <QFrame>

class QLabel;
class QPushButton;

namespace tarnwick {
class ElapsedLabel;
}

namespace attach {

class WaitPanel final : public QFrame {
    Q_OBJECT
public:
    // labelName: the label's control name in its window.
    WaitPanel(const QString& labelName, QWidget* parent);

    QLabel* Image1;
    QLabel* label;
    tarnwick::ElapsedLabel* lblElapsed;
    QPushButton* cmdCancelRun;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace attach
