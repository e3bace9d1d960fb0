#pragma once
// The repairs' single-user switch in both of its ways, and the switch back that every way out of
// a repair runs. Through the server's shell (the default) the switch is osql under xp_cmdshell,
// whose outcome is never seen. On the connection it is sp_dboption from master: a refusal is
// raised, and after the switch back the server is asked whether the database is still
// single-user.

#include "operations/OperationHost.h"

#include <QString>
#include <QStringList>

namespace tarnwick::singleuser {

// The statements of the switch on the connection; the name is sent as a Unicode literal with its
// quotes doubled, so any name works.
QString dbOptionStatement(const QString& database, bool on);
QString isSingleUserQuery(const QString& database);
// The result's last line when the database is still single-user after the switch back: says so
// and how to undo it; ends with CR LF.
QString stillSingleUserLine(const QString& database);

// The server's message number for a repair refused outside single-user mode.
inline constexpr int kRepairNeedsSingleUser = 7919;

// Switches the database into single-user mode the host's way. On the connection the connection
// first moves to master. Raises DbError.
void switchOn(const OperationHost& host, const QString& database);

struct SwitchBack {
    QStringList failures;  // the description of each step that failed, in order
    QString closingLine;   // stillSingleUserLine when the server says the database still is
};

// The switch out of single-user mode, the host's way; never raises. On the connection: to master
// first (unless moveToMaster is false because the caller has just moved there), then the switch
// off, then the server's word on the option, which goes to host.stillSingleUser. Each step is
// tried whatever became of the one before.
SwitchBack switchBack(OperationHost& host, const QString& database, bool moveToMaster);

// The result text of a run: a failure report for each earlier failure and each failure of the
// switch back, in order, then the closing line.
QString withReports(QString text, const QStringList& failures, const SwitchBack& back);

}  // namespace tarnwick::singleuser
