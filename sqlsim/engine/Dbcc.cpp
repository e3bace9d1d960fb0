// DBCC statements: the consistency checks and their repairs, with their messages or WITH
// TABLERESULTS rows (UPDATEUSAGE, SHRINKFILE, DBREINDEX: DbccMaintenance.cpp; CHECKPRIMARYFILE:
// Attach.cpp).

#include "sqlsim/engine/AllocationReport.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

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

int repairRank(const QString& level) {
    if (sameName(level, u"repair_fast"_s)) return 1;
    if (sameName(level, u"repair_rebuild"_s)) return 2;
    return sameName(level, u"repair_allow_data_loss"_s) ? 3 : 0;
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

    // Reports the findings of one table (or those no table owns), in the order later servers
    // print a repair: the repairs' own "Repair: ..." lines first, then each index rebuild (8945)
    // and each finding, each followed by 8911 when it was fixed or by the reason (8922-8924) when
    // the repair left it.
    void report(std::vector<DbccLine>& lines, const std::vector<ScenarioFinding>& findings,
                const std::vector<size_t>& indices, int dbid, int objectId) {
        const bool repairing = !requestedRepair.isEmpty();
        std::vector<DbccLine> rebuilds;
        std::vector<DbccLine> reported;
        for (size_t index : indices) {
            const ScenarioFinding& f = findings[index];
            const bool levelSuffices = repairRank(requestedRepair) >= repairRank(f.repairLevel);
            const bool fixes = repairing && f.repairable && levelSuffices;
            if (fixes && !f.repairText.isEmpty()) {
                const DbccLine action =
                    dbccLine(msg::repairAction(f.repairError, f.repairText), dbid, objectId);
                if (f.repairError == 8945) {
                    rebuilds.push_back(action);
                    rebuilds.push_back(dbccLine(msg::errorRepaired(), dbid, objectId));
                } else {
                    lines.push_back(action);
                }
            }
            reported.push_back(findingLine(f, dbid, objectId));
            (f.allocation ? allocationErrors : consistencyErrors) += 1;
            if (fixes) {
                reported.push_back(dbccLine(msg::errorRepaired(), dbid, objectId));
                (f.allocation ? allocationFixed : consistencyFixed) += 1;
                fixed.push_back(index);
                continue;
            }
            if (repairing)
                reported.push_back(dbccLine(
                    msg::notRepaired(levelSuffices ? f.unrepairedError : 8923), dbid, objectId));
            if (repairRank(f.repairLevel) > repairRank(minimumRepair))
                minimumRepair = f.repairLevel;
        }
        lines.insert(lines.end(), rebuilds.begin(), rebuilds.end());
        lines.insert(lines.end(), reported.begin(), reported.end());
    }
};

bool isRepairOption(const DbccArg& a) {
    return a.kind == DbccArg::Kind::Name && a.text.startsWith(u"REPAIR_"_s, Qt::CaseInsensitive);
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
    for (const TableObject& t : db.tables) columns += t.created ? t.columns.size() : 5;
    for (const SystemTableInfo& s : systemTables()) {
        TableInfo t;
        t.system = true;
        t.name = QString::fromUtf16(s.name);
        t.objectId = s.objectId;
        t.rows = s.rows;
        if (t.name == u"sysobjects")
            t.rows =
                static_cast<qint64>(systemTables().size() + db.tables.size() + db.procs.size()) +
                20;
        else if (t.name == u"sysindexes")
            t.rows = static_cast<qint64>(systemTables().size() + db.tables.size()) + 12;
        else if (t.name == u"syscolumns")
            t.rows = 180 + columns;
        t.pages = qMax(1, pagesForRows(t.rows));
        out.push_back(t);
    }
    for (const TableObject& u : db.tables) {
        TableInfo t;
        t.name = u.name;
        t.objectId = u.objectId;
        t.rows = u.rowCount();
        t.pages = u.created ? pagesForRows(t.rows) : u.pages;
        out.push_back(t);
    }
    return out;
}

// What a check says about one table after its findings: its rows and pages, and the errors
// found and fixed in it since before.
void appendTableTotals(std::vector<DbccLine>& lines, const QString& command, const TableInfo& t,
                       int dbid, const FindingTally& before, const FindingTally& after) {
    lines.push_back(dbccLine(msg::rowsInPages(t.rows, t.pages, t.name), dbid, t.objectId));
    if (after.consistencyErrors > before.consistencyErrors)
        lines.push_back(dbccLine(
            msg::checkFoundInTable(command, after.consistencyErrors - before.consistencyErrors,
                                   t.name, t.objectId),
            dbid, t.objectId));
    if (after.consistencyFixed > before.consistencyFixed)
        lines.push_back(
            dbccLine(msg::tableFixed(command, 0, after.consistencyFixed - before.consistencyFixed,
                                     t.name, t.objectId),
                     dbid, t.objectId));
}

