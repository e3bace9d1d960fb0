#include "attach/AttachDialogKeys.h"

#include "toolkit/Pictures.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>

namespace attach {

void setUpBrowseButtons(const QList<QPushButton*>& browseButtons) {
    for (QPushButton* browse : browseButtons) {
        browse->setIcon(QIcon(tarnwick::browsePicture()));
        browse->setIconSize(QSize(16, 16));
    }
}

void setUpEnterKeys(const QList<QPushButton*>& buttons, QPushButton* ok) {
    for (QPushButton* button : buttons) button->setAutoDefault(true);
    ok->setDefault(true);
    ok->setEnabled(false);
}

bool takeEscape(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) return false;
    event->accept();
    return true;
}

}  // namespace attach
