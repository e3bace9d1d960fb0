#pragma once
// What a result text says about the database: the messages it holds and the errors DBCC found.
// DBCC ends a check with a summary, "<CHECK> found <a> allocation errors and <c> consistency
// errors in database '<name>'." (per table too), and adds "<level> is the minimum repair level for
// the errors found by DBCC <CHECK> (<name>)." when there is something to repair.

#include <QString>
#include <QStringList>

namespace tarnwick::cli {

// The messages of a result text: split at CR LF and at a CR alone; a final line end ends the
// last message rather than starting an empty one.
QStringList resultMessages(const QString& resultText);

struct DbccFindings {
    int allocationErrors = 0;
    int consistencyErrors = 0;
    bool repairLevelReported = false;
    bool any() const {
        return allocationErrors > 0 || consistencyErrors > 0 || repairLevelReported;
    }
};

// The database summaries' counts; a text with table summaries only (a table check) adds those.
DbccFindings dbccFindings(const QStringList& messages);

}  // namespace tarnwick::cli
