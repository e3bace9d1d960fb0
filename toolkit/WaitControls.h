#pragma once
// What every wait panel carries beside its caption: the time the run has taken, counted each
// second, and a "取消" button that cancels the statement being waited for.

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

class QPushButton;

namespace tarnwick {

class ElapsedLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ElapsedLabel(QWidget* parent);
    void start();  // "00:00", counting from now
    void stop();

private:
    void showElapsed();

    QElapsedTimer m_clock;
    QTimer m_tick;
};

// A "取消" button whose clicks reach it during a wait and cancel the waited-for statement.
QPushButton* makeCancelButton(QWidget* parent);

}  // namespace tarnwick
