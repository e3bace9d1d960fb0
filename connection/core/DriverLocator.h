#pragma once
// Finds the ODBC driver for SQL Server without any configuration by the user.

#include <QString>
#include <QStringList>

#include <sql.h>

namespace tarnwick {

// The value for DRIVER=: on Windows the system's "SQL Server" driver; elsewhere a registered
// FreeTDS driver (by its registered name), else the FreeTDS library found on disk (by path). Empty
// when there is none.
QString locateSqlServerDriver(SQLHENV environment);

// Where the FreeTDS ODBC library is installed on the usual systems, most likely first.
QStringList freeTdsLibraryCandidates();

}  // namespace tarnwick
