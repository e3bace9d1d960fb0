#pragma once
// The result area. Its model is the exact text the program wrote: CR alone between messages read
// back from the server, CR LF after lines written by the program. Both show as line breaks.
//
// The text is kept once, in the document: besides it only the line ends that are not a lone CR are
// remembered, so a text of many megabytes is not held twice.

#include <QList>
#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

#include <functional>

class ResultArea final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ResultArea(QWidget* parent = nullptr);

    // The text as last set, rebuilt from the document's lines and the remembered line ends.
    QString resultText() const;
    void setResultText(const QString& text);
    // The same as setResultText with the pieces joined; a failure while they come (nextPiece
    // raising) leaves the text as it was.
    void setResultTextInPieces(const std::function<bool(QString& piece)>& nextPiece);

private:
    // Notes the line ends of a part of the text; block is the line the part starts in.
    void noteLineEnds(QStringView part, int& block);

    struct LineEnd {
        int block;      // the line it ends
        QString chars;  // as written
    };
    QList<LineEnd> m_otherLineEnds;  // every line end but a lone CR, in order
};
