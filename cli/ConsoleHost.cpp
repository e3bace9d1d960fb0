#include "cli/ConsoleHost.h"

#include "cli/ConsoleOutput.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

ConsoleHost::ConsoleHost(std::FILE* out, std::FILE* err, bool echo, bool raw)
    : m_out(out), m_err(err), m_echo(echo), m_raw(raw), m_terminal(isTerminal(out)) {}

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
    // On a terminal a CR alone would return to the start of the line and each message would
    // overwrite the one before; there it ends the line. Elsewhere every line end becomes LF.
    static const QRegularExpression loneCarriageReturn(u"\r(?!\n)"_s);
    static const QRegularExpression anyLineEnd(u"\r\n?"_s);
    if (m_raw)
        write(m_out, fresh);
    else if (m_terminal)
        write(m_out, QString(fresh).replace(loneCarriageReturn, u"\r\n"_s));
    else
        write(m_out, QString(fresh).replace(anyLineEnd, u"\n"_s));
}

void ConsoleHost::suggestSwitchOnConnection() {
    writeLine(m_err,
              u"tarnwick-cli: the server refused the repair because the database is not in "
              "single-user mode; --switch-on-connection switches it on this connection"_s);
}

void ConsoleHost::processEvents() {
    std::fflush(m_out);
}

}  // namespace tarnwick::cli
