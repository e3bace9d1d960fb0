#pragma once
// Every ODBC call of a connection runs here: on one worker thread, while the calling thread waits
// through the toolkit (a window keeps painting and drops user input meanwhile). A cancel asked
// for during the wait sends the driver's cancel for the running statement; a statement that has
// not yet been sent is not sent. The handles are used by one thread at a time, the cancel aside.

#include "connection/DbError.h"
#include "connection/core/OdbcHandles.h"

#include <functional>

namespace tarnwick {

// Runs call on the worker and returns when it has finished, raising what it raised. Called from
// the worker itself, the call runs at once.
void runOffThread(OdbcConnection::Handles& handles, const std::function<void()>& call);

// The failure of a statement cancelled before it was sent: what the driver reports for one
// cancelled while it runs.
DbError cancelledError();

// For OdbcStatement: the statement that a cancel reaches while it is registered.
class ActiveStatement {
public:
    // False when a cancel was asked for before the statement could be sent.
    static bool enter(OdbcConnection::Handles& handles, SQLHSTMT statement);
    static void leave(OdbcConnection::Handles& handles, SQLHSTMT statement);
};

}  // namespace tarnwick
