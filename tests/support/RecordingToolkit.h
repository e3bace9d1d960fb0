#pragma once
// A toolkit for tests: records every call and answers prompts from preset answers, so no test ever
// waits on a window.
//
//   tarnwick::test::RecordingToolkit toolkit;   // installs itself; the destructor uninstalls it
//   toolkit.setNextAnswer(tarnwick::vbCancel);  // the next message box answers Cancel
//   ... run the code under test ...
//   ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
//   EXPECT_EQ(toolkit.messageBoxes[0].text, u"...");
//
// Preset answers are used in order, one per prompt; with none left a message box answers with its
// default button (vbOK, or vbNo for a Yes/No box whose default is No) and a file dialog answers ""
// (a cancel). Files are never deleted: deleteFile() only records the path.

#include "toolkit/Toolkit.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace tarnwick::test {

class RecordingToolkit : public Toolkit {
public:
    struct MessageBoxCall {
        QString text;
        int style = 0;
        QString title;  // as passed: empty when the caller left it to the application title
        QString shownTitle() const;  // what the user sees: the title or "Tarnwick"
    };

    RecordingToolkit();            // installs itself with setToolkit()
    ~RecordingToolkit() override;  // restores the default toolkit
    RecordingToolkit(const RecordingToolkit&) = delete;
    RecordingToolkit& operator=(const RecordingToolkit&) = delete;

    // Preset answers, used first in first out.
    void setNextAnswer(int answer);
    void setNextFileName(const QString& path);

    // Environment the code under test sees.
    void setScreenSizeTwips(QSize size) { m_screenSize = size; }
    void setProgramDirectory(const QString& directory) { m_programDirectory = directory; }
    void setDeleteResult(bool succeeds) { m_deleteSucceeds = succeeds; }

    // Run inside the corresponding call, after it was recorded (e.g. to look at a window while a
    // wait panel is shown, or while a message box would be open).
    std::function<void()> onProcessEvents;
    std::function<void(const MessageBoxCall&)> onMessageBox;
    // Run at the start of each wait for a statement (e.g. to cancel it); then the wait blocks, or,
    // with waitsInEventLoop, runs the windows' event loop as the program does.
    std::function<void(PendingWork&)> onWait;
    bool waitsInEventLoop = false;

    // What happened, in order.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<FileDialogRequest> fileDialogs;
    QStringList deletedFiles;
    mutable QStringList checkedFiles;  // paths passed to fileExists()
    int processEventsCount = 0;
    int endProgramCount = 0;

    void clear();  // forgets what was recorded and the unused preset answers

    // Toolkit
    int messageBox(const QString& text, int style = vbOKOnly, const QString& title = {}) override;
    QString openFileDialog(const FileDialogRequest& request) override;
    void processEvents() override;
    void waitFor(PendingWork& work) override;
    QSize screenSizeTwips() const override { return m_screenSize; }
    int twipsToPixelsX(int twips) const override { return twips / 15; }
    int twipsToPixelsY(int twips) const override { return twips / 15; }
    QString programDirectory() const override { return m_programDirectory; }
    bool fileExists(const QString& path) const override;
    bool deleteFile(const QString& path) override;
    void endProgram() override;

private:
    std::deque<int> m_answers;
    std::deque<QString> m_fileNames;
    QSize m_screenSize{1024 * 15, 768 * 15};
    QString m_programDirectory = QStringLiteral("C:\\Program Files\\Tarnwick");
    bool m_deleteSucceeds = true;
};

}  // namespace tarnwick::test
