// Detached database files: dbcc checkprimaryfile reads a primary file's record, sp_attach_db and
// sp_attach_single_file_db make a database of the files.

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/SessionImpl.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

SessionImpl::Outcome SessionImpl::dbccCheckPrimaryFile(const Statement& s) {
    if (s.args.size() != 2 || s.args[0].kind != DbccArg::Kind::String ||
        s.args[1].kind != DbccArg::Kind::Number)
        return fail(msg::badDbccSyntax());
    const QString path = s.args[0].text;
    if (!m_state->fileAvailable(path))
        return fail(m_state->missingPrimaryFileError == 5120 ? msg::cannotOpenPhysicalFile(path)
                                                             : msg::deviceActivation(path));
    const std::optional<DetachedDatabase> d = m_state->detachedByPrimary(path);
    if (!d) return fail(msg::notPrimaryFile(path));
    const int option = s.args[1].text.toInt();
    ResultSet rs;
    if (option == 0) {
        rs.columns = {dbccColumn("IsMDF", ColumnType::Int)};
        rs.rows.push_back({qint64(1)});
    } else if (option == 1 || option == 3) {
        rs.columns = {dbccColumn("status", ColumnType::Int),
                      dbccColumn("fileid", ColumnType::SmallInt),
                      dbccColumn("name", ColumnType::NChar, 128),
                      dbccColumn("filename", ColumnType::NChar, 260)};
        for (const DetachedRecordedFile& f : d->files)
            rs.rows.push_back({qint64(f.groupId == 0 ? 0x100042 : 0x100002), qint64(f.fileId),
                               padded(f.name, 128), padded(f.filename, 260)});
    } else if (option == 2) {
        // The values are sql_variants, each with its own type; 7.0 has no sql_variant and answers
        // text.
        const bool is70 = m_state->profile == Profile::Sql70;
        rs.columns = {dbccColumn("property", ColumnType::NVarChar, 128),
                      is70 ? dbccColumn("value", ColumnType::NVarChar, 4000)
                           : dbccColumn("value", ColumnType::Variant)};
        rs.rows.push_back({u"Database name"_s, d->databaseName});
        rs.rows.push_back({u"Database version"_s, is70 ? Cell(u"515"_s) : Cell(qint64(539))});
        rs.rows.push_back(
            {u"Collation"_s, is70 ? Cell(u"53256"_s) : Cell(m_state->collation.collationId)});
    } else {
        return fail(msg::badDbccSyntax());
    }
    const qint64 n = rs.rows.size();
    result(std::move(rs));
    done(true, n, 0);
    message(msg::dbccCompleted());
    done(false, 0, 0);
    return Outcome::Ok;
}

// ---- sp_attach_db / sp_attach_single_file_db
// ------------------------------------------------------

int SessionImpl::spAttachDb(const std::vector<ExecParam>& params, bool singleFile) {
    const QString procedure = singleFile ? u"sp_attach_single_file_db"_s : u"sp_attach_db"_s;
    const QString fileParameter = singleFile ? u"@physname"_s : u"@filename1"_s;
    const auto dbname = paramValue(params, u"@dbname"_s, 0);
    const auto first = paramValue(params, fileParameter, 1);
    // Both parameters have no default: leaving one out fails before the procedure runs; passing
    // NULL (or '') reaches its own check.
    if (!dbname || !first) {
        message(msg::parameterNotSupplied(procedure, dbname ? fileParameter : u"@dbname"_s));
        done(false, 0, 0);
        return 1;
    }
    if (dbname->isEmpty() || first->isEmpty()) {
        message(msg::nameCannotBeNull());
        done(false, 0, 0);
        return 1;
    }
    const QString name = *dbname;
    std::vector<QString> paths{*first};
    for (size_t i = 2; !singleFile && i <= 16; ++i) {
        const auto p = paramValue(params, u"@filename%1"_s.arg(i), i);
        if (p) paths.push_back(*p);
    }
    // From here on the procedure's EXEC of the attach statement speaks: its messages name no
    // procedure.
    if (m_state->database(name)) {
        message(msg::databaseAlreadyExists(name), false);
        done(false, 0, 0);
        return 1;
    }
    auto refuse = [&](const Message& why) {
        message(why, false);
        message(msg::cannotOpenNewDatabase(name), false);
        done(false, 0, 0);
        return 1;
    };
    for (const QString& path : paths)
        if (!m_state->fileAvailable(path)) return refuse(msg::deviceActivation(path));
    const std::optional<DetachedDatabase> source = m_state->detachedByPrimary(paths.front());
    if (!source) return refuse(msg::notPrimaryFile(paths.front()));
    DatabaseState db;
    db.name = name;
    db.dbid = 1;
    for (const DatabaseState& d : m_state->databases) db.dbid = qMax(db.dbid, d.dbid + 1);
    // A single file brings its log along only when every recorded log lies where it is recorded.
    const QString* missingLog = nullptr;
    for (const DetachedRecordedFile& recorded : source->files)
        if (singleFile && recorded.groupId == 0 && !missingLog &&
            !m_state->fileAvailable(recorded.filename))
            missingLog = &recorded.filename;
    for (size_t i = 0; i < source->files.size(); ++i) {
        const DetachedRecordedFile& recorded = source->files[i];
        if (missingLog && recorded.groupId == 0) continue;  // the log is built anew
        ScenarioFile f;
        f.fileId = recorded.fileId;
        f.name = recorded.name;
        f.groupId = recorded.groupId;
        if (i < paths.size()) {
            f.filename = paths[i];
        } else {
            // Not named in the statement: the server looks where the primary file says it lies.
            if (!m_state->fileAvailable(recorded.filename))
                return refuse(msg::deviceActivation(recorded.filename));
            f.filename = recorded.filename;
        }
        f.sizePages = recorded.groupId == 0 ? 128 : 384;
        f.usedPages = recorded.groupId == 0 ? 40 : 200;
        db.files.push_back(f);
    }
    if (missingLog) {
        ScenarioFile log;
        log.fileId = 2;
        for (const ScenarioFile& f : db.files) log.fileId = qMax(log.fileId, f.fileId + 1);
        log.name = name + u"_log"_s;
        log.filename = folderOf(paths.front()) + name + u"_log.LDF"_s;
        log.groupId = 0;
        log.sizePages = 128;
        log.usedPages = 16;
        db.files.push_back(log);
        Message oldLog = msg::deviceActivation(*missingLog);
        oldLog.severity = m_state->logRebuildSeverity;
        message(oldLog, false);
        message(msg::newLogFileCreated(log.filename, m_state->logRebuildSeverity), false);
    }
    for (const ScenarioTable& t : source->tables)
        db.tables.push_back(m_state->tableFromScenario(t));
    // The files now belong to the attached database.
    const QString primary = source->path;
    m_state->detached.erase(
        std::remove_if(m_state->detached.begin(), m_state->detached.end(),
                       [&](const DetachedDatabase& d) { return sameName(d.path, primary); }),
        m_state->detached.end());
    m_state->databases.push_back(std::move(db));
    // "if @@error <> 0 return(1)" after the EXEC: an error-level log rebuild message makes the
    // procedure report failure although the database is attached.
    return missingLog && m_state->logRebuildSeverity > 10 ? 1 : 0;
}

}  // namespace sqlsim
