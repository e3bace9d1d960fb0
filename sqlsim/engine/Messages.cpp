#include "sqlsim/engine/Messages.h"

namespace sqlsim::msg {

namespace {

QString q(const QString& s) {
    return QStringLiteral("'") + s + QStringLiteral("'");
}

}  // namespace

Message make(int number, int severity, const QString& text, int state) {
    Message m;
    m.number = number;
    m.severity = severity;
    m.state = state;
    m.text = text;
    return m;
}

Message syntaxNear(const QString& near, int line) {
    Message m = make(170, 15, QStringLiteral("Line %1: Incorrect syntax near ").arg(line) + q(near) + u'.');
    m.line = line;
    return m;
}

Message syntaxNearKeyword(const QString& keyword, int line) {
    Message m = make(156, 15, QStringLiteral("Incorrect syntax near the keyword ") + q(keyword) + u'.');
    m.line = line;
    return m;
}

Message unclosedQuote(const QString& rest, int line) {
    Message m = make(105, 15, QStringLiteral("Unclosed quotation mark before the character string ") + q(rest) + u'.');
    m.line = line;
    return m;
}

Message mustBeFirstInBatch(const QString& what, int line) {
    Message m = make(111, 15, q(what) + QStringLiteral(" must be the first statement in a query batch."));
    m.line = line;
    return m;
}

Message invalidObject(const QString& name) {
    return make(208, 16, QStringLiteral("Invalid object name ") + q(name) + u'.');
}

Message unknownDatabase(const QString& name) {
    return make(911, 16,
                QStringLiteral("Could not locate entry in sysdatabases for database ") + q(name) +
                    QStringLiteral(". No entry found with that name. Make sure that the name is entered correctly."));
}

Message unknownDatabaseId(int dbid) {
    return make(2521, 16, QStringLiteral("Could not find database ID %1. Check sysdatabases.").arg(dbid));
}

Message dbccUnknownDatabase(const QString& name) {
    return make(2520, 16, QStringLiteral("Could not find database ") + q(name) + QStringLiteral(". Check sysdatabases."));
}

Message singleUserInUse(const QString& name) {
    return make(924, 14,
                QStringLiteral("Database ") + q(name) +
                    QStringLiteral(" is already open and can only have one user at a time."));
}

Message changedDatabase(const QString& name) {
    return make(5701, 0, QStringLiteral("Changed database context to ") + q(name) + u'.');
}

Message changedLanguage() {
    return make(5703, 0, QStringLiteral("Changed language setting to us_english."));
}

Message loginFailed(const QString& user) {
    return make(18456, 14, QStringLiteral("Login failed for user ") + q(user) + u'.');
}

Message cannotOpenLoginDatabase(const QString& name) {
    return make(4060, 11, QStringLiteral("Cannot open database requested in login ") + q(name) +
                              QStringLiteral(". Login fails."));
}

Message objectExists(const QString& name) {
    return make(2714, 16, QStringLiteral("There is already an object named ") + q(name) +
                              QStringLiteral(" in the database."));
}

Message cannotDropTable(const QString& name) {
    return make(3701, 11, QStringLiteral("Cannot drop the table ") + q(name) +
                              QStringLiteral(", because it does not exist in the system catalog."));
}

Message cannotDropProcedure(const QString& name) {
    return make(3701, 11, QStringLiteral("Cannot drop the procedure ") + q(name) +
                              QStringLiteral(", because it does not exist in the system catalog."));
}

Message procedureNotFound(const QString& name) {
    return make(2812, 16, QStringLiteral("Could not find stored procedure ") + q(name) + u'.', 62);
}

Message truncated() {
    return make(8152, 16, QStringLiteral("String or binary data would be truncated."), 9);
}

Message statementTerminated() {
    return make(3621, 0, QStringLiteral("The statement has been terminated."));
}

Message columnCountMismatch() {
    return make(213, 16, QStringLiteral("Insert Error: Column name or number of supplied values does not match table "
                                        "definition."),
                4);
}

Message invalidColumn(const QString& name) {
    return make(207, 16, QStringLiteral("Invalid column name ") + q(name) + u'.', 3);
}

Message invalidLength() {
    return make(536, 16, QStringLiteral("Invalid length parameter passed to the substring function."), 3);
}

Message dbccCompleted() {
    return make(2528, 10,
                QStringLiteral("DBCC execution completed. If DBCC printed error messages, contact your system "
                               "administrator."));
}

Message repairAction(int number, const QString& text) {
    // 8945 announces an index rebuild at severity 16; the "Repair: ..." lines are informational.
    return make(number, number == 8945 ? 16 : 10, text);
}

Message errorRepaired() {
    return make(8911, 10, QStringLiteral("        The error has been repaired."));
}

Message notRepaired(int number) {
    switch (number) {
    case 8923:
        return make(8923, 10, QStringLiteral("        The repair level on the DBCC statement caused this repair to be "
                                             "bypassed."));
    case 8924:
        return make(8924, 10, QStringLiteral("        Repairing this error requires other errors to be corrected first."));
    default:
        return make(8922, 10, QStringLiteral("        Could not repair this error."));
    }
}

Message databaseFixed(const QString& command, int allocation, int consistency, const QString& database) {
    return make(8912, 10, command + QStringLiteral(" fixed %1 allocation errors and %2 consistency errors in database ")
                                        .arg(allocation)
                                        .arg(consistency) +
                              q(database) + u'.');
}

Message tableFixed(const QString& command, int allocation, int consistency, const QString& table, int objectId) {
    return make(8949, 10, command + QStringLiteral(" fixed %1 allocation errors and %2 consistency errors in table ")
                                        .arg(allocation)
                                        .arg(consistency) +
                              q(table) + QStringLiteral(" (object ID %1).").arg(objectId));
}

Message allocationRule() {
    return make(7922, 10, QString(63, u'*'));
}

Message allocationTable(const QString& table, int objectId) {
    return make(7923, 10, QStringLiteral("Table ") + table + QStringLiteral("                Object ID %1.").arg(objectId));
}

Message allocationIndexRoot(int indId, int file, int firstIam, int root, int dataPages) {
    return make(7924, 10, QStringLiteral("Index ID %1. FirstIAM (%2:%3). Root (%2:%4). Dpages %5.")
                              .arg(indId)
                              .arg(file)
                              .arg(firstIam)
                              .arg(root)
                              .arg(dataPages));
}

Message allocationIndexPages(int indId, int pages, int extents) {
    return make(7925, 10,
                QStringLiteral("Index ID %1. %2 pages used in %3 dedicated extents.").arg(indId).arg(pages).arg(extents));
}

Message allocationTableExtents(int extents) {
    return make(7927, 10, QStringLiteral("Total number of extents is %1.").arg(extents));
}

Message allocationEntries(int entries, int dbid) {
    return make(7920, 10, QStringLiteral("Processed %1 entries in sysindexes for database ID %2.").arg(entries).arg(dbid));
}

Message allocationFile(int file, int extents, int usedPages, int reservedPages) {
    return make(2538, 10, QStringLiteral("File %1. Number of extents = %2, used pages = %3, reserved pages = %4.")
                              .arg(file)
                              .arg(extents)
                              .arg(usedPages)
                              .arg(reservedPages));
}

Message allocationFileMixed(int file, int mixedExtents, int mixedPages) {
    return make(8915, 10, QStringLiteral("           File %1 (number of mixed extents = %2, mixed pages = %3).")
                              .arg(file)
                              .arg(mixedExtents)
                              .arg(mixedPages));
}

Message allocationObject(int objectId, int indId, int extents, int pages, int mixedPages) {
    // A heap's pages are data pages; any other index's are index pages.
    return make(indId == 0 ? 8916 : 8917, 10,
                QStringLiteral("    Object ID %1, Index ID %2, %3 extents %4, pages %5, mixed extent pages %6.")
                    .arg(objectId)
                    .arg(indId)
                    .arg(indId == 0 ? QStringLiteral("data") : QStringLiteral("index"))
                    .arg(extents)
                    .arg(pages)
                    .arg(mixedPages));
}

Message allocationTotal(int extents, int usedPages, int reservedPages) {
    return make(2539, 10,
                QStringLiteral("Total number of extents = %1, used pages = %2, reserved pages = %3 in this database.")
                    .arg(extents)
                    .arg(usedPages)
                    .arg(reservedPages));
}

Message allocationTotalMixed(int mixedExtents, int mixedPages) {
    return make(8918, 10, QStringLiteral("       (number of mixed extents = %1, mixed pages = %2) in this database.")
                              .arg(mixedExtents)
                              .arg(mixedPages));
}

Message usageRowUpdated(const QString& table, int indId) {
    return make(2541, 10, QStringLiteral("DBCC UPDATEUSAGE: sysindexes row updated for table ") + q(table) +
                              QStringLiteral(" (index ID %1):").arg(indId));
}

Message usageCountChanged(const QString& counter, qint64 from, qint64 to) {
    if (counter == u"ROWS")
        return make(2545, 10, QStringLiteral("        ROWS count: Changed from (%1) to (%2) rows.").arg(from).arg(to));
    const int number = counter == u"DATA" ? 2542 : counter == u"USED" ? 2543 : 2544;
    return make(number, 10,
                QStringLiteral("        %1 pages: Changed from (%2) to (%3) pages.").arg(counter).arg(from).arg(to));
}

Message logFilesInUse(int fileId, const QString& name) {
    return make(9008, 10, QStringLiteral("Cannot shrink log file %1 (%2) because all logical log files are in use.")
                              .arg(fileId)
                              .arg(name));
}

Message repairNeedsSingleUser() {
    return make(7919, 16, QStringLiteral("Repair statement not processed. Database needs to be in single user mode."));
}

Message tableNotFound(const QString& name) {
    return make(2501, 16, QStringLiteral("Could not find a table or object named ") + q(name) +
                              QStringLiteral(". Check sysobjects."));
}

Message fileNotInSysfiles(const QString& name) {
    return make(8985, 16, QStringLiteral("Could not locate file ") + q(name) + QStringLiteral(" in sysfiles."));
}

Message badDbccSyntax() {
    return make(2526, 16,
                QStringLiteral("Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and "
                               "options."));
}

Message unknownDbcc(const QString& command) {
    Q_UNUSED(command);  // the server does not name the word it did not know
    return badDbccSyntax();
}

Message databaseStateInUse(const QString& name) {
    return make(5070, 16, QStringLiteral("Database state cannot be changed while other users are using the database ") +
                              q(name),
                2);
}

Message alterDatabaseFailed() {
    return make(5069, 16, QStringLiteral("ALTER DATABASE statement failed."));
}

Message singleUserDatabaseInUse(const QString& name) {
    return make(5064, 16, QStringLiteral("Changes to the state or options of database ") + q(name) +
                              QStringLiteral(" cannot be made at this time. The database is in single-user mode, and "
                                             "a user is currently connected to it."));
}

Message procCommandFailed(const QString& proc) {
    return make(15627, 10, proc + QStringLiteral(" command failed."));
}

Message cannotChangeOptionInUse(const QString& option) {
    return make(15089, 16, QStringLiteral("Cannot change the ") + q(option) +
                               QStringLiteral(" option of a database while another user is in the database."));
}

Message noSuchDatabaseForProc(const QString& name) {
    return make(15010, 16, QStringLiteral("The database ") + q(name) +
                               QStringLiteral(" does not exist. Use sp_helpdb to show available databases."));
}

Message databaseAlreadyExists(const QString& name) {
    return make(1801, 16, QStringLiteral("Database ") + q(name) + QStringLiteral(" already exists."), 3);
}

Message notPrimaryFile(const QString& path) {
    return make(5171, 16, path + QStringLiteral(" is not a primary database file."));
}

// The severity is a scenario's choice: what 2000 sends on the wire is not captured.
Message newLogFileCreated(const QString& path, int severity) {
    return make(5182, severity, QStringLiteral("New log file '") + path + QStringLiteral("' was created."));
}

Message deviceActivation(const QString& path) {
    return make(5105, 16, QStringLiteral("Device activation error. The physical file name ") + q(path) +
                              QStringLiteral(" may be incorrect."),
                2);
}

Message cannotOpenNewDatabase(const QString& name) {
    return make(1813, 16, QStringLiteral("Could not open new database ") + q(name) +
                              QStringLiteral(". CREATE DATABASE is aborted."),
                2);
}

Message cannotOpenPhysicalFile(const QString& path) {
    return make(5120, 16, QStringLiteral("Unable to open the physical file ") + q(path) +
                              QStringLiteral(". Operating system error 2: '2(The system cannot find the file "
                                             "specified.)'."));
}

Message backupTerminated(const QString& what) {
    return make(3013, 16, what + QStringLiteral(" is terminating abnormally."));
}

Message backupTerminated70() {
    return make(3013, 16, QStringLiteral("Backup or restore operation terminating abnormally."));
}

Message conversionFailed(const QString& value, const QString& type) {
    return make(245, 16, QStringLiteral("Syntax error converting the varchar value ") + q(value) +
                             QStringLiteral(" to a column of data type ") + type + u'.');
}

Message dbccResultsFor(const QString& name) {
    return make(2536, 10, QStringLiteral("DBCC results for ") + q(name) + u'.');
}

Message rowsInPages(qint64 rows, int pages, const QString& table) {
    return make(2593, 10, QStringLiteral("There are %1 rows in %2 pages for object ").arg(rows).arg(pages) + q(table) + u'.');
}

Message checkFoundInTable(const QString& command, int consistency, const QString& table, int objectId) {
    return make(8990, 10, command + QStringLiteral(" found 0 allocation errors and %1 consistency errors in table ").arg(consistency) +
                              q(table) + QStringLiteral(" (object ID %1).").arg(objectId));
}

Message checkFoundInDatabase(const QString& command, int allocation, int consistency, const QString& database) {
    return make(8989, 10, command + QStringLiteral(" found %1 allocation errors and %2 consistency errors in database ")
                                        .arg(allocation)
                                        .arg(consistency) +
                              q(database) + u'.');
}

Message minimumRepairLevel(const QString& level, const QString& command, const QString& checked) {
    return make(8958, 10, level + QStringLiteral(" is the minimum repair level for the errors found by DBCC ") + command +
                              QStringLiteral(" (") + checked + QStringLiteral(" )."));
}

Message parameterNotSupplied(const QString& proc, const QString& parameter) {
    return make(201, 16,
                QStringLiteral("Procedure ") + q(proc) + QStringLiteral(" expects parameter ") + q(parameter) +
                    QStringLiteral(", which was not supplied."),
                4);
}

Message notTrustedConnection() {
    return make(18452, 14,
                QStringLiteral("Login failed for user '(null)'. Reason: Not associated with a trusted SQL Server "
                               "connection."));
}

Message undeclaredVariable(const QString& name) {
    return make(137, 15, QStringLiteral("Must declare the variable ") + q(name) + u'.', 2);
}

Message divideByZero() {
    return make(8134, 16, QStringLiteral("Divide by zero error encountered."));
}

Message wrongArgumentCount(const QString& function, int count) {
    return make(174, 15, QStringLiteral("The ") + function + QStringLiteral(" function requires %1 arguments.").arg(count));
}

Message unknownFunction(const QString& name) {
    return make(195, 15, q(name) + QStringLiteral(" is not a recognized function name."));
}

Message nestedTooDeeply() {
    return make(191, 15,
                QStringLiteral("Some part of your SQL statement is nested too deeply. Rewrite the query or break it "
                               "up into smaller queries."));
}

Message procedureNestingExceeded() {
    return make(217, 16,
                QStringLiteral("Maximum stored procedure, function, trigger, or view nesting level exceeded (limit 32)."));
}

Message unknownDatabaseOption(const QString& option) {
    return make(15011, 16,
                QStringLiteral("Database option ") + q(option) + QStringLiteral(" does not exist. Specify a valid database option."));
}

Message dbOptionUsage() {
    return make(15241, 16, QStringLiteral("Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]"));
}

Message noTableToSelectFrom() {
    return make(263, 16, QStringLiteral("Must specify table to select from."));
}

Message duplicateColumn(const QString& column, const QString& table) {
    return make(2705, 16,
                QStringLiteral("Column names in each table must be unique. Column name ") + q(column) +
                    QStringLiteral(" in table ") + q(table) + QStringLiteral(" is specified more than once."));
}

Message preparedStatementNotFound(int handle) {
    return make(8179, 16, QStringLiteral("Could not find prepared statement with handle %1.").arg(handle), 2);
}

}  // namespace sqlsim::msg
