#pragma once
// The toolkit of the command line: a message box becomes one line on standard error and is kept
// for the report; nothing ever waits for an answer. A question (OK and Cancel) is answered Cancel,
// so nothing runs that no one confirmed; a file dialog is answered as cancelled. While a statement
// runs it watches for a stop signal (which cancels the statement) and, on a terminal, shows the
// time the statement has taken on standard error.

#include "toolkit/Toolkit.h"

#include <QStringList>

#include <cstdio>

namespace tarnwick::cli {

class ConsoleToolkit final : public Toolkit {
public:
    explicit ConsoleToolkit(std::FILE* err);

    QStringList shownTexts;      // every box's text, in order
    bool criticalShown = false;  // a box with the critical icon: a failure was reported

    int messageBox(const QString& text, int style, const QString& title) override;
    QString openFileDialog(const FileDialogRequest& request) override;
    void processEvents() override {}
    void waitFor(PendingWork& work) override;
    QSize screenSizeTwips() const override;
    int twipsToPixelsX(int twips) const override { return twips / 15; }
    int twipsToPixelsY(int twips) const override { return twips / 15; }
    QString programDirectory() const override;
    bool fileExists(const QString& path) const override;
    bool deleteFile(const QString& path) override;
    void endProgram() override {}

private:
    std::FILE* m_err;
};

}  // namespace tarnwick::cli
