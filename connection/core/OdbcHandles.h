#pragma once
// The ODBC handles behind one OdbcConnection, shared with the statements run on it.

#include "connection/OdbcConnection.h"

#include <sql.h>

#include <mutex>

namespace tarnwick {

struct OdbcConnection::Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;  // allocated while open
    bool open = false;
    int commandTimeout = 30;      // seconds, applied to every statement; 0 = none
    int commandTimeoutLimit = 0;  // seconds, a test's shorter time-out; 0 = none

    int effectiveCommandTimeout() const {
        return commandTimeoutLimit > 0 ? commandTimeoutLimit : commandTimeout;
    }

    // The cancel of the call in progress. The worker runs the call; the waiting thread may only
    // cancel, which sends the driver's cancel for the statement that is running, if any.
    std::mutex cancelMutex;
    SQLHSTMT activeStatement = SQL_NULL_HSTMT;  // under cancelMutex
    bool cancelRequested = false;               // under cancelMutex; for the call in progress
};

}  // namespace tarnwick
