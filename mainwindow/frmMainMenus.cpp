#include "frmMain.h"

#include "DbError.h"
#include "Toolkit.h"

#include <exception>

using namespace Qt::StringLiterals;

void frmMain::mnuReConn_Click() {
    // After a login window that was closed without logging in, the connection is already
    // closed: there is nothing to close, and that is no reason to stop the user reconnecting.
    try {
        m_services.closeConnection();
    } catch (const tarnwick::DbError&) {
    } catch (const std::exception&) {
    }
    // The list, the tree and the caption stay as start-up left them. Closing the login window
    // without logging in leaves the connection closed; operations then report the driver's
    // failure until the next reconnect.
    m_services.login(this);
}

void frmMain::mnuExit_Click() {
    tarnwick::toolkit().deleteFile(u"c:\\Result.txt"_s);  // every failure is ignored
    tarnwick::toolkit().endProgram();
}
