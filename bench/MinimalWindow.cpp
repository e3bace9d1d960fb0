// The start-up baseline: the smallest Qt Widgets program that shows one window and ends once it is
// painted.

#include "bench/BenchSupport.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.showMaximized();
    tarnwick::bench::FirstPaintQuit quitAfterPaint(&window);
    return QApplication::exec();
}
