#pragma once
// The command line's stand-in for the main window. The result text goes to standard output as
// it grows, in UTF-8. The window keeps CR LF after the lines the program writes and a CR alone
// between the messages read back; on a terminal a CR alone is written as CR LF, so the messages do
// not overwrite each other, and elsewhere (a pipe, a file) every line ends with LF, as the tools
// that read it expect. Raw output is the window's text byte for byte. The wait-panel text goes to
// standard error, and only when that is a terminal, since a script or a mail has no use for it.

#include "operations/OperationHost.h"

#include <QString>

#include <cstdio>

namespace tarnwick::cli {

class ConsoleHost final : public OperationHost {
public:
    // echo: false keeps standard output free (the JSON report is written there instead).
    ConsoleHost(std::FILE* out, std::FILE* err, bool echo, bool raw);

    void ShowWaitPanel(const QString& text) override;
    void HideWaitPanel() override {}
    QString resultText() const override { return m_text; }
    void setResultText(const QString& text) override;
    void processEvents() override;
    void suggestSwitchOnConnection() override;

private:
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_echo;
    bool m_raw;
    bool m_terminal;
    QString m_text;
    QString m_written;  // what standard output has received
};

}  // namespace tarnwick::cli
