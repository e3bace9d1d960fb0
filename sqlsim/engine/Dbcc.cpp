// DBCC statements: the consistency checks and their repairs, UPDATEUSAGE, SHRINKFILE and
// DBREINDEX, with their messages or WITH TABLERESULTS rows.

#include "sqlsim/engine/AllocationReport.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>

namespace sqlsim {

namespace {

constexpr int kResultsFor = 2536;
constexpr int kRowsInPages = 2593;
constexpr int kDatabaseSummary = 8989;
constexpr int kTableSummary = 8990;
constexpr int kMinimumRepair = 8958;

DbccLine info(int error, const QString& text, int dbid, int objectId = 0) {
    DbccLine l;
    l.error = error;
    l.level = 10;
    l.text = text;
    l.dbid = dbid;
    l.objectId = objectId;
    return l;
}

// The row a finding reports, and the row that says a repair fixed it.
DbccLine findingLine(const ScenarioFinding& f, int dbid, int objectId) {
    DbccLine l;
    l.error = f.error;
    l.level = f.level;
    l.state = f.state;
    l.text = f.text;
    l.repairLevel = f.repairLevel;
    l.dbid = dbid;
    l.objectId = objectId;
    l.indId = f.indId;
    l.file = f.file;
    l.page = f.page;
    l.slot = f.slot;
    l.refFile = f.refFile;
    l.refPage = f.refPage;
    l.refSlot = f.refSlot;
    l.allocation = f.allocation ? 1 : 0;
    return l;
}

DbccLine fromMessage(const Message& m, int dbid, int objectId) {
    DbccLine l;
    l.error = m.number;
    l.level = m.severity;
    l.state = m.state;
    l.text = m.text;
    l.dbid = dbid;
    l.objectId = objectId;
    return l;
}

int repairRank(const QString& level) {
    if (sameName(level, QStringLiteral("repair_fast")))
        return 1;
    if (sameName(level, QStringLiteral("repair_rebuild")))
        return 2;
    return sameName(level, QStringLiteral("repair_allow_data_loss")) ? 3 : 0;
}

// What one check found and what its repair (if one was asked for) fixed.
struct FindingTally {
    QString requestedRepair;  // empty: a check without repair
    int allocationErrors = 0;
    int consistencyErrors = 0;
    int allocationFixed = 0;
    int consistencyFixed = 0;
    QString minimumRepair;  // the highest level a finding left unfixed needs
    std::vector<size_t> fixed;

