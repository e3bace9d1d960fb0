#include "connection/login/ModSelServer.h"

#include "connection/login/ServerPickerDialog.h"

#ifdef _WIN32
#include <QWidget>

#include <shlobj.h>
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace ModSelServer {

namespace {

ServerPicker& installedPicker() {
    static ServerPicker picker;
    return picker;
}

#ifdef _WIN32
// The shell's own computer picker, rooted at the network neighbourhood when the shell can
// deliver that folder and at the desktop otherwise.
QString browseWithShell(QWidget* owner) {
    HWND hwndOwner = owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr;
    LPITEMIDLIST root = nullptr;
    if (SHGetSpecialFolderLocation(hwndOwner, CSIDL_NETWORK, &root) != 0) root = nullptr;

    char displayName[MAX_PATH] = {};
    const QByteArray title = u"请选取数据库服务器计算机名："_s.toLocal8Bit();
    BROWSEINFOA info = {};
    info.hwndOwner = hwndOwner;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.constData();
    info.ulFlags = BIF_BROWSEFORCOMPUTER;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;

    QString result;
    if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
        CoTaskMemFree(chosen);
        // The name ends at the first NUL of the buffer.
        result = QString::fromLocal8Bit(static_cast<const char*>(displayName));
    }
    if (root) CoTaskMemFree(root);
    return result;
}
#endif

}  // namespace

void setServerPicker(ServerPicker picker) {
    installedPicker() = std::move(picker);
}

QString BrowseForServer(QWidget* owner) {
    if (const ServerPicker& picker = installedPicker()) return picker(owner, serverCandidates());
#ifdef _WIN32
    return browseWithShell(owner);
#else
    return ServerPickerDialog::pick(owner, serverCandidates());
#endif
}

}  // namespace ModSelServer
