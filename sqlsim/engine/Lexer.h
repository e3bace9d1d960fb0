#pragma once
// Splits Transact-SQL text into tokens: words, [bracketed] names, 'strings', N'strings',
// "double-quoted" texts, numbers, @variables and punctuation. Comments and blanks are skipped.

#include <QString>
#include <QVector>

namespace sqlsim {

struct SqlToken {
    enum class Kind { Word, Bracketed, String, DoubleQuoted, Number, Variable, Symbol, End };
    Kind kind = Kind::End;
    QString text;  // value: quotes removed and doubled quotes undone; words as written
    QString raw;   // as written in the batch
    int line = 1;
    int begin = 0;          // offset of the first character in the batch
    int end = 0;            // offset just past the token
    bool national = false;  // N'...'

    bool isWord(QStringView word) const {
        return kind == Kind::Word && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(QStringView symbol) const { return kind == Kind::Symbol && text == symbol; }
    // Names as SQL Server accepts them: plain words and [bracketed] names.
    bool isName() const { return kind == Kind::Word || kind == Kind::Bracketed; }
};

struct LexResult {
    QVector<SqlToken> tokens;  // always ends with an End token
    bool unclosedQuote = false;
    QString unclosedRest;  // the text after the opening quote of an unclosed string
    int unclosedLine = 1;
};

LexResult tokenize(const QString& text);

// Reserved words of Transact-SQL that the error texts call "the keyword".
bool isReservedWord(const QString& word);

}  // namespace sqlsim
