#include "sqlsim/engine/Lexer.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}

bool isWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c == u'@';
}

}  // namespace

bool isReservedWord(const QString& word) {
    static const QSet<QString> words = {
        u"add"_s,   u"all"_s,   u"alter"_s,  u"and"_s,      u"as"_s,   u"asc"_s,       u"backup"_s,
        u"begin"_s, u"by"_s,    u"create"_s, u"database"_s, u"dbcc"_s, u"default"_s,   u"delete"_s,
        u"desc"_s,  u"drop"_s,  u"else"_s,   u"end"_s,      u"exec"_s, u"execute"_s,   u"exists"_s,
        u"from"_s,  u"if"_s,    u"insert"_s, u"into"_s,     u"is"_s,   u"not"_s,       u"null"_s,
        u"on"_s,    u"or"_s,    u"order"_s,  u"print"_s,    u"proc"_s, u"procedure"_s, u"select"_s,
        u"set"_s,   u"table"_s, u"to"_s,     u"update"_s,   u"use"_s,  u"values"_s,    u"where"_s,
        u"with"_s,  u"file"_s,  u"load"_s,
    };
    return words.contains(word.toLower());
}

LexResult tokenize(const QString& text) {
    LexResult result;
    const int n = static_cast<int>(text.size());
    int i = 0;
    int line = 1;
    auto push = [&](SqlToken::Kind kind, int begin, int end, const QString& value,
                    bool national = false) {
        SqlToken t;
        t.kind = kind;
        t.begin = begin;
        t.end = end;
        t.raw = text.mid(begin, end - begin);
        t.text = value;
        t.national = national;
        t.line = line;
        result.tokens.push_back(t);
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\n') {
            ++line;
            ++i;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && text[i + 1] == u'-') {
            while (i < n && text[i] != u'\n') ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && text[i + 1] == u'*') {
            i += 2;
            while (i < n && !(text[i] == u'*' && i + 1 < n && text[i + 1] == u'/')) {
                if (text[i] == u'\n') ++line;
                ++i;
            }
            i = qMin(n, i + 2);
            continue;
        }
        const int begin = i;
        const bool national = (c == u'N' || c == u'n') && i + 1 < n && text[i + 1] == u'\'';
        // A quoted string, identifier or bracketed name: the closing character doubled stands for
        // itself. An unclosed one ends the text: the parser reports it with the rest of the batch.
        auto delimited = [&](QChar close, int openLength, SqlToken::Kind kind, bool isNational) {
            const int startLine = line;
            i += openLength;
            QString value;
            bool closed = false;
            while (i < n) {
                if (text[i] == close) {
                    if (i + 1 < n && text[i + 1] == close) {
                        value += close;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                if (text[i] == u'\n') ++line;
                value += text[i];
                ++i;
            }
            if (!closed) {
                result.unclosedQuote = true;
                result.unclosedRest = text.mid(begin + openLength);
                result.unclosedLine = startLine;
                return false;
            }
            const int saved = line;
            line = startLine;
            push(kind, begin, i, value, isNational);
            line = saved;
            return true;
        };
        if (c == u'\'' || national) {
            if (!delimited(QChar(u'\''), national ? 2 : 1, SqlToken::Kind::String, national)) break;
            continue;
        }
        if (c == u'"' || c == u'[') {
            const bool quoted = c == u'"';
            if (!delimited(quoted ? QChar(u'"') : QChar(u']'), 1,
                           quoted ? SqlToken::Kind::DoubleQuoted : SqlToken::Kind::Bracketed,
                           false))
                break;
            continue;
        }
        if (c.isDigit()) {
            while (i < n && (text[i].isDigit() || text[i] == u'.')) ++i;
            push(SqlToken::Kind::Number, begin, i, text.mid(begin, i - begin));
            continue;
        }
        if (c == u'@') {
            ++i;
            if (i < n && text[i] == u'@') ++i;
            while (i < n && isWordPart(text[i])) ++i;
            push(SqlToken::Kind::Variable, begin, i, text.mid(begin, i - begin));
            continue;
        }
        if (isWordStart(c)) {
            while (i < n && isWordPart(text[i])) ++i;
            push(SqlToken::Kind::Word, begin, i, text.mid(begin, i - begin));
            continue;
        }
        // Two-character operators, then any single character.
        static const QString pairs[] = {u"<>"_s, u">="_s, u"<="_s, u"!="_s};
        bool paired = false;
        for (const QString& p : pairs) {
            if (QStringView(text).mid(i, 2) == p) {
                i += 2;
                push(SqlToken::Kind::Symbol, begin, i, p);
                paired = true;
                break;
            }
        }
        if (paired) continue;
        ++i;
        push(SqlToken::Kind::Symbol, begin, i, QString(c));
    }
    SqlToken end;
    end.kind = SqlToken::Kind::End;
    end.begin = end.end = n;
    end.line = line;
    result.tokens.push_back(end);
    return result;
}

}  // namespace sqlsim
