#include "cli/ConsoleToolkit.h"

#include "cli/ConsoleOutput.h"

#include <QCoreApplication>
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
