#pragma once
// Finding and double-clicking the main window's operation nodes, as the window tests do.

#include "mainwindow/frmMain.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTest>
#include <QTreeWidget>

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
