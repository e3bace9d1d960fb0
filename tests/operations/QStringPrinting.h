#pragma once
// Lets GoogleTest print QString values in failure messages (found by argument-dependent lookup).

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
