#pragma once
// The result area. Its model is the exact text the program wrote: CR alone between messages read
// back from the server, CR LF after lines written by the program. Both show as line breaks.

#include <QPlainTextEdit>

class ResultArea final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ResultArea(QWidget* parent = nullptr);

    const QString& resultText() const { return m_text; }
    void setResultText(const QString& text);

private:
    QString m_text;
};
