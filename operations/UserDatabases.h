#pragma once
// The user databases of the connected server (id above 6), in the server's order of their names.

#include <QStringList>

namespace ModMain {

// Raises tarnwick::DbError when the query fails.
QStringList UserDatabases();

}  // namespace ModMain
