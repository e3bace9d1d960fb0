#pragma once
// Finds the widgets of a window that a user reaches (by the keyboard or in the menu bar) but that a
// screen reader could not name. A name is what Qt's accessibility interface reports (a button's
// caption), the widget's accessibleName, or the text of a label naming it (a buddy): on Linux a
// combo box reports the item it shows as its name, and the label only as a relation.
//
//   frmLogin w;
//   EXPECT_EQ(widgetsWithoutAccessibleName(&w), QStringList());

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QWidget>

namespace tarnwick::test {

inline QString accessibleNameOf(QWidget* widget) {
    if (!widget->accessibleName().trimmed().isEmpty()) return widget->accessibleName().trimmed();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (!face) return {};
    const QString name = face->text(QAccessible::Name).trimmed();
    if (!name.isEmpty()) return name;
    for (const auto& [label, relation] : face->relations(QAccessible::Label)) {
        if (!label->text(QAccessible::Name).trimmed().isEmpty())
            return label->text(QAccessible::Name).trimmed();
    }
    return {};
}

// A widget counts as reached when it takes the keyboard focus, is enabled and is not explicitly
// hidden (a window not yet shown still counts its children); menu-bar menus and their actions too.
inline bool isReachedByUser(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && !widget->isHidden();
}

// objectName (or class name) of each reached widget, menu or menu action without a name.
inline QStringList widgetsWithoutAccessibleName(QWidget* root) {
    QStringList missing;
    const auto describe = [](const QObject* object) {
        return object->objectName().isEmpty()
                   ? QString::fromLatin1(object->metaObject()->className())
                   : object->objectName();
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (isReachedByUser(widget) && accessibleNameOf(widget).isEmpty())
            missing << describe(widget);
    }
    for (QMenuBar* bar : root->findChildren<QMenuBar*>()) {
        for (QAction* action : bar->actions()) {
            if (action->isVisible() && action->text().remove(u'&').trimmed().isEmpty())
                missing << describe(action);
            if (QMenu* menu = action->menu()) {
                for (QAction* item : menu->actions()) {
                    if (!item->isSeparator() && item->isVisible() &&
                        item->text().remove(u'&').trimmed().isEmpty())
                        missing << describe(item);
                }
            }
        }
    }
    return missing;
}

}  // namespace tarnwick::test
