#pragma once
// Small helpers shared by the window tests.

#include "mainwindow/frmMain.h"
#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

// The widgets that take the focus, in the order Tab visits them, starting at first.
inline QStringList tabChain(QWidget* first, int steps) {
    QStringList names;
    QWidget* w = first;
    for (int i = 0; i < steps && w; ++i) {
        names << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (
            w && w != first &&
            !(w->focusPolicy() & Qt::TabFocus && w->isEnabled() && !w->objectName().isEmpty()));
    }
    return names;
}

// The texts of a combo box's items, in order.
inline QStringList comboItems(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// The main window's operation node of this key, or null.
inline QTreeWidgetItem* nodeOf(const frmMain& window, const QString& key) {
    for (int i = 0; i < window.TV_Ope->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = window.TV_Ope->topLevelItem(i);
        if (item->data(0, frmMain::kNodeKeyRole).toString() == key) return item;
    }
    return nullptr;
}

// Double-clicks the main window's node of this key as a user does: the first press selects it.
inline void doubleClickNode(frmMain& window, const QString& key) {
    QTreeWidgetItem* item = nodeOf(window, key);
    ASSERT_NE(item, nullptr) << key.toStdString();
    const QPoint at = window.TV_Ope->visualItemRect(item).center();
    QTest::mouseClick(window.TV_Ope->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.TV_Ope->viewport(), Qt::LeftButton, {}, at);
}
