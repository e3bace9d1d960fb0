#pragma once
// Small helpers shared by the window tests.

#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <QStringList>
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
