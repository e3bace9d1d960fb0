// The statements that change the server: USE, CREATE and DROP, EXEC of a string, INSERT, BACKUP
// LOG, SET and PRINT.

#include "sqlsim/engine/CellValues.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"
#include "sqlsim/engine/SessionSettings.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

QString typeName(const ColumnDef& c) {
    switch (c.type) {
        case ColumnType::Int:
            return u"int"_s;
        case ColumnType::SmallInt:
            return u"smallint"_s;
        case ColumnType::TinyInt:
            return u"tinyint"_s;
        default:
            return u"varchar"_s;
    }
}

}  // namespace

// ---- USE
// ------------------------------------------------------------------------------------------

bool SessionImpl::enter(DatabaseState& db, Message& error) {
    if (!m_state->mayEnter(m_spid, db)) {
        error = msg::singleUserInUse(db.name);
        return false;
    }
    m_dbid = db.dbid;
    m_state->enter(m_spid, m_dbid);
    return true;
}

SessionImpl::Outcome SessionImpl::runUse(const Statement& s) {
    DatabaseState* db = m_state->database(s.database);
    if (!db) return abort(msg::unknownDatabase(s.database));
    const QString old = current() ? current()->name : QString();
    Message error;
    if (!enter(*db, error)) return abort(error);
    m_frame.out->push_back(DatabaseChange{db->name, old});
    message(msg::changedDatabase(db->name));
    done(false, 0, 0);
    return Outcome::Ok;
}

// ---- CREATE / DROP
// --------------------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runCreateTable(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db) return abort(error);
    if (db->hasObject(s.object.name) ||
        std::any_of(systemTables().begin(), systemTables().end(), [&](const SystemTableInfo& t) {
            return sameName(QString::fromUtf16(t.name), s.object.name);
        }))
        return fail(msg::objectExists(s.object.name));
    TableObject t;
    t.name = s.object.name;
    if (!s.object.owner.isEmpty()) t.owner = s.object.owner;
    t.objectId = ServerState::createdObjectId(db->dbid, t.name);
    t.created = true;
    t.indexIds.clear();  // a new table is a heap: no index to rebuild
    for (const ColumnDeclaration& c : s.columns) {
        for (const ColumnDef& existing : t.columns)
            if (sameName(existing.name, c.name)) return fail(msg::duplicateColumn(c.name, t.name));
        t.columns.push_back(c.def);
    }
    db->tables.push_back(t);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runCreateProc(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db) return abort(error);
    if (db->hasObject(s.object.name)) return fail(msg::objectExists(s.object.name));
    ProcObject p;
    p.name = s.object.name;
    if (!s.object.owner.isEmpty()) p.owner = s.object.owner;
    p.objectId = ServerState::createdObjectId(db->dbid, p.name);
    p.body = s.body;
    p.statements = s.bodyStatements;
    db->procs.push_back(p);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runDrop(const Statement& s) {
    const bool proc = s.kind == Statement::Kind::DropProc;
    Outcome outcome = Outcome::Ok;
    for (const ObjectName& name : s.objects) {
        Message error;
        DatabaseState* db = databaseFor(name, error);
        if (!db) {
            message(error);
            outcome = Outcome::Failed;
            continue;
        }
        bool dropped = false;
        if (proc) {
            auto it = std::find_if(db->procs.begin(), db->procs.end(), [&](const ProcObject& p) {
                return sameName(p.name, name.name);
            });
            if (it != db->procs.end()) {
                db->procs.erase(it);
                dropped = true;
            }
        } else {
            auto it = std::find_if(db->tables.begin(), db->tables.end(), [&](const TableObject& t) {
                return sameName(t.name, name.name);
            });
            if (it != db->tables.end()) {
                db->tables.erase(it);
                dropped = true;
            }
        }
        if (!dropped) {
            message(proc ? msg::cannotDropProcedure(name.name) : msg::cannotDropTable(name.name));
            outcome = Outcome::Failed;
        }
    }
    done(false, 0, 0);
    return outcome;
}

// ---- EXEC ('...') and INSERT
// ----------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runExecString(const Statement& s) {
    const Cell text = evaluate(*s.text, nullptr, nullptr);
    const QString batch = text.isNull() ? QString() : cellText(text);
    const ParseOutcome parsed = parseBatch(batch, m_state->profile, m_state->collation.codePage);
    // The string is a batch of its own: its messages name no procedure, even inside one.
    const QString procName = std::exchange(m_frame.procName, QString());
    Outcome o = Outcome::Failed;
    if (!parsed.errors.empty()) {
        o = compileFailed(parsed.errors, Outcome::Failed);
    } else if (!nestDeeper()) {
        o = Outcome::Abort;
    } else {
        o = runStatements(parsed.statements);
        --m_nesting;
        if (o == Outcome::Abort) o = Outcome::Failed;
    }
    m_frame.procName = procName;
    return o;
}