// A repair removes what it fixed.
void removeRepaired(DatabaseState& db, FindingTally& tally) {
    std::sort(tally.fixed.rbegin(), tally.fixed.rend());
    for (size_t i : tally.fixed)
        db.findings.erase(db.findings.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace

SessionImpl::Outcome SessionImpl::runDbcc(const Statement& s) {
    const QString& c = s.command;
    if (c == u"CHECKDB" || c == u"CHECKALLOC" || c == u"CHECKCATALOG") return dbccCheck(s);
    if (c == u"CHECKTABLE") return dbccCheckTable(s);
    if (c == u"UPDATEUSAGE") return dbccUpdateUsage(s);
    if (c == u"SHRINKFILE") return dbccShrinkFile(s);
    if (c == u"DBREINDEX") return dbccReindex(s);
    if (c == u"CHECKPRIMARYFILE") return dbccCheckPrimaryFile(s);
    return fail(msg::unknownDbcc(c));
}

SessionImpl::Outcome SessionImpl::emitDbcc(const std::vector<DbccLine>& lines, const Statement& s) {
    const bool noInfo = s.options.contains(u"NO_INFOMSGS"_s);
    const bool tabular = s.options.contains(u"TABLERESULTS"_s);
    std::vector<DbccLine> shown;
    for (const DbccLine& l : lines)
        if (!noInfo || l.level > 10) shown.push_back(l);
    bool errors = false;
    if (tabular) {
        if (!shown.empty()) {
            ResultSet rs;
            rs.columns = {dbccColumn("Error", ColumnType::Int),
                          dbccColumn("Level", ColumnType::Int),
                          dbccColumn("State", ColumnType::Int),
                          dbccColumn("MessageText", ColumnType::VarChar, 7000),
                          dbccColumn("RepairLevel", ColumnType::NVarChar, 128),
                          dbccColumn("Status", ColumnType::Int),
                          dbccColumn("DbId", ColumnType::Int),
                          dbccColumn("Id", ColumnType::Int),
                          dbccColumn("IndId", ColumnType::Int),
                          dbccColumn("File", ColumnType::Int),
                          dbccColumn("Page", ColumnType::Int),
                          dbccColumn("Slot", ColumnType::Int),
                          dbccColumn("RefFile", ColumnType::Int),
                          dbccColumn("RefPage", ColumnType::Int),
                          dbccColumn("RefSlot", ColumnType::Int),
                          dbccColumn("Allocation", ColumnType::Int)};
            for (const DbccLine& l : shown)
                rs.rows.push_back({qint64(l.error), qint64(l.level), qint64(l.state), l.text,
                                   l.repairLevel.isEmpty() ? Cell() : Cell(l.repairLevel),
                                   qint64(0), qint64(l.dbid), qint64(l.objectId), qint64(l.indId),
                                   qint64(l.file), qint64(l.page), qint64(l.slot),
                                   qint64(l.refFile), qint64(l.refPage), qint64(l.refSlot),
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
    if (!noInfo) message(msg::dbccCompleted());
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
    if (!db) return fail(error);
    FindingTally tally;
    for (size_t i = 1; i < s.args.size(); ++i) {
        if (isRepairOption(s.args[i]))
            tally.requestedRepair = s.args[i].text.toLower();
        else if (!sameName(s.args[i].text, u"NOINDEX"_s))
            return fail(msg::badDbccSyntax());
    }
    if (s.args.size() > 2) return fail(msg::badDbccSyntax());
    if (!tally.requestedRepair.isEmpty() && !repairAllowed(*db, error)) return fail(error);

    const QString& command = s.command;
    const bool checkdb = command == u"CHECKDB";
    std::vector<DbccLine> lines;
    lines.push_back(dbccLine(msg::dbccResultsFor(db->name), db->dbid, 0));
    if (command == u"CHECKCATALOG") return emitDbcc(lines, s);
    if (!takeTime(databasePages(*db))) return Outcome::Abort;

    const std::vector<TableInfo> tables = tablesOf(*db);
    auto objectIdOf = [&](const QString& table) {
        for (const TableInfo& t : tables)
            if (sameName(t.name, table)) return t.objectId;
        return 0;
    };
    auto belongsToTable = [&](const ScenarioFinding& f) {
        return !f.allocation && objectIdOf(f.table) != 0;
    };
    auto findingsWhere = [&](auto&& wanted) {
        std::vector<size_t> indices;
        for (size_t i = 0; i < db->findings.size(); ++i)
            if (wanted(db->findings[i])) indices.push_back(i);
        return indices;
    };
    auto reportTable = [&](const QString& table, int objectId) {
        tally.report(lines, db->findings, findingsWhere([&](const ScenarioFinding& f) {
                         return belongsToTable(f) && sameName(f.table, table);
                     }),
                     db->dbid, objectId);
    };

    // Allocation findings (and findings no table owns) come first.
    for (size_t i : findingsWhere([&](const ScenarioFinding& f) {
             return f.allocation || (checkdb && !belongsToTable(f));
         }))
        tally.report(lines, db->findings, {i}, db->dbid, objectIdOf(db->findings[i].table));
    if (command == u"CHECKALLOC") {
        std::vector<AllocatedTable> allocated;
        for (const TableInfo& t : tables)
            allocated.push_back({t.name, t.objectId, t.system ? 1 : 0, t.pages});
        const std::vector<DbccLine> allocation = allocationReport(*db, allocated);
        lines.insert(lines.end(), allocation.begin(), allocation.end());
    }
    if (checkdb && s.options.contains(u"PHYSICAL_ONLY"_s)) {
        for (const TableInfo& t : tables) reportTable(t.name, t.objectId);
    } else if (checkdb) {
        for (const TableInfo& t : tables) {
            const FindingTally before = tally;
            reportTable(t.name, t.objectId);
            lines.push_back(dbccLine(msg::dbccResultsFor(t.name), db->dbid, t.objectId));
            appendTableTotals(lines, command, t, db->dbid, before, tally);
        }
    }
    lines.push_back(dbccLine(msg::checkFoundInDatabase(command, tally.allocationErrors,
                                                       tally.consistencyErrors, db->name),
                             db->dbid, 0));
    if (!tally.fixed.empty())
        lines.push_back(dbccLine(
            msg::databaseFixed(command, tally.allocationFixed, tally.consistencyFixed, db->name),
            db->dbid, 0));
    if (!tally.minimumRepair.isEmpty())
        lines.push_back(dbccLine(
            msg::minimumRepairLevel(tally.minimumRepair, command, db->name, tally.requestedRepair),
            db->dbid, 0));
    if (!tally.fixed.empty()) rememberForRollback(*db);
    removeRepaired(*db, tally);
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
        else if (!sameName(s.args[1].text, u"NOINDEX"_s) && s.args[1].kind != DbccArg::Kind::Number)
            return fail(msg::badDbccSyntax());
    }
    const QString written = s.args.front().text;
    const auto name = parseObjectName(written);
    if (!name) return fail(msg::tableNotFound(written));
    DatabaseState* target = db;
    if (!name->database.isEmpty()) target = m_state->database(name->database);
    const std::vector<TableInfo> tables = target ? tablesOf(*target) : std::vector<TableInfo>{};
    const auto table = std::find_if(tables.begin(), tables.end(), [&](const TableInfo& t) {
        return sameName(t.name, name->name);
    });
    if (!target || table == tables.end()) return fail(msg::tableNotFound(written));
    Message error;
    if (!tally.requestedRepair.isEmpty() && !repairAllowed(*target, error)) return fail(error);
    if (!takeTime(table->pages)) return Outcome::Abort;  // tables holds copies: safe after it

    const QString command = u"CHECKTABLE"_s;
    // As in CHECKDB, a table's findings come before its "DBCC results for" line.
    std::vector<DbccLine> lines;
    std::vector<size_t> indices;
    for (size_t i = 0; i < target->findings.size(); ++i) {
        const ScenarioFinding& f = target->findings[i];
        if (!f.allocation && sameName(f.table, table->name)) indices.push_back(i);
    }
    tally.report(lines, target->findings, indices, target->dbid, table->objectId);
    lines.push_back(dbccLine(msg::dbccResultsFor(table->name), target->dbid, table->objectId));
    appendTableTotals(lines, command, *table, target->dbid, FindingTally{}, tally);
    if (!tally.minimumRepair.isEmpty())
        lines.push_back(dbccLine(
            msg::minimumRepairLevel(tally.minimumRepair, command,
                                    target->name + u".dbo."_s + table->name, tally.requestedRepair),
            target->dbid, table->objectId));
    if (!tally.fixed.empty()) rememberForRollback(*target);
    removeRepaired(*target, tally);
    return emitDbcc(lines, s);
}

}  // namespace sqlsim
