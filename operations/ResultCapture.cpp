#include "operations/ResultCapture.h"

#include "connection/ModMain.h"
#include "connection/RecordSet.h"
#include "operations/Operations.h"

using namespace Qt::StringLiterals;

namespace tarnwick::capture {

void runCaptureStatement(const CaptureStatement& statement, const QString& argument) {
    OdbcConnection& connection = ModMain::serverConnection().Connection;
    connection.execute(createCaptureProcStatement(statement, argument));
    connection.execute(execCaptureProcStatement());
}

void readBack(OperationHost& host) {
    // Read row by row into the result area: the messages can run to megabytes, and neither their
    // rows nor their whole text is held on the way.
    RecordSet messages;
    messages.open(readBackQuery(), ModMain::serverConnection().Connection, RecordSet::adOpenStatic,
                  RecordSet::adLockOptimistic, RecordSet::Reading::AsUsed);
    if (messages.eof() && messages.bof()) return;
    const QString cr = u"\r"_s;
    host.setResultTextInPieces([&](QString& piece) {
        return messages.getStringPiece(piece, cr, cr, QString(), kReadBackPieceChars);
    });
}

void cleanUp() {
    OdbcConnection& connection = ModMain::serverConnection().Connection;
    connection.execute(dropResultTableStatement());
    connection.execute(dropCaptureProcStatement());
}

}  // namespace tarnwick::capture

namespace ModMain {

void PrepareResultCapture() {
    tarnwick::OdbcConnection& connection = serverConnection().Connection;
    connection.execute(tarnwick::capture::dropLeftoverTableStatement());
    connection.execute(tarnwick::capture::dropLeftoverProcStatement());
    connection.execute(tarnwick::capture::createResultTableStatement());
}

void SetSingleUser(const QString& database, bool on) {
    serverConnection().Connection.execute(tarnwick::capture::singleUserStatement(database, on));
}

}  // namespace ModMain
