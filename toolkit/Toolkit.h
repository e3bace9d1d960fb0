#pragma once
// Every modal or environment-touching thing the windows and routines do goes through this seam:
// message boxes, file dialogs, the event pump, screen size, files, ending the program. The Qt
// implementation is toolkit/QtToolkit; tests install RecordingToolkit.

#include "toolkit/PendingWork.h"

#include <QSize>
#include <QString>
#include <QStringList>

namespace tarnwick {

class ServerFiles;

enum MessageBoxStyle {
    vbOKOnly = 0,
    vbCritical = 16,
    vbInformation = 64,
    vbOKCancelInformation = 65,  // vbOKCancel | vbInformation
    // Yes and No with the warning icon, No the default button: for a question whose "yes" cannot
    // be undone.
    vbYesNoWarningDefaultNo = 308,  // vbYesNo | vbExclamation | vbDefaultButton2
};
enum MessageBoxAnswer { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct FileDialogRequest {
    QString title;
    QString filter;       // "description|pattern[|description|pattern...]"
    int filterIndex = 1;  // from 1
    QString initialDir;
    int flags = 0;  // 4: hide the read-only box
    // Set: browse the server's disks instead of the local one (not owned).
    ServerFiles* serverFiles = nullptr;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    // title empty: the application title "Tarnwick". Returns vbOK or vbCancel, or vbYes or vbNo
    // for a Yes/No box.
    virtual int messageBox(const QString& text, int style = vbOKOnly,
                           const QString& title = {}) = 0;
    // The chosen path, or an empty text after a cancel.
    virtual QString openFileDialog(const FileDialogRequest& request) = 0;
    virtual void processEvents() = 0;
    // Returns once work, running on another thread, has finished. The windows keep painting and
    // their timers keep running meanwhile; user input is dropped, except what cancels the work.
    // This default only blocks.
    virtual void waitFor(PendingWork& work) { work.waitFinished(); }
    virtual QSize screenSizeTwips() const = 0;
    virtual int twipsToPixelsX(int twips) const = 0;
    virtual int twipsToPixelsY(int twips) const = 0;
    virtual QString programDirectory() const = 0;
    virtual bool fileExists(const QString& path) const = 0;
    virtual bool deleteFile(const QString& path) = 0;  // false on any failure
    // Ends the program at once; no close handler runs. The recording toolkit only notes the call,
    // so callers return right after it.
    virtual void endProgram() = 0;
};

QString applicationTitle();  // "Tarnwick"
Toolkit& toolkit();
void setToolkit(Toolkit* toolkit);  // not owned; nullptr restores the default

}  // namespace tarnwick
