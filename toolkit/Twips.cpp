#include "toolkit/Twips.h"

#include "toolkit/Toolkit.h"

#include <QWidget>

#include <cmath>

namespace tarnwick {

int twipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

int pixelsToTwips(int pixels, double dpi) {
    if (dpi <= 0) return 0;
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi));
}

QRect twipsRect(int left, int top, int width, int height) {
    const Toolkit& tk = toolkit();
    return {tk.twipsToPixelsX(left), tk.twipsToPixelsY(top), tk.twipsToPixelsX(width),
            tk.twipsToPixelsY(height)};
}

void setTwipsGeometry(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

void moveTwips(QWidget* widget, int left, int top) {
    const Toolkit& tk = toolkit();
    widget->move(tk.twipsToPixelsX(left), tk.twipsToPixelsY(top));
}

}  // namespace tarnwick
