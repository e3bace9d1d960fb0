#include "toolkit/QtToolkit.h"

#include "toolkit/EventLoopWait.h"
#include "toolkit/FileFilter.h"
#include "toolkit/ServerFileBrowser.h"
#include "toolkit/Twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

QScreen* mainScreen() {
    return QGuiApplication::primaryScreen();
}

double logicalDpiX() {
    QScreen* s = mainScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double logicalDpiY() {
    QScreen* s = mainScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

// The window a dialog belongs to: the modal window open now, else the active one.
QWidget* dialogOwner() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : QApplication::activeWindow();
}

}  // namespace

int QtToolkit::messageBox(const QString& text, int style, const QString& title) {
    QMessageBox box(dialogOwner());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    // Shown as written: a server message that looks like markup must not be rendered.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (style) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbInformation:
        case vbOKCancelInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case vbYesNoWarningDefaultNo:
            box.setIcon(QMessageBox::Warning);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    // A box shown while an operation runs points with the arrow, not the busy cursor.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int answer = vbOK;
    if (style == vbYesNoWarningDefaultNo) {
        QPushButton* yes = box.addButton(u"是"_s, QMessageBox::YesRole);
        QPushButton* no = box.addButton(u"否"_s, QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        answer = box.clickedButton() == yes ? vbYes : vbNo;
    } else {
        QPushButton* ok = box.addButton(u"确定"_s, QMessageBox::AcceptRole);
        QPushButton* cancel = nullptr;
        if (style == vbOKCancelInformation)
            cancel = box.addButton(u"取消"_s, QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel ? cancel : ok);
        box.exec();
        answer = box.clickedButton() == ok || cancel == nullptr ? vbOK : vbCancel;
    }
    if (busy) QApplication::restoreOverrideCursor();
    return answer;
}

QString QtToolkit::openFileDialog(const FileDialogRequest& request) {
    if (request.serverFiles) {
        ServerFileBrowser browser(*request.serverFiles, request, dialogOwner());
        return browser.exec() == QDialog::Accepted ? browser.chosenPath() : QString();
    }
    QFileDialog dialog(dialogOwner(), request.title, request.initialDir);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                              ? request.filterIndex - 1
                              : 0;
        dialog.selectNameFilter(filters.at(index));
    }
    // Flag 4 hides the read-only box; Qt's dialog never shows one, so there is nothing to do.
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

void QtToolkit::processEvents() {
    processEventsDroppingInput();
}

void QtToolkit::waitFor(PendingWork& work) {
    waitInEventLoop(work);
}

QSize QtToolkit::screenSizeTwips() const {
    QScreen* s = mainScreen();
    const QSize pixels = s ? s->geometry().size() : QSize(1024, 768);
    return {pixelsToTwips(pixels.width(), logicalDpiX()),
            pixelsToTwips(pixels.height(), logicalDpiY())};
}

int QtToolkit::twipsToPixelsX(int twips) const {
    return twipsToPixels(twips, logicalDpiX());
}

int QtToolkit::twipsToPixelsY(int twips) const {
    return twipsToPixels(twips, logicalDpiY());
}

QString QtToolkit::programDirectory() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

bool QtToolkit::fileExists(const QString& path) const {
    return QFileInfo(path).isFile();
}

bool QtToolkit::deleteFile(const QString& path) {
    QFile file(path);
    return file.exists() && file.remove();
}

void QtToolkit::endProgram() {
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace tarnwick
