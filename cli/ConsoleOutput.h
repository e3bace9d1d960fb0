#pragma once
// Writing texts to the standard streams as UTF-8, flushed at once so progress shows as it comes.

#include <QString>

#include <cstdio>

namespace tarnwick::cli {

void write(std::FILE* stream, const QString& text);
void writeLine(std::FILE* stream, const QString& text);  // text and a line feed
bool isTerminal(std::FILE* stream);

}  // namespace tarnwick::cli
