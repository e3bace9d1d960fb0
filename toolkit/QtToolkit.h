#pragma once
// The real toolkit: message boxes, the file-open dialog, the event pump, screen metrics and files
// on Qt Widgets.

#include "toolkit/Toolkit.h"

namespace tarnwick {

class QtToolkit final : public Toolkit {
public:
    int messageBox(const QString& text, int style = vbOKOnly, const QString& title = {}) override;
    QString openFileDialog(const FileDialogRequest& request) override;
    // Painting, timers and the like run here; user input is dropped (Esc cancels a wait), so an
    // operation in progress is never re-entered by a click or a key press, nor is one replayed
    // once it ends.
    void processEvents() override;
    void waitFor(PendingWork& work) override;
    QSize screenSizeTwips() const override;
    int twipsToPixelsX(int twips) const override;
    int twipsToPixelsY(int twips) const override;
    QString programDirectory() const override;
    bool fileExists(const QString& path) const override;
    bool deleteFile(const QString& path) override;
    [[noreturn]] void endProgram() override;
};

}  // namespace tarnwick
