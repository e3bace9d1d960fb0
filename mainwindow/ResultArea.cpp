#include "mainwindow/ResultArea.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// The characters that end a line of the document (CR LF counts as one line end).
bool endsLine(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
           c == QChar(0xFDD1);
}

}  // namespace

ResultArea::ResultArea(QWidget* parent) : QPlainTextEdit(parent) {
    // Read-only, so the shown text never drifts from the model; still selectable and copyable.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void ResultArea::noteLineEnds(QStringView part, int& block) {
    for (qsizetype i = 0; i < part.size(); ++i) {
        const QChar c = part.at(i);
        if (!endsLine(c)) continue;
        if (c == u'\r' && i + 1 < part.size() && part.at(i + 1) == u'\n') {
            m_otherLineEnds.append({block, u"\r\n"_s});
            ++i;
        } else if (c != u'\r') {
            m_otherLineEnds.append({block, QString(c)});
        }
        ++block;
    }
}

void ResultArea::setResultText(const QString& text) {
    m_otherLineEnds.clear();
    int block = 0;
    noteLineEnds(text, block);
    // The document breaks lines at the same characters and keeps everything else as it stands.
    setPlainText(text);
}

void ResultArea::setResultTextInPieces(const std::function<bool(QString& piece)>& nextPiece) {
    const QString before = resultText();
    setResultText(QString());
    QTextDocument* doc = document();
    const bool undoRedo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor end(doc);
    end.beginEditBlock();
    const auto finish = [&] {
        end.endEditBlock();
        doc->setUndoRedoEnabled(undoRedo);
    };
    try {
        int block = 0;
        QString piece;
        bool heldCarriageReturn = false;  // a piece's last CR may begin a CR LF with the next
        const auto insert = [&](QString& part) {
            noteLineEnds(part, block);
            end.insertText(part);
        };
        while (nextPiece(piece)) {
            if (heldCarriageReturn) piece.prepend(u'\r');
            heldCarriageReturn = piece.endsWith(u'\r');
            if (heldCarriageReturn) piece.chop(1);
            insert(piece);
        }
        if (heldCarriageReturn) {
            piece = u"\r"_s;
            insert(piece);
        }
    } catch (...) {
        finish();
        setResultText(before);
        throw;
    }
    finish();
    // Where setPlainText leaves it: at the start, the view at the top.
    setTextCursor(QTextCursor(doc));
}

QString ResultArea::resultText() const {
    const QTextDocument* doc = document();
    // The document's character count is the text's length less one per CR LF, plus one.
    QString text;
    text.reserve(doc->characterCount() + m_otherLineEnds.size());
    auto other = m_otherLineEnds.cbegin();
    int block = 0;
    for (QTextBlock line = doc->begin(); line.isValid(); line = line.next(), ++block) {
        text += line.text();
        if (!line.next().isValid()) break;
        if (other != m_otherLineEnds.cend() && other->block == block) {
            text += other->chars;
            ++other;
        } else {
            text += u'\r';
        }
    }
    return text;
}
