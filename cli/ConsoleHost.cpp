#include "cli/ConsoleHost.h"

#include "cli/ConsoleOutput.h"

namespace tarnwick::cli {

ConsoleHost::ConsoleHost(std::FILE* out, std::FILE* err, bool echo)
    : m_out(out), m_err(err), m_echo(echo) {}

void ConsoleHost::ShowWaitPanel(const QString& text) {
    if (isTerminal(m_err)) writeLine(m_err, text);
}

void ConsoleHost::setResultText(const QString& text) {
    m_text = text;
    if (!m_echo) return;
    // The routines grow the text from empty, so what is new is written as it comes. A text that
    // does not continue what was written is written whole.
    const QString fresh = text.startsWith(m_written) ? text.mid(m_written.size()) : text;
    m_written = text;
    write(m_out, fresh);
}

void ConsoleHost::processEvents() {
    std::fflush(m_out);
}

}  // namespace tarnwick::cli
