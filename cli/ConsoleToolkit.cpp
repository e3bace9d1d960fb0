#include "cli/ConsoleToolkit.h"

#include "cli/ConsoleOutput.h"
#include "cli/StopSignals.h"
#include "toolkit/ElapsedText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

ConsoleToolkit::ConsoleToolkit(std::FILE* err) : m_err(err) {}

int ConsoleToolkit::messageBox(const QString& text, int style, const QString& /*title*/) {
    // One line: the line ends inside a box's text become blanks.
    QString line = text;
    line.replace(u"\r\n"_s, u" "_s).replace(u'\r', u' ').replace(u'\n', u' ');
    writeLine(m_err, line);
    shownTexts << text;
    if ((style & vbCritical) == vbCritical) criticalShown = true;
    return style == vbOKCancelInformation ? vbCancel : vbOK;
}

void ConsoleToolkit::waitFor(PendingWork& work) {
    using namespace std::chrono_literals;
    const bool showTime = isTerminal(m_err);
    QElapsedTimer clock;
    clock.start();
    qint64 shownSecond = 0;
    while (!work.waitFinishedFor(50ms)) {
        // A run's clean-up is never cancelled: the cancel waits for the next statement.
        if (!cancelShielded() && takePendingCancel()) cancelWaitedWork();
        const qint64 second = clock.elapsed() / 1000;
        if (showTime && second > shownSecond) {
            shownSecond = second;
            write(m_err, u"\r"_s + elapsedText(clock.elapsed()));
        }
    }
    // The time goes again, so that what follows starts on a clean line.
    if (showTime && shownSecond > 0) write(m_err, u"\r        \r"_s);
}

QString ConsoleToolkit::openFileDialog(const FileDialogRequest& /*request*/) {
    return {};
}

QSize ConsoleToolkit::screenSizeTwips() const {
    return {1024 * 15, 768 * 15};
}

QString ConsoleToolkit::programDirectory() const {
    return QCoreApplication::applicationDirPath();
}

bool ConsoleToolkit::fileExists(const QString& path) const {
    return QFileInfo::exists(path);
}

bool ConsoleToolkit::deleteFile(const QString& path) {
    return QFile::remove(path);
}

}  // namespace tarnwick::cli
