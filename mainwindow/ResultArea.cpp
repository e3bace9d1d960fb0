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
    // The document breaks lines at CR LF, a lone CR and LF alike, so it takes the model's text
    // itself: no display copy of a text that can run to megabytes.
    m_text = text;
    setPlainText(m_text);
}
