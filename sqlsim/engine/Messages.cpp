#include "sqlsim/engine/Messages.h"

using namespace Qt::StringLiterals;

namespace sqlsim::msg {

namespace {

QString q(const QString& s) {
    return u"'"_s + s + u"'"_s;
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
    Message m = make(170, 15, u"Line %1: Incorrect syntax near "_s.arg(line) + q(near) + u'.');
    m.line = line;
    return m;
}

Message syntaxNearKeyword(const QString& keyword, int line) {
    Message m = make(156, 15, u"Incorrect syntax near the keyword "_s + q(keyword) + u'.');
    m.line = line;
    return m;
}

Message unclosedQuote(const QString& rest, int line) {
    Message m =
        make(105, 15, u"Unclosed quotation mark before the character string "_s + q(rest) + u'.');
    m.line = line;
    return m;
}

Message mustBeFirstInBatch(const QString& what, int line) {
    Message m = make(111, 15, q(what) + u" must be the first statement in a query batch."_s);
    m.line = line;
    return m;
}

Message invalidObject(const QString& name) {
    return make(208, 16, u"Invalid object name "_s + q(name) + u'.');
}

Message unknownDatabase(const QString& name) {
    return make(
        911, 16,
        u"Could not locate entry in sysdatabases for database "_s + q(name) +
            u". No entry found with that name. Make sure that the name is entered correctly."_s);
}

Message unknownDatabaseId(int dbid) {
    return make(2521, 16, u"Could not find database ID %1. Check sysdatabases."_s.arg(dbid));
}

Message dbccUnknownDatabase(const QString& name) {
    return make(2520, 16, u"Could not find database "_s + q(name) + u". Check sysdatabases."_s);
}

Message singleUserInUse(const QString& name) {
    return make(
        924, 14,
        u"Database "_s + q(name) + u" is already open and can only have one user at a time."_s);
}

Message changedDatabase(const QString& name) {
    return make(5701, 0, u"Changed database context to "_s + q(name) + u'.');
}

Message changedLanguage(const QString& language) {
    return make(5703, 0, u"Changed language setting to %1."_s.arg(language));
}

Message unknownSetOption(const QString& option, int line) {
    Message m = make(195, 15, u"'%1' is not a recognized SET option."_s.arg(option));
    m.line = line;
    return m;
}

Message invalidDateFormat(const QString& order) {
    return make(2741, 16, u"SET DATEFORMAT date order '%1' is invalid."_s.arg(order));
}

Message unknownLanguage(const QString& name) {
    return make(15033, 16, u"'%1' is not an official language name."_s.arg(name));
}

Message executeDenied(const QString& procedure) {
    return make(229, 14,
                u"EXECUTE permission denied on object '"_s + procedure +
                    u"', database 'master', owner 'dbo'."_s);
}

Message subdirsPathNotFound(const QString& pattern) {
    return make(22006, 16,
                u"xp_subdirs could not access '"_s + pattern +
                    u"': FindFirstFile() returned error 3, 'The system cannot find the path "
                    u"specified.'"_s);
}

Message loginFailed(const QString& user) {
    return make(18456, 14, u"Login failed for user "_s + q(user) + u'.');
}

Message cannotOpenLoginDatabase(const QString& name) {
    return make(4060, 11,
                u"Cannot open database requested in login "_s + q(name) + u". Login fails."_s);
}

Message objectExists(const QString& name) {
    return make(2714, 16,
                u"There is already an object named "_s + q(name) + u" in the database."_s);
}

Message cannotDropTable(const QString& name) {
    return make(3701, 11,
                u"Cannot drop the table "_s + q(name) +
                    u", because it does not exist in the system catalog."_s);
}

Message cannotDropProcedure(const QString& name) {
    return make(3701, 11,
                u"Cannot drop the procedure "_s + q(name) +
                    u", because it does not exist in the system catalog."_s);
}

Message procedureNotFound(const QString& name) {
    return make(2812, 16, u"Could not find stored procedure "_s + q(name) + u'.', 62);
}

Message truncated() {
    return make(8152, 16, u"String or binary data would be truncated."_s, 9);
}

Message statementTerminated() {
    return make(3621, 0, u"The statement has been terminated."_s);
}

Message columnCountMismatch() {
    return make(213, 16,
                u"Insert Error: Column name or number of supplied values does not match table "
                u"definition."_s,
                4);
}

Message invalidColumn(const QString& name) {
    return make(207, 16, u"Invalid column name "_s + q(name) + u'.', 3);
}

Message invalidLength() {
    return make(536, 16, u"Invalid length parameter passed to the substring function."_s, 3);
}

Message dbccCompleted() {
    return make(2528, 10,
                u"DBCC execution completed. If DBCC printed error messages, contact your system "
                u"administrator."_s);
}

Message repairAction(int number, const QString& text) {
    // 8945 announces an index rebuild at severity 16; the "Repair: ..." lines are informational.
    return make(number, number == 8945 ? 16 : 10, text);
}

Message errorRepaired() {
    return make(8911, 10, u"        The error has been repaired."_s);
}

Message notRepaired(int number) {
    switch (number) {
        case 8923:
            return make(8923, 10,
                        u"        The repair level on the DBCC statement caused this repair to be "
                        u"bypassed."_s);
        case 8924:
            return make(
                8924, 10,
                u"        Repairing this error requires other errors to be corrected first."_s);
        default:
            return make(8922, 10, u"        Could not repair this error. "_s);
    }
}

Message databaseFixed(const QString& command, int allocation, int consistency,
                      const QString& database) {
    return make(
        8912, 10,
        command +
            u" fixed %1 allocation errors and %2 consistency errors in database "_s.arg(allocation)
                .arg(consistency) +
            q(database) + u'.');
}

Message tableFixed(const QString& command, int allocation, int consistency, const QString& table,
                   int objectId) {
    return make(
        8949, 10,
        command +
            u" fixed %1 allocation errors and %2 consistency errors in table "_s.arg(allocation)
                .arg(consistency) +
            q(table) + u" (object ID %1)."_s.arg(objectId));
}

Message allocationRule() {
    return make(7922, 10, QString(63, u'*'));
}

Message allocationTable(const QString& table, int objectId) {
    return make(7923, 10, u"Table "_s + table + u"                Object ID %1."_s.arg(objectId));
}

Message allocationIndexRoot(int indId, int file, int firstIam, int root, int dataPages) {
    return make(7924, 10,
                u"Index ID %1. FirstIAM (%2:%3). Root (%2:%4). Dpages %5."_s.arg(indId)
                    .arg(file)
                    .arg(firstIam)
                    .arg(root)
                    .arg(dataPages));
}

Message allocationIndexPages(int indId, int pages, int extents) {
    return make(7925, 10,
                u"Index ID %1. %2 pages used in %3 dedicated extents."_s.arg(indId).arg(pages).arg(
                    extents));
}

Message allocationTableExtents(int extents) {
    return make(7927, 10, u"Total number of extents is %1."_s.arg(extents));
}

Message allocationEntries(int entries, int dbid) {
    return make(7920, 10,
                u"Processed %1 entries in sysindexes for database ID %2."_s.arg(entries).arg(dbid));
}

Message allocationFile(int file, int extents, int usedPages, int reservedPages) {
    return make(
        2538, 10,
        u"File %1. Number of extents = %2, used pages = %3, reserved pages = %4."_s.arg(file)
            .arg(extents)
            .arg(usedPages)
            .arg(reservedPages));
}

Message allocationFileMixed(int file, int mixedExtents, int mixedPages) {
    return make(8915, 10,
                u"           File %1 (number of mixed extents = %2, mixed pages = %3)."_s.arg(file)
                    .arg(mixedExtents)
                    .arg(mixedPages));
}

Message allocationObject(int objectId, int indId, int extents, int pages, int mixedPages) {
    // A heap's pages are data pages; any other index's are index pages.
    return make(indId == 0 ? 8916 : 8917, 10,
                u"    Object ID %1, Index ID %2, %3 extents %4, pages %5, mixed extent pages %6."_s
                    .arg(objectId)
                    .arg(indId)
                    .arg(indId == 0 ? u"data"_s : u"index"_s)
                    .arg(extents)
                    .arg(pages)
                    .arg(mixedPages));
}

Message allocationTotal(int extents, int usedPages, int reservedPages) {
    return make(
        2539, 10,
        u"Total number of extents = %1, used pages = %2, reserved pages = %3 in this database."_s
            .arg(extents)
            .arg(usedPages)
            .arg(reservedPages));
}

Message allocationTotalMixed(int mixedExtents, int mixedPages) {
    return make(8918, 10,
                u"       (number of mixed extents = %1, mixed pages = %2) in this database."_s
                    .arg(mixedExtents)
                    .arg(mixedPages));
}

Message usageRowUpdated(const QString& table, int indId) {
    return make(2541, 10,
                u"DBCC UPDATEUSAGE: sysindexes row updated for table "_s + q(table) +
                    u" (index ID %1):"_s.arg(indId));
}

Message usageCountChanged(const QString& counter, qint64 from, qint64 to) {
    if (counter == u"ROWS")
        return make(2545, 10,
                    u"        ROWS count: Changed from (%1) to (%2) rows."_s.arg(from).arg(to));
    const int number = counter == u"DATA" ? 2542 : counter == u"USED" ? 2543 : 2544;
    return make(
        number, 10,
        u"        %1 pages: Changed from (%2) to (%3) pages."_s.arg(counter).arg(from).arg(to));
}

Message logFilesInUse(int fileId, const QString& name) {
    return make(
        9008, 10,
        u"Cannot shrink log file %1 (%2) because all logical log files are in use."_s.arg(fileId)
            .arg(name));
}

Message repairNeedsSingleUser() {
    return make(7919, 16,
                u"Repair statement not processed. Database needs to be in single user mode."_s);
}

Message indexRebuilt(int indId) {
    return make(1918, 10, u"Index (ID = %1) is being rebuilt."_s.arg(indId));
}

Message tableNotFound(const QString& name) {
    return make(2501, 16,
                u"Could not find a table or object named "_s + q(name) + u". Check sysobjects."_s);
}

Message fileNotInSysfiles(const QString& name) {
    return make(8985, 16, u"Could not locate file "_s + q(name) + u" in sysfiles."_s);
}

Message badDbccSyntax() {
    return make(
        2526, 16,
        u"Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and "
        u"options."_s);
}

Message unknownDbcc(const QString& command) {
    Q_UNUSED(command);  // the server does not name the word it did not know
    return badDbccSyntax();
}

Message databaseStateInUse(const QString& name) {
    return make(
        5070, 16,
        u"Database state cannot be changed while other users are using the database "_s + q(name),
        2);
}

Message alterDatabaseFailed() {
    return make(5069, 16, u"ALTER DATABASE statement failed."_s);
}

Message singleUserDatabaseInUse(const QString& name) {
    return make(5064, 16,
                u"Changes to the state or options of database "_s + q(name) +
                    u" cannot be made at this time. The database is in single-user mode, and "
                    u"a user is currently connected to it."_s);
}

Message procCommandFailed(const QString& proc) {
    return make(15627, 10, proc + u" command failed."_s);
}

Message cannotChangeOptionInUse(const QString& option) {
    return make(15089, 16,
                u"Cannot change the "_s + q(option) +
                    u" option of a database while another user is in the database."_s);
}

Message noSuchDatabaseForProc(const QString& name) {
    return make(15010, 16,
                u"The database "_s + q(name) +
                    u" does not exist. Use sp_helpdb to show available databases."_s);
}

Message databaseAlreadyExists(const QString& name) {
    return make(1801, 16, u"Database "_s + q(name) + u" already exists."_s, 3);
}

Message notPrimaryFile(const QString& path) {
    return make(5171, 16, path + u" is not a primary database file."_s);
}

// The severity is a scenario's choice: what 2000 sends on the wire is not captured.
Message newLogFileCreated(const QString& path, int severity) {
    return make(5182, severity, u"New log file '"_s + path + u"' was created."_s);
}

Message deviceActivation(const QString& path) {
    return make(
        5105, 16,
        u"Device activation error. The physical file name "_s + q(path) + u" may be incorrect."_s,
        2);
}

Message cannotOpenNewDatabase(const QString& name) {
    return make(1813, 16,
                u"Could not open new database "_s + q(name) + u". CREATE DATABASE is aborted."_s,
                2);
}

Message cannotOpenPhysicalFile(const QString& path) {
    return make(5120, 16,
                u"Unable to open the physical file "_s + q(path) +
                    u". Operating system error 2: '2(The system cannot find the file "
                    u"specified.)'."_s);
}

Message backupTerminated(const QString& what) {
    return make(3013, 16, what + u" is terminating abnormally."_s);
}

Message backupTerminated70() {
    return make(3013, 16, u"Backup or restore operation terminating abnormally."_s);
}

Message conversionFailed(const QString& value, const QString& type) {
    return make(245, 16,
                u"Syntax error converting the varchar value "_s + q(value) +
                    u" to a column of data type "_s + type + u'.');
}

Message dbccResultsFor(const QString& name) {
    return make(2536, 10, u"DBCC results for "_s + q(name) + u'.');
}

Message rowsInPages(qint64 rows, int pages, const QString& table) {
    return make(
        2593, 10,
        u"There are %1 rows in %2 pages for object "_s.arg(rows).arg(pages) + q(table) + u'.');
}

Message checkFoundInTable(const QString& command, int consistency, const QString& table,
                          int objectId) {
    return make(
        8990, 10,
        command +
            u" found 0 allocation errors and %1 consistency errors in table "_s.arg(consistency) +
            q(table) + u" (object ID %1)."_s.arg(objectId));
}

Message checkFoundInDatabase(const QString& command, int allocation, int consistency,
                             const QString& database) {
    return make(
        8989, 10,
        command +
            u" found %1 allocation errors and %2 consistency errors in database "_s.arg(allocation)
                .arg(consistency) +
            q(database) + u'.');
}

Message minimumRepairLevel(const QString& level, const QString& command, const QString& checked,
                           const QString& requestedRepair) {
    return make(8958, 10,
                level + u" is the minimum repair level for the errors found by DBCC "_s + command +
                    u" ("_s + checked + u' ' + requestedRepair + u")."_s);
}

Message nameCannotBeNull() {
    return make(15004, 16, u"Name cannot be NULL."_s);
}

Message parameterNotSupplied(const QString& proc, const QString& parameter) {
    return make(201, 16,
                u"Procedure "_s + q(proc) + u" expects parameter "_s + q(parameter) +
                    u", which was not supplied."_s,
                4);
}

Message notTrustedConnection() {
    return make(18452, 14,
                u"Login failed for user '(null)'. Reason: Not associated with a trusted SQL Server "
                u"connection."_s);
}

Message undeclaredVariable(const QString& name) {
    return make(137, 15, u"Must declare the variable "_s + q(name) + u'.', 2);
}

Message divideByZero() {
    return make(8134, 16, u"Divide by zero error encountered."_s);
}

Message wrongArgumentCount(const QString& function, int count) {
    return make(174, 15, u"The "_s + function + u" function requires %1 arguments."_s.arg(count));
}

Message unknownFunction(const QString& name) {
    return make(195, 15, q(name) + u" is not a recognized function name."_s);
}

Message nestedTooDeeply() {
    return make(
        191, 15,
        u"Some part of your SQL statement is nested too deeply. Rewrite the query or break it "
        u"up into smaller queries."_s);
}

Message procedureNestingExceeded() {
    return make(
        217, 16,
        u"Maximum stored procedure, function, trigger, or view nesting level exceeded (limit 32)."_s);
}

Message unknownDatabaseOption(const QString& option) {
    return make(
        15011, 16,
        u"Database option "_s + q(option) + u" does not exist. Specify a valid database option."_s);
}

Message dbOptionUsage() {
    return make(15241, 16, u"Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]"_s);
}

Message noTableToSelectFrom() {
    return make(263, 16, u"Must specify table to select from."_s);
}

Message duplicateColumn(const QString& column, const QString& table) {
    return make(2705, 16,
                u"Column names in each table must be unique. Column name "_s + q(column) +
                    u" in table "_s + q(table) + u" is specified more than once."_s);
}

Message preparedStatementNotFound(int handle) {
    return make(8179, 16, u"Could not find prepared statement with handle %1."_s.arg(handle), 2);
}

}  // namespace sqlsim::msg
