#pragma once
// Checks a window's controls against their design: found by control name, their caption or text,
// and their place in twips (the recording toolkit converts 15 twips to a pixel).

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <initializer_list>

struct ControlDesign {
    QString name;
    QString text;
    QRect twips;
};

inline void expectControls(const QWidget& window, std::initializer_list<ControlDesign> controls) {
    for (const ControlDesign& c : controls) {
        SCOPED_TRACE(c.name.toStdString());
        const auto* w = window.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr);
        QString text;
        if (const auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
        if (const auto* e = qobject_cast<const QLineEdit*>(w)) text = e->text();
        if (const auto* b = qobject_cast<const QPushButton*>(w)) text = b->text();
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(w->geometry(), QRect(c.twips.x() / 15, c.twips.y() / 15, c.twips.width() / 15,
                                       c.twips.height() / 15));
    }
}