bool SessionImpl::insertRows(TableObject& table, const std::vector<QString>& columns,
                             const QVector<QVector<Cell>>& rows) {
    // Map the given columns (or all) onto the table's.
    QVector<int> targets;
    if (columns.empty()) {
        for (int i = 0; i < table.columns.size(); ++i) targets.push_back(i);
    } else {
        for (const QString& c : columns) {
            int index = -1;
            for (int i = 0; i < table.columns.size(); ++i)
                if (sameName(table.columns[i].name, c)) index = i;
            if (index < 0) {
                fail(msg::invalidColumn(c));
                return false;
            }
            targets.push_back(index);
        }
    }
    QVector<QVector<Cell>> converted;
    for (const auto& row : rows) {
        if (row.size() != targets.size()) {
            fail(msg::columnCountMismatch());
            return false;
        }
        QVector<Cell> out(table.columns.size());
        for (int k = 0; k < targets.size(); ++k) {
            const ColumnDef& def = table.columns[targets[k]];
            const Cell& v = row[k];
            if (v.isNull()) continue;
            if (def.type == ColumnType::Variant) {  // the value keeps its own type
                out[targets[k]] = v;
                continue;
            }
            if (def.type == ColumnType::Int || def.type == ColumnType::SmallInt ||
                def.type == ColumnType::TinyInt) {
                bool ok = false;
                const qint64 n =
                    isNumber(v) ? v.toLongLong(&ok) : cellText(v).trimmed().toLongLong(&ok);
                if (!ok) {
                    fail(msg::conversionFailed(cellText(v), typeName(def)));
                    return false;
                }
                out[targets[k]] = n;
                continue;
            }
            QString text = cellText(v);
            // A varchar column keeps the text in the server's code page and counts its length in
            // bytes of that code page; an nvarchar column keeps everything and counts characters.
            QString rest;
            if (def.type == ColumnType::VarChar) {
                const CodePage page = m_state->collation.codePage;
                const QByteArray bytes = codepage::encode(page, text);
                const qsizetype kept = codepage::fittingBytes(page, bytes, def.length);
                text = codepage::decode(page, QByteArrayView(bytes).first(kept));
                rest = codepage::decode(page, QByteArrayView(bytes).sliced(kept));
            } else if (text.size() > def.length) {
                rest = text.mid(def.length);
                text.truncate(def.length);
            }
            // Trailing blanks may be cut; anything else would be lost.
            if (!rest.trimmed().isEmpty()) {
                message(msg::truncated());
                message(msg::statementTerminated());
                done(false, 0, 0);
                return false;
            }
            out[targets[k]] = text;
        }
        converted.push_back(out);
    }
    table.rows += converted;
    return true;
}

SessionImpl::Outcome SessionImpl::runInsert(const Statement& s) {
    Message error;
    DatabaseState* db = databaseFor(s.object, error);
    if (!db) return abort(error);
    TableObject* table = db->table(s.object.name);
    if (!table || !table->created) return abort(msg::invalidObject(s.object.written));
    const int databaseId = db->dbid;
    std::vector<QString> columns;
    for (const ColumnDeclaration& c : s.columns) columns.push_back(c.name);
    QVector<QVector<Cell>> rows;
    if (s.source) {
        QVector<ColumnDef> sourceColumns;
        const Frame saved = m_frame;
        m_frame.capture = &rows;
        m_frame.captureColumns = &sourceColumns;
        // What runs inside is part of this statement: a cancel undoes it all.
        ++m_insertExecDepth;
        const Outcome o = run(*s.source);
        --m_insertExecDepth;
        m_frame = saved;
        if (m_insertExecDepth == 0) {
            if (m_cancelled) rollBack();
            m_rollback.clear();
        }
        if (m_cancelled) return Outcome::Abort;  // what it collected is not inserted
        if (o == Outcome::Abort) return o;
        if (o == Outcome::Failed) {
            done(false, 0, 0);
            return o;
        }
        // What ran may have attached a database or created or dropped tables: look both up again.
        db = m_state->databaseById(databaseId);
        table = db ? db->table(s.object.name) : nullptr;
        if (!table) return abort(msg::invalidObject(s.object.written));
    } else {
        for (const auto& valueRow : s.values) {
            QVector<Cell> row;
            for (const auto& e : valueRow) row.push_back(evaluate(*e, nullptr, nullptr));
            rows.push_back(row);
        }
    }
    if (!insertRows(*table, columns, rows)) return Outcome::Failed;
    done(true, rows.size(), 0xC3);
    return Outcome::Ok;
}

// ---- BACKUP LOG, SET, PRINT
// -----------------------------------------------------------------------

SessionImpl::Outcome SessionImpl::runBackup(const Statement& s) {
    DatabaseState* db = m_state->database(s.database);
    if (!db) {
        message(msg::unknownDatabase(s.database));
        return fail(m_state->profile == Profile::Sql70 ? msg::backupTerminated70()
                                                       : msg::backupTerminated(u"BACKUP LOG"_s));
    }
    if (!m_state->mayEnter(m_spid, *db)) return abort(msg::singleUserInUse(db->name));
    // The log is emptied without being kept anywhere: its pages are free again.
    for (ScenarioFile& f : db->files)
        if (f.groupId == 0) f.usedPages = qMin(f.usedPages, 24);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runSet(const Statement& s) {
    std::vector<Message> info;
    const std::optional<Message> refused = setoption::apply(m_settings, s.options, s.body, info);
    for (const Message& m : info) message(m);
    if (refused) return fail(*refused);
    done(false, 0, 0);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runPrint(const Statement& s) {
    const Cell v = evaluate(*s.text, nullptr, nullptr);
    message(msg::make(0, 0, v.isNull() ? QString() : cellText(v)));
    done(false, 0, 0);
    return Outcome::Ok;
}

}  // namespace sqlsim
