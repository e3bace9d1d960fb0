#pragma once
// The server-side steps of capturing one DBCC statement's messages, on the one server connection.
// None of them handles a failure: DbError reaches the caller.

#include "operations/CaptureStatements.h"
#include "operations/OperationHost.h"

namespace tarnwick::capture {

// The read-back hands the messages to the result area in pieces of this many characters or so.
inline constexpr qsizetype kReadBackPieceChars = 64 * 1024;

// Creates the capture procedure for the statement and runs it, filling the work table.
void runCaptureStatement(const CaptureStatement& statement, const QString& argument);
// Reads the captured messages back; when there are any they replace the host's result text,
// each message followed by a carriage return.
void readBack(OperationHost& host);
// Drops the work table and the procedure.
void cleanUp();

}  // namespace tarnwick::capture
