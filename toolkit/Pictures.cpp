#include "toolkit/Pictures.h"

#include <QString>

// The resource file is compiled into a static library: its initialiser must be referenced
// explicitly, from the global namespace, or the linker drops it.
static void initPictureResources() {
    Q_INIT_RESOURCE(resources);
}

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

QPixmap picture(const QString& name) {
    static const bool initialised = [] {
        initPictureResources();
        return true;
    }();
    (void)initialised;
    return QPixmap(u":/pictures/"_s + name);
}

}  // namespace

QIcon windowIcon() {
    QIcon icon;
    icon.addPixmap(picture(u"tarnwick-16.png"_s));
    icon.addPixmap(picture(u"tarnwick-32.png"_s));
    return icon;
}

QPixmap nodePicture(int index) {
    return picture(index == 2 ? u"node-2.png"_s : u"node-1.png"_s);
}

QPixmap waitPicture() {
    return picture(u"wait.png"_s);
}

QPixmap browsePicture() {
    return picture(u"browse.png"_s);
}

}  // namespace tarnwick
