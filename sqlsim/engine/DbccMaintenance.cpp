// The DBCC statements that maintain a database rather than check it: UPDATEUSAGE, SHRINKFILE and
// DBREINDEX.

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace sqlsim {

SessionImpl::Outcome SessionImpl::dbccUpdateUsage(const Statement& s) {
    Message error;
    DatabaseState* db = dbccDatabase(s, error);
    if (!db) return fail(error);
    TableObject* only = nullptr;
    std::optional<ObjectName> name;
    if (s.args.size() >= 2) {
        name = parseObjectName(s.args[1].text);
        only = name ? db->table(name->name) : nullptr;
        if (!only) return fail(msg::tableNotFound(s.args[1].text));
    }
    if (!takeTime(only ? only->pages : databasePages(*db))) return Outcome::Abort;
    // Other sessions may have created or dropped tables meanwhile.
    if (name) {
        only = db->table(name->name);
        if (!only) return fail(msg::tableNotFound(s.args[1].text));
    }
    rememberForRollback(*db);
    // Counts a scenario marks as wrong are reported per sysindexes row, then they are right.
    std::vector<DbccLine> lines;
    for (TableObject& t : db->tables) {
        if ((only && &t != only) || t.usageCorrections.empty()) continue;
        int reportedIndex = -1;
        for (const UsageCorrection& c : t.usageCorrections) {
            if (c.indId != reportedIndex)
                lines.push_back(
                    dbccLine(msg::usageRowUpdated(t.name, c.indId), db->dbid, t.objectId));
            reportedIndex = c.indId;
            lines.push_back(
                dbccLine(msg::usageCountChanged(c.counter, c.from, c.to), db->dbid, t.objectId));
        }
        t.usageCorrections.clear();
    }
    return emitDbcc(lines, s);
}

SessionImpl::Outcome SessionImpl::dbccShrinkFile(const Statement& s) {
    DatabaseState* db = current();
    if (!db || s.args.empty() || s.args.size() > 3) return fail(msg::badDbccSyntax());
    const DbccArg& which = s.args.front();
    const auto fileWithId = [db](int fileId) {
        ScenarioFile* found = nullptr;
        for (ScenarioFile& f : db->files)
            if (f.fileId == fileId) found = &f;
        return found;
    };
    ScenarioFile* file = nullptr;
    QString name = which.text;
    if (which.kind == DbccArg::Kind::Number) {
        file = fileWithId(which.text.toInt());
    } else {
        // Trailing blanks of the name do not count, as in any comparison of texts.
        while (name.endsWith(u' ')) name.chop(1);
        for (ScenarioFile& f : db->files)
            if (sameName(f.name, name)) file = &f;
    }
    if (!file) return fail(msg::fileNotInSysfiles(name));
    // A shrink goes through the pages in use, moving them to the front of the file.
    const int fileId = file->fileId;
    if (!takeTime(file->usedPages)) return Outcome::Abort;
    file = fileWithId(fileId);
    if (!file) return fail(msg::fileNotInSysfiles(name));
    rememberForRollback(*db);
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
    rs.columns = {
        dbccColumn("DbId", ColumnType::SmallInt),   dbccColumn("FileId", ColumnType::Int),
        dbccColumn("CurrentSize", ColumnType::Int), dbccColumn("MinimumSize", ColumnType::Int),
        dbccColumn("UsedPages", ColumnType::Int),   dbccColumn("EstimatedPages", ColumnType::Int)};
    rs.rows.push_back({qint64(db->dbid), qint64(file->fileId), qint64(newSize), qint64(minimum),
                       qint64(file->usedPages), qint64(file->usedPages)});
    result(std::move(rs));
    done(true, 1, 0);
    if (!s.options.contains(u"NO_INFOMSGS"_s)) message(msg::dbccCompleted());
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::dbccReindex(const Statement& s) {
    DatabaseState* db = current();
    if (!db || s.args.empty() || s.args.size() > 3) return fail(msg::badDbccSyntax());
    const QString written = s.args.front().text;
    const auto name = parseObjectName(written);
    DatabaseState* target = db;
    if (name && !name->database.isEmpty()) target = m_state->database(name->database);
    const TableObject* before = name && target ? target->table(name->name) : nullptr;
    if (!before) return fail(msg::tableNotFound(written));
    if (!takeTime(before->pages)) return Outcome::Abort;
    // Another connection may have dropped the table during the wait.
    TableObject* after = target->table(name->name);
    if (!after) return fail(msg::tableNotFound(written));
    rememberForRollback(*target);
    TableObject& table = *after;
    ++table.indexRebuilds;
    std::vector<DbccLine> lines;
    for (const int indId : table.indexIds)
        lines.push_back(dbccLine(msg::indexRebuilt(indId), target->dbid, table.objectId, indId));
    return emitDbcc(lines, s);
}

}  // namespace sqlsim
