#include "cli/ConsoleOutput.h"

#include <QByteArray>

#include <unistd.h>

namespace tarnwick::cli {

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void writeLine(std::FILE* stream, const QString& text) {
    write(stream, text + u'\n');
}

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

}  // namespace tarnwick::cli
