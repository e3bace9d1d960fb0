#pragma once
// The texts the check and repair routines send: the work table and procedure that keep DBCC
// messages on the server, the read-back query, the clean-up and the single-user switch. Pure text
// builders, so every statement can be compared byte for byte without a server.
//
// Names and paths are placed into the statements unchanged: no brackets, no quoting, no escaping.

#include <QString>

namespace tarnwick::capture {

// The wait panel caption of every capture run.
QString waitText();

// PrepareResultCapture's three batches, in the order they are sent.
QString dropLeftoverTableStatement();
QString dropLeftoverProcStatement();
QString createResultTableStatement();

// One DBCC statement, as the procedure that inserts its tabular output into the work table.
struct CaptureStatement {
    QString insertFragment;   // "  insert into DBCCRESULT exec('dbcc ...(" — up to the argument
    QString closingFragment;  // closes the DBCC parenthesis, the string and the exec
    bool repairs = false;     // run inside the single-user switch
};
QString createCaptureProcStatement(const CaptureStatement& statement, const QString& argument);
QString execCaptureProcStatement();

QString readBackQuery();
QString dropResultTableStatement();
QString dropCaptureProcStatement();

// The single-user switch, made through osql under xp_cmdshell on the server's machine.
QString singleUserStatement(const QString& database, bool on);

// The result text after a failure: the current text, the label, the description and CR LF.
QString withFailureReport(const QString& currentText, const QString& description);

// The seven check and repair statements.
enum class CheckRoutine {
    CheckDatabase,
    CheckAllocation,
    CheckCatalog,
    UpdateUsage,
    CheckPhysicalOnly,
    RepairDatabase,
    RepairSystemTable,
};
const CaptureStatement& captureStatementOf(CheckRoutine routine);

}  // namespace tarnwick::capture
