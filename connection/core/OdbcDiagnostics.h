#pragma once
// Diagnostic records of an ODBC handle and the one description a DbError carries.

#include "connection/DbError.h"

#include <QString>

#include <sql.h>

#include <vector>

namespace tarnwick {

struct DiagnosticRecord {
    QString sqlState;
    int nativeError = 0;
    QString message;  // as the driver wrote it, "[FreeTDS][SQL Server]" prefixes included

    bool isWarning() const { return sqlState.startsWith(u"01"); }
};

std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// "[FreeTDS][SQL Server]Login failed for user 'sa'." -> "Login failed for user 'sa'."
QString stripDriverPrefixes(const QString& message);

// The record a failed statement reports: the first error that came from the server (native number
// set), else the first error, else the first record. nullptr when there are none.
const DiagnosticRecord* statementErrorRecord(const std::vector<DiagnosticRecord>& records);

// The record a failed login reports: the first one with a native number (the server's login
// failure, or the network library's "Unknown host machine name." that comes as a warning), else the
// first.
const DiagnosticRecord* connectErrorRecord(const std::vector<DiagnosticRecord>& records);

// Whether a failed login looks like a SQL Server 7.0 that closed the connection without a word on
// receiving the pre-login packet a 7.1 login starts with: the network library reports that reading
// failed or ended early (20004, 20017), perhaps with its generic 20002, and nothing else with a
// number. A wrong password (the server's 18456), an unknown host (20013) or a refused connection
// (20009) do not look like this.
bool serverClosedBeforeLogin(const std::vector<DiagnosticRecord>& records);

DbError toDbError(const DiagnosticRecord* record, const QString& fallback);

}  // namespace tarnwick
