#pragma once
// The command line's stand-in for the main window. The result text goes to standard output as
// it grows, byte for byte as the window keeps it (UTF-8; CR LF after lines the program writes, CR
// between messages read back), except that on a terminal a CR alone is written as CR LF; the
// wait-panel text goes to standard error, and only when that is a terminal, since a script or a
// mail has no use for it.

#include "operations/OperationHost.h"

#include <QString>

#include <cstdio>

namespace tarnwick::cli {

class ConsoleHost final : public OperationHost {
public:
    // echo: false keeps standard output free (the JSON report is written there instead).
    ConsoleHost(std::FILE* out, std::FILE* err, bool echo);

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
    bool m_terminal;
    QString m_text;
    QString m_written;  // what standard output has received
};

}  // namespace tarnwick::cli
