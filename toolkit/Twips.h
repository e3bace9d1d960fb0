#pragma once
// Window layouts are designed in twips (1440 per inch) and placed in pixels at the screen's
// logical DPI, so they scale on high-DPI screens.

#include <QRect>

class QWidget;

namespace tarnwick {

inline constexpr int kTwipsPerInch = 1440;

int twipsToPixels(int twips, double dpi);
int pixelsToTwips(int pixels, double dpi);

// Through the installed toolkit's conversion.
QRect twipsRect(int left, int top, int width, int height);
void setTwipsGeometry(QWidget* widget, int left, int top, int width, int height);
void moveTwips(QWidget* widget, int left, int top);

}  // namespace tarnwick
