#pragma once
// The program's own pictures, compiled in from resources/.

#include <QIcon>
#include <QPixmap>

namespace tarnwick {

QIcon windowIcon();
QPixmap nodePicture(int index);  // the tree's image list: index 1 or 2
QPixmap waitPicture();           // the wait panel's picture
QPixmap browsePicture();         // the 16 x 16 picture of the server browse button

}  // namespace tarnwick
