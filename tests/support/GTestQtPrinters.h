#pragma once
// Lets GoogleTest print Qt values readably in failure messages (UTF-8 text instead of code units).
// Include it in a test file after <gtest/gtest.h>.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    // Control characters are shown escaped so that "\r" and "\r\n" differences are visible.
    *os << '"';
    for (const QChar c : text) {
        if (c == u'\r')
            *os << "\\r";
        else if (c == u'\n')
            *os << "\\n";
        else if (c == u'\t')
            *os << "\\t";
        else
            *os << QString(c).toStdString();
    }
    *os << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0) *os << ", ";
        PrintTo(list.at(i), os);
    }
    *os << '}';
}

inline void PrintTo(const QVariant& value, std::ostream* os) {
    if (value.isNull()) {
        *os << "NULL";
        return;
    }
    *os << value.typeName() << ' ';
    PrintTo(value.toString(), os);
}
