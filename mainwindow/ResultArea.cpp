#include "mainwindow/ResultArea.h"

using namespace Qt::StringLiterals;

ResultArea::ResultArea(QWidget* parent) : QPlainTextEdit(parent) {
    // Read-only, so the shown text never drifts from the model; still selectable and copyable.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void ResultArea::setResultText(const QString& text) {
    m_text = text;
    setPlainText(displayText(text));
}

QString ResultArea::displayText(const QString& text) {
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    shown.replace(u'\r', u'\n');
    return shown;
}
