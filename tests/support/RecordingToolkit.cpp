#include "tests/support/RecordingToolkit.h"

#include "toolkit/EventLoopWait.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace tarnwick::test {

QString RecordingToolkit::MessageBoxCall::shownTitle() const {
    return title.isEmpty() ? applicationTitle() : title;
}

RecordingToolkit::RecordingToolkit() {
    setToolkit(this);
}

RecordingToolkit::~RecordingToolkit() {
    if (&toolkit() == this) setToolkit(nullptr);
}

void RecordingToolkit::setNextAnswer(int answer) {
    m_answers.push_back(answer);
}

void RecordingToolkit::setNextFileName(const QString& path) {
    m_fileNames.push_back(path);
}

void RecordingToolkit::clear() {
    messageBoxes.clear();
    fileDialogs.clear();
    deletedFiles.clear();
    checkedFiles.clear();
    processEventsCount = 0;
    endProgramCount = 0;
    m_answers.clear();
    m_fileNames.clear();
}

int RecordingToolkit::messageBox(const QString& text, int style, const QString& title) {
    messageBoxes.push_back({text, style, title});
    if (onMessageBox) onMessageBox(messageBoxes.back());
    // Without a preset answer the box is answered with its default button.
    if (m_answers.empty()) return style == vbYesNoWarningDefaultNo ? vbNo : vbOK;
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QString RecordingToolkit::openFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (m_fileNames.empty()) return {};
    QString path = m_fileNames.front();
    m_fileNames.pop_front();
    return path;
}

void RecordingToolkit::processEvents() {
    ++processEventsCount;
    if (onProcessEvents) onProcessEvents();
}

void RecordingToolkit::waitFor(PendingWork& work) {
    if (onWait) onWait(work);
    if (waitsInEventLoop)
        waitInEventLoop(work);
    else
        work.waitFinished();
}

bool RecordingToolkit::fileExists(const QString& path) const {
    checkedFiles << path;
    return QFileInfo::exists(path);
}

bool RecordingToolkit::deleteFile(const QString& path) {
    deletedFiles << path;
    return m_deleteSucceeds;
}

void RecordingToolkit::endProgram() {
    ++endProgramCount;
}

}  // namespace tarnwick::test