    // A fixed finding is preceded by the repair's own line and followed by 8911; one the repair
    // leaves is followed by the reason (8922-8924).
    void report(std::vector<DbccLine>& lines, const ScenarioFinding& f, size_t index, int dbid, int objectId) {
        const bool repairing = !requestedRepair.isEmpty();
        const bool levelSuffices = repairRank(requestedRepair) >= repairRank(f.repairLevel);
        const bool fixes = repairing && f.repairable && levelSuffices;
        if (fixes && !f.repairText.isEmpty())
            lines.push_back(fromMessage(msg::repairAction(f.repairError, f.repairText), dbid, objectId));
        lines.push_back(findingLine(f, dbid, objectId));
        (f.allocation ? allocationErrors : consistencyErrors) += 1;
        if (fixes) {
            lines.push_back(fromMessage(msg::errorRepaired(), dbid, objectId));
            (f.allocation ? allocationFixed : consistencyFixed) += 1;
            fixed.push_back(index);
            return;
        }
        if (repairing)
            lines.push_back(fromMessage(msg::notRepaired(levelSuffices ? f.unrepairedError : 8923), dbid, objectId));
        if (repairRank(f.repairLevel) > repairRank(minimumRepair))
            minimumRepair = f.repairLevel;
    }
};

QString quoted(const QString& s) {
    return QStringLiteral("'") + s + QStringLiteral("'");
}

int pagesFor(qint64 rows) {
    return static_cast<int>((rows + 39) / 40);
}

ColumnDef column(const char* name, ColumnType type, int length = 0) {
    ColumnDef c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    c.length = length;
    return c;
}

bool isRepairOption(const DbccArg& a) {
    return a.kind == DbccArg::Kind::Name && a.text.startsWith(QStringLiteral("REPAIR_"), Qt::CaseInsensitive);
}

struct TableInfo {
    bool system = false;
    QString name;
    int objectId = 0;
    qint64 rows = 0;
    int pages = 0;
};

// The tables DBCC walks through in a database: the system tables, then the user tables.
std::vector<TableInfo> tablesOf(const DatabaseState& db) {
    std::vector<TableInfo> out;
    qint64 columns = 0;
    for (const TableObject& t : db.tables)
        columns += t.created ? t.columns.size() : 5;
    for (const SystemTableInfo& s : systemTables()) {
        TableInfo t;
        t.system = true;
        t.name = QString::fromUtf16(s.name);
        t.objectId = s.objectId;
        t.rows = s.rows;
        if (t.name == u"sysobjects")
            t.rows = static_cast<qint64>(systemTables().size() + db.tables.size() + db.procs.size()) + 20;
        else if (t.name == u"sysindexes")
            t.rows = static_cast<qint64>(systemTables().size() + db.tables.size()) + 12;
        else if (t.name == u"syscolumns")
            t.rows = 180 + columns;
        t.pages = qMax(1, pagesFor(t.rows));
        out.push_back(t);
    }
    for (const TableObject& u : db.tables) {
        TableInfo t;
        t.name = u.name;
        t.objectId = u.objectId;
        t.rows = u.rowCount();
        t.pages = u.created ? pagesFor(t.rows) : u.pages;
        out.push_back(t);
    }
    return out;
}

}  // namespace

SessionImpl::Outcome SessionImpl::runDbcc(const Statement& s) {
    const QString& c = s.command;
    if (c == u"CHECKDB" || c == u"CHECKALLOC" || c == u"CHECKCATALOG")
        return dbccCheck(s);
    if (c == u"CHECKTABLE")
        return dbccCheckTable(s);
    if (c == u"UPDATEUSAGE")
        return dbccUpdateUsage(s);
    if (c == u"SHRINKFILE")
        return dbccShrinkFile(s);
    if (c == u"DBREINDEX")
        return dbccReindex(s);
    if (c == u"CHECKPRIMARYFILE")
        return dbccCheckPrimaryFile(s);
    return fail(msg::unknownDbcc(c));
}

SessionImpl::Outcome SessionImpl::emitDbcc(const std::vector<DbccLine>& lines, const Statement& s) {
    const bool noInfo = s.options.contains(QStringLiteral("NO_INFOMSGS"));
    const bool tabular = s.options.contains(QStringLiteral("TABLERESULTS"));
    std::vector<DbccLine> shown;
    for (const DbccLine& l : lines)
        if (!noInfo || l.level > 10)
            shown.push_back(l);
    bool errors = false;
    if (tabular) {
        if (!shown.empty()) {
            ResultSet rs;
            rs.columns = {column("Error", ColumnType::Int),        column("Level", ColumnType::Int),
                          column("State", ColumnType::Int),        column("MessageText", ColumnType::VarChar, 7000),
                          column("RepairLevel", ColumnType::NVarChar, 128), column("Status", ColumnType::Int),
                          column("DbId", ColumnType::Int),         column("Id", ColumnType::Int),
                          column("IndId", ColumnType::Int),        column("File", ColumnType::Int),
                          column("Page", ColumnType::Int),         column("Slot", ColumnType::Int),
                          column("RefFile", ColumnType::Int),      column("RefPage", ColumnType::Int),
                          column("RefSlot", ColumnType::Int),      column("Allocation", ColumnType::Int)};
            for (const DbccLine& l : shown)
                rs.rows.push_back({qint64(l.error), qint64(l.level), qint64(l.state), l.text,
                                   l.repairLevel.isEmpty() ? Cell() : Cell(l.repairLevel), qint64(0), qint64(l.dbid),
                                   qint64(l.objectId), qint64(l.indId), qint64(l.file), qint64(l.page),
                                   qint64(l.slot), qint64(l.refFile), qint64(l.refPage), qint64(l.refSlot),
                                   qint64(l.allocation)});
            const qint64 n = rs.rows.size();
            result(std::move(rs));
            done(true, n, 0);
        }
    } else {
        for (const DbccLine& l : shown) {
            message(msg::make(l.error, l.level, l.text, l.state));
            errors = errors || l.level > 10;
        }
    }
    if (!noInfo)
        message(msg::dbccCompleted());
    done(false, 0, 0);
    return errors ? Outcome::Failed : Outcome::Ok;
}

DatabaseState* SessionImpl::dbccDatabase(const Statement& s, Message& error) {
    DatabaseState* db = nullptr;
    if (s.args.empty()) {
        db = current();
    } else if (const DbccArg& a = s.args.front(); a.kind == DbccArg::Kind::Number) {
        const int id = a.text.toInt();
        db = id == 0 ? current() : m_state->databaseById(id);
        if (!db) {
            error = msg::unknownDatabaseId(id);
            return nullptr;
        }
    } else {
        db = m_state->database(a.text);
        if (!db) {
            error = msg::dbccUnknownDatabase(a.text);
            return nullptr;
        }
    }
    // Checking a database means entering it: a single-user database in use by another session is
    // refused as a USE would be.
    if (db && !m_state->mayEnter(m_spid, *db)) {
        error = msg::singleUserInUse(db->name);
        return nullptr;
    }
    return db;
}

bool SessionImpl::repairAllowed(const DatabaseState& db, Message& error) const {
    if (!db.singleUser) {
        error = msg::repairNeedsSingleUser();
        return false;
    }
    if (!m_state->mayEnter(m_spid, db)) {
        error = msg::singleUserInUse(db.name);
        return false;
    }
    return true;
}

SessionImpl::Outcome SessionImpl::dbccCheck(const Statement& s) {
    Message error;
    DatabaseState* db = dbccDatabase(s, error);
    if (!db)
        return fail(error);
    FindingTally tally;
    for (size_t i = 1; i < s.args.size(); ++i) {
        if (isRepairOption(s.args[i]))
            tally.requestedRepair = s.args[i].text.toLower();
        else if (!sameName(s.args[i].text, QStringLiteral("NOINDEX")))
            return fail(msg::badDbccSyntax());
    }
    if (s.args.size() > 2)
        return fail(msg::badDbccSyntax());
    if (!tally.requestedRepair.isEmpty() && !repairAllowed(*db, error))
        return fail(error);

    const QString& command = s.command;
    const bool checkdb = command == u"CHECKDB";
    const bool physicalOnly = s.options.contains(QStringLiteral("PHYSICAL_ONLY"));
    std::vector<DbccLine> lines;
    lines.push_back(info(kResultsFor, QStringLiteral("DBCC results for ") + quoted(db->name) + u'.', db->dbid));
    if (command == u"CHECKCATALOG")
        return emitDbcc(lines, s);

    const std::vector<TableInfo> tables = tablesOf(*db);
    auto objectIdOf = [&](const QString& table) {
        for (const TableInfo& t : tables)
            if (sameName(t.name, table))
                return t.objectId;
        return 0;
    };
    auto report = [&](size_t index) {
        tally.report(lines, db->findings[index], index, db->dbid, objectIdOf(db->findings[index].table));
    };
    auto belongsToTable = [&](const ScenarioFinding& f) { return !f.allocation && objectIdOf(f.table) != 0; };

    // Allocation findings (and findings no table owns) come first.
    for (size_t i = 0; i < db->findings.size(); ++i) {
        const ScenarioFinding& f = db->findings[i];
        if (f.allocation || (checkdb && !belongsToTable(f)))
            report(i);
    }
    if (command == u"CHECKALLOC") {
        std::vector<AllocatedTable> allocated;
        for (const TableInfo& t : tables)
            allocated.push_back({t.name, t.objectId, t.system ? 1 : 0, t.pages});
        const std::vector<DbccLine> allocation = allocationReport(*db, allocated);
        lines.insert(lines.end(), allocation.begin(), allocation.end());
    }
    if (checkdb) {
        if (physicalOnly) {
            for (size_t i = 0; i < db->findings.size(); ++i)
                if (belongsToTable(db->findings[i]))
                    report(i);
        } else {
            for (const TableInfo& t : tables) {
                const int before = tally.consistencyErrors;
                const int fixedBefore = tally.consistencyFixed;
                for (size_t i = 0; i < db->findings.size(); ++i)
                    if (belongsToTable(db->findings[i]) && sameName(db->findings[i].table, t.name))
                        report(i);
                lines.push_back(info(kResultsFor, QStringLiteral("DBCC results for ") + quoted(t.name) + u'.',
                                     db->dbid, t.objectId));
                lines.push_back(info(kRowsInPages, QStringLiteral("There are %1 rows in %2 pages for object ")
                                                           .arg(t.rows)
                                                           .arg(t.pages) +
                                                       quoted(t.name) + u'.',
                                     db->dbid, t.objectId));
                if (tally.consistencyErrors > before)
                    lines.push_back(info(kTableSummary,
                                         QStringLiteral("CHECKDB found 0 allocation errors and %1 consistency errors "
                                                        "in table ")
                                                 .arg(tally.consistencyErrors - before) +
                                             quoted(t.name) + QStringLiteral(" (object ID %1).").arg(t.objectId),
                                         db->dbid, t.objectId));
                if (tally.consistencyFixed > fixedBefore)
                    lines.push_back(fromMessage(msg::tableFixed(command, 0, tally.consistencyFixed - fixedBefore,
                                                                t.name, t.objectId),
                                                db->dbid, t.objectId));
            }
        }
    }
    lines.push_back(info(kDatabaseSummary,
                         command + QStringLiteral(" found %1 allocation errors and %2 consistency errors in database ")
                                       .arg(tally.allocationErrors)
                                       .arg(tally.consistencyErrors) +
                             quoted(db->name) + u'.',
                         db->dbid));
    if (!tally.fixed.empty())
        lines.push_back(fromMessage(
            msg::databaseFixed(command, tally.allocationFixed, tally.consistencyFixed, db->name), db->dbid, 0));
    if (!tally.minimumRepair.isEmpty())
        lines.push_back(info(kMinimumRepair, tally.minimumRepair + QStringLiteral(" is the minimum repair level for the "
                                                                                  "errors found by DBCC ") +
                                                 command + QStringLiteral(" (") + db->name + QStringLiteral(" )."),
                             db->dbid));
    // A repair removes what it fixed.
    std::sort(tally.fixed.rbegin(), tally.fixed.rend());
    for (size_t i : tally.fixed)
        db->findings.erase(db->findings.begin() + static_cast<std::ptrdiff_t>(i));
    return emitDbcc(lines, s);
}

SessionImpl::Outcome SessionImpl::dbccCheckTable(const Statement& s) {
    DatabaseState* db = current();
    if (!db || s.args.empty() || s.args.size() > 2 || s.args.front().kind == DbccArg::Kind::Number)
        return fail(msg::badDbccSyntax());
    FindingTally tally;
    if (s.args.size() == 2) {
        if (isRepairOption(s.args[1]))
            tally.requestedRepair = s.args[1].text.toLower();
        else if (!sameName(s.args[1].text, QStringLiteral("NOINDEX")) && s.args[1].kind != DbccArg::Kind::Number)
            return fail(msg::badDbccSyntax());
    }
    const QString written = s.args.front().text;
    const auto name = parseObjectName(written);
    if (!name)
        return fail(msg::tableNotFound(written));
    DatabaseState* target = db;
    if (!name->database.isEmpty())
        target = m_state->database(name->database);
    const std::vector<TableInfo> tables = target ? tablesOf(*target) : std::vector<TableInfo>{};
    const auto table = std::find_if(tables.begin(), tables.end(),
                                    [&](const TableInfo& t) { return sameName(t.name, name->name); });
    if (!target || table == tables.end())
        return fail(msg::tableNotFound(written));
    Message error;
    if (!tally.requestedRepair.isEmpty() && !repairAllowed(*target, error))
        return fail(error);

    std::vector<DbccLine> lines;
    lines.push_back(info(kResultsFor, QStringLiteral("DBCC results for ") + quoted(table->name) + u'.', target->dbid,
                         table->objectId));
    for (size_t i = 0; i < target->findings.size(); ++i) {
        const ScenarioFinding& f = target->findings[i];
        if (!f.allocation && sameName(f.table, table->name))
            tally.report(lines, f, i, target->dbid, table->objectId);
    }
    lines.push_back(info(kRowsInPages,
                         QStringLiteral("There are %1 rows in %2 pages for object ").arg(table->rows).arg(table->pages) +
                             quoted(table->name) + u'.',
                         target->dbid, table->objectId));
    if (tally.consistencyErrors > 0)
        lines.push_back(info(kTableSummary,
                             QStringLiteral("CHECKTABLE found 0 allocation errors and %1 consistency errors in table ")
                                     .arg(tally.consistencyErrors) +
                                 quoted(table->name) + QStringLiteral(" (object ID %1).").arg(table->objectId),
                             target->dbid, table->objectId));
    if (tally.consistencyFixed > 0)
        lines.push_back(fromMessage(msg::tableFixed(QStringLiteral("CHECKTABLE"), 0, tally.consistencyFixed,
                                                    table->name, table->objectId),
                                    target->dbid, table->objectId));
    if (!tally.minimumRepair.isEmpty())
        lines.push_back(info(kMinimumRepair, tally.minimumRepair + QStringLiteral(" is the minimum repair level for "
                                                                                  "the errors found by DBCC CHECKTABLE (") +
                                                 target->name + QStringLiteral(".dbo.") + table->name +
                                                 QStringLiteral(" )."),
                             target->dbid, table->objectId));
    std::sort(tally.fixed.rbegin(), tally.fixed.rend());
    for (size_t i : tally.fixed)
        target->findings.erase(target->findings.begin() + static_cast<std::ptrdiff_t>(i));
    return emitDbcc(lines, s);
}

SessionImpl::Outcome SessionImpl::dbccUpdateUsage(const Statement& s) {
    Message error;
    DatabaseState* db = dbccDatabase(s, error);
    if (!db)
        return fail(error);
    TableObject* only = nullptr;
    if (s.args.size() >= 2) {
        const auto name = parseObjectName(s.args[1].text);
        only = name ? db->table(name->name) : nullptr;
        if (!only)
            return fail(msg::tableNotFound(s.args[1].text));
    }
    // Counts a scenario marks as wrong are reported per sysindexes row, then they are right.
    std::vector<DbccLine> lines;
    for (TableObject& t : db->tables) {
        if ((only && &t != only) || t.usageCorrections.empty())
            continue;
        int reportedIndex = -1;
        for (const UsageCorrection& c : t.usageCorrections) {
            if (c.indId != reportedIndex)
                lines.push_back(fromMessage(msg::usageRowUpdated(t.name, c.indId), db->dbid, t.objectId));
            reportedIndex = c.indId;
            lines.push_back(fromMessage(msg::usageCountChanged(c.counter, c.from, c.to), db->dbid, t.objectId));
        }
        t.usageCorrections.clear();
    }
    return emitDbcc(lines, s);
}

SessionImpl::Outcome SessionImpl::dbccShrinkFile(const Statement& s) {
    DatabaseState* db = current();
    if (!db || s.args.empty() || s.args.size() > 3)
        return fail(msg::badDbccSyntax());
    const DbccArg& which = s.args.front();
    ScenarioFile* file = nullptr;
    QString name = which.text;
    if (which.kind == DbccArg::Kind::Number) {
        for (ScenarioFile& f : db->files)
            if (f.fileId == which.text.toInt())
                file = &f;
    } else {
        // Trailing blanks of the name do not count, as in any comparison of texts.
        while (name.endsWith(u' '))
            name.chop(1);
        for (ScenarioFile& f : db->files)
            if (sameName(f.name, name))
                file = &f;
    }
    if (!file)
        return fail(msg::fileNotInSysfiles(name));
    int targetPages = 0;
    if (s.args.size() >= 2 && s.args[1].kind == DbccArg::Kind::Number)
        targetPages = qMax(0, s.args[1].text.toInt()) * 128;
    const int minimum = file->groupId == 0 ? 63 : 80;
    if (file->groupId == 0 && file->inUse) {
        message(msg::logFilesInUse(file->fileId, file->name));
        targetPages = file->sizePages;
    }
    const int newSize = qMin(file->sizePages, std::max({targetPages, file->usedPages, minimum}));
    file->sizePages = newSize;
    ResultSet rs;
    rs.columns = {column("DbId", ColumnType::SmallInt),    column("FileId", ColumnType::Int),
                  column("CurrentSize", ColumnType::Int),  column("MinimumSize", ColumnType::Int),
                  column("UsedPages", ColumnType::Int),    column("EstimatedPages", ColumnType::Int)};
    rs.rows.push_back({qint64(db->dbid), qint64(file->fileId), qint64(newSize), qint64(minimum),
                       qint64(file->usedPages), qint64(file->usedPages)});
    result(std::move(rs));
    done(true, 1, 0);
    if (!s.options.contains(QStringLiteral("NO_INFOMSGS")))
        message(msg::dbccCompleted());
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::dbccReindex(const Statement& s) {
    DatabaseState* db = current();
    if (!db || s.args.empty() || s.args.size() > 3)
        return fail(msg::badDbccSyntax());
    const QString written = s.args.front().text;
    const auto name = parseObjectName(written);
    DatabaseState* target = db;
    if (name && !name->database.isEmpty())
        target = m_state->database(name->database);
    if (!name || !target || !target->table(name->name))
        return fail(msg::tableNotFound(written));
    ++target->table(name->name)->indexRebuilds;
    return emitDbcc({}, s);
}

}  // namespace sqlsim
