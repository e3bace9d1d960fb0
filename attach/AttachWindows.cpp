#include "attach/AttachWindows.h"

#include "attach/frmAttch7.h"
#include "attach/frmFile.h"

using namespace Qt::StringLiterals;

namespace attach {

AttachWindow attachWindowFor(const QString& serverVersion) {
    return serverVersion == u"Microsoft SQL Server  2000"_s ? AttachWindow::PrimaryFile
                                                            : AttachWindow::DataAndLogFiles;
}

void ShowAttachWindow(const QString& serverVersion) {
    if (attachWindowFor(serverVersion) == AttachWindow::PrimaryFile) {
        frmFile window;
        window.exec();
    } else {
        frmAttch7 window;
        window.exec();
    }
}

}  // namespace attach
