#pragma once
// The server's own messages: numbers, severities and texts as SQL Server 7.0/2000 words them.

#include "sqlsim/engine/Tokens.h"

namespace sqlsim::msg {

Message make(int number, int severity, const QString& text, int state = 1);

Message syntaxNear(const QString& near, int line);            // 170
Message syntaxNearKeyword(const QString& keyword, int line);  // 156
Message unclosedQuote(const QString& rest, int line);         // 105
Message mustBeFirstInBatch(const QString& what, int line);    // 111
Message invalidObject(const QString& name);                   // 208
Message unknownDatabase(const QString& name);                 // 911
Message unknownDatabaseId(int dbid);                          // 2521 (DBCC)
Message dbccUnknownDatabase(const QString& name);             // 2520
Message singleUserInUse(const QString& name);                 // 924
Message changedDatabase(const QString& name);                 // 5701
Message changedLanguage(const QString& language);             // 5703
Message unknownSetOption(const QString& option, int line);    // 195
Message invalidDateFormat(const QString& order);              // 2741
Message unknownLanguage(const QString& name);                 // 15033
Message executeDenied(const QString& procedure);              // 229 (an object in master)
Message subdirsPathNotFound(const QString& pattern);          // 22006
Message loginFailed(const QString& user);                     // 18456
Message cannotOpenLoginDatabase(const QString& name);         // 4060
Message objectExists(const QString& name);                    // 2714
Message cannotDropTable(const QString& name);                 // 3701
Message cannotDropProcedure(const QString& name);             // 3701
Message procedureNotFound(const QString& name);               // 2812
Message truncated();                                          // 8152
Message statementTerminated();                                // 3621
Message columnCountMismatch();                                // 213
Message invalidColumn(const QString& name);                   // 207
Message invalidLength();                                      // 536
Message dbccCompleted();                                      // 2528
Message repairAction(int number, const QString& text);        // 7910-7918, 8945: what a repair did
Message errorRepaired();                                      // 8911
Message notRepaired(int number);                              // 8922, 8923 or 8924
Message databaseFixed(const QString& command, int allocation, int consistency,
                      const QString& database);  // 8912
Message tableFixed(const QString& command, int allocation, int consistency, const QString& table,
                   int objectId);  // 8949
// The allocation report of CHECKALLOC.
Message allocationRule();                                                                 // 7922
Message allocationTable(const QString& table, int objectId);                              // 7923
Message allocationIndexRoot(int indId, int file, int firstIam, int root, int dataPages);  // 7924
Message allocationIndexPages(int indId, int pages, int extents);                          // 7925
Message allocationTableExtents(int extents);                                              // 7927
Message allocationEntries(int entries, int dbid);                                         // 7920
Message allocationFile(int file, int extents, int usedPages, int reservedPages);          // 2538
Message allocationFileMixed(int file, int mixedExtents, int mixedPages);                  // 8915
Message allocationObject(int objectId, int indId, int extents, int pages,
                         int mixedPages);                                   // 8916, 8917
Message allocationTotal(int extents, int usedPages, int reservedPages);     // 2539
Message allocationTotalMixed(int mixedExtents, int mixedPages);             // 8918
Message usageRowUpdated(const QString& table, int indId);                   // 2541
Message indexRebuilt(int indId);                                            // 1918
Message usageCountChanged(const QString& counter, qint64 from, qint64 to);  // 2542-2545
Message logFilesInUse(int fileId, const QString& name);                     // 9008
Message dbccResultsFor(const QString& name);                                // 2536
Message rowsInPages(qint64 rows, int pages, const QString& table);          // 2593
Message checkFoundInTable(const QString& command, int consistency, const QString& table,
                          int objectId);  // 8990
Message checkFoundInDatabase(const QString& command, int allocation, int consistency,
                             const QString& database);  // 8989
// 8958 "(%ls %ls)"; checked: the database, or database.dbo.table for CHECKTABLE; the second place
// holds the repair option the statement asked for, blank for a check (later servers print
// "(db, repair_rebuild)" there).
Message minimumRepairLevel(const QString& level, const QString& command, const QString& checked,
                           const QString& requestedRepair);
Message nameCannotBeNull();                                    // 15004
Message repairNeedsSingleUser();                               // 7919
Message tableNotFound(const QString& name);                    // 2501
Message fileNotInSysfiles(const QString& name);                // 8985
Message badDbccSyntax();                                       // 2526
Message unknownDbcc(const QString& command);                   // 2526
Message databaseStateInUse(const QString& name);               // 5070
Message alterDatabaseFailed();                                 // 5069
Message singleUserDatabaseInUse(const QString& name);          // 5064
Message procCommandFailed(const QString& proc);                // 15627
Message cannotChangeOptionInUse(const QString& option);        // 15089 (7.0)
Message noSuchDatabaseForProc(const QString& name);            // 15010
Message databaseAlreadyExists(const QString& name);            // 1801
Message deviceActivation(const QString& path);                 // 5105
Message notPrimaryFile(const QString& path);                   // 5171
Message newLogFileCreated(const QString& path, int severity);  // 5182
Message cannotOpenNewDatabase(const QString& name);            // 1813
Message cannotOpenPhysicalFile(const QString& path);           // 5120
Message backupTerminated(const QString& what);                 // 3013
Message backupTerminated70();                                  // 3013 as 7.0 words it
Message parameterNotSupplied(const QString& proc, const QString& parameter);  // 201
Message notTrustedConnection();                                               // 18452
Message undeclaredVariable(const QString& name);                              // 137
Message divideByZero();                                                       // 8134
Message wrongArgumentCount(const QString& function, int count);               // 174
Message unknownFunction(const QString& name);                                 // 195
Message nestedTooDeeply();                                                    // 191
Message procedureNestingExceeded();                                           // 217
Message unknownDatabaseOption(const QString& option);                         // 15011
Message dbOptionUsage();                                                      // 15241
Message noTableToSelectFrom();                                                // 263
Message duplicateColumn(const QString& column, const QString& table);         // 2705
Message preparedStatementNotFound(int handle);                                // 8179
Message conversionFailed(const QString& value, const QString& type);          // 245

}  // namespace sqlsim::msg
