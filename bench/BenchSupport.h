#pragma once
// Small helpers shared by the benchmark programs: memory figures from /proc and a wait for the
// first paint of a window.

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWidget>

#include <cstdio>

namespace tarnwick::bench {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it cannot be read.
inline long procStatusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Quits the application once a widget of the given window has been painted and the event loop
// is idle again, so the whole first frame is on the backing store.
class FirstPaintQuit final : public QObject {
public:
    explicit FirstPaintQuit(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window) {
            m_seen = true;
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_seen = false;
};

// One "key value" line on standard output, read by bench/run.
inline void report(const char* key, double value) {
    std::printf("%s %.6f\n", key, value);
    std::fflush(stdout);
}

}  // namespace tarnwick::bench
