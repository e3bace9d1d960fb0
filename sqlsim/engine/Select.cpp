// SELECT: the query over one table, and the virtual system tables it reads.

#include "sqlsim/engine/CellValues.h"
#include "sqlsim/engine/CollationOrder.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <QDateTime>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

ColumnDef textColumn(const QString& name, int length) {
    ColumnDef c;
    c.name = name;
    c.type = ColumnType::NVarChar;
    c.length = length;
    return c;
}

ColumnDef intColumn(const QString& name, ColumnType type = ColumnType::Int) {
    ColumnDef c;
    c.name = name;
    c.type = type;
    return c;
}

}  // namespace

DatabaseState* SessionImpl::databaseFor(const ObjectName& name, Message& error) const {
    if (name.database.isEmpty()) return current();
    DatabaseState* db = m_state->database(name.database);
    if (!db) {
        error = msg::unknownDatabase(name.database);
        return nullptr;
    }
    // A name qualified with a database makes the same check as entering it.
    if (!m_state->mayEnter(m_spid, *db)) {
        error = msg::singleUserInUse(db->name);
        return nullptr;
    }
    return db;
}

bool SessionImpl::openTable(const ObjectName& name, RowSource& out, Message& error) {
    DatabaseState* db = databaseFor(name, error);
    if (!db) return false;
    const QString& n = name.name;
    if (sameName(n, u"sysdatabases"_s) && sameName(db->name, u"master"_s)) {
        out.columns = {textColumn(u"name"_s, 128),
                       intColumn(u"dbid"_s, ColumnType::SmallInt),
                       ColumnDef{u"sid"_s, ColumnType::VarBinary, 85},
                       intColumn(u"mode"_s, ColumnType::SmallInt),
                       intColumn(u"status"_s),
                       intColumn(u"status2"_s),
                       ColumnDef{u"crdate"_s, ColumnType::DateTime, 0},
                       ColumnDef{u"reserved"_s, ColumnType::DateTime, 0},
                       intColumn(u"category"_s),
                       intColumn(u"cmptlevel"_s, ColumnType::TinyInt),
                       textColumn(u"filename"_s, 260),
                       intColumn(u"version"_s, ColumnType::SmallInt)};
        const bool is70 = m_state->profile == Profile::Sql70;
        // sa (sid 0x01) owns every database: it is the only login.
        const QByteArray saSid(1, '\x01');
        const QDateTime reserved(QDate(1900, 1, 1), QTime(0, 0));
        for (const DatabaseState& d : m_state->databases) {
            const QString primary = d.files.empty() ? QString() : d.files.front().filename;
            out.rows.push_back({d.name, qint64(d.dbid), saSid, qint64(0),
                                qint64(d.singleUser ? 0x1000 | 16 : 16), qint64(1090519040),
                                d.created, reserved, qint64(0), qint64(is70 ? 70 : 80), primary,
                                qint64(is70 ? 515 : 539)});
        }
        return true;
    }
    if (sameName(n, u"sysfiles"_s)) {
        ColumnDef nameColumn = textColumn(u"name"_s, 128);
        nameColumn.type = ColumnType::NChar;
        ColumnDef fileColumn = textColumn(u"filename"_s, 260);
        fileColumn.type = ColumnType::NChar;
        out.columns = {intColumn(u"fileid"_s, ColumnType::SmallInt),
                       intColumn(u"groupid"_s, ColumnType::SmallInt),
                       intColumn(u"size"_s),
                       intColumn(u"maxsize"_s),
                       intColumn(u"growth"_s),
                       intColumn(u"status"_s),
                       intColumn(u"perf"_s),
                       nameColumn,
                       fileColumn};
        for (const ScenarioFile& f : db->files)
            out.rows.push_back({qint64(f.fileId), qint64(f.groupId), qint64(f.sizePages),
                                qint64(-1), qint64(10),
                                qint64(f.groupId == 0 ? 0x100042 : 0x100002), qint64(0),
                                padded(f.name, 128), padded(f.filename, 260)});
        return true;
    }
    if (sameName(n, u"sysobjects"_s)) {
        const ColumnDef xtype{u"xtype"_s, ColumnType::Char, 2};
        ColumnDef type = xtype;
        type.name = u"type"_s;
        out.columns = {textColumn(u"name"_s, 128), intColumn(u"id"_s), xtype,
                       intColumn(u"uid"_s, ColumnType::SmallInt), type};
        for (const SystemTableInfo& t : systemTables())
            out.rows.push_back(
                {QString::fromUtf16(t.name), qint64(t.objectId), u"S "_s, qint64(1), u"S "_s});
        for (const TableObject& t : db->tables)
            out.rows.push_back({t.name, qint64(t.objectId), u"U "_s, qint64(1), u"U "_s});
        for (const ProcObject& p : db->procs)
            out.rows.push_back({p.name, qint64(p.objectId), u"P "_s, qint64(1), u"P "_s});
        return true;
    }
    TableObject* t = db->table(n);
    if (!t) {
        error = msg::invalidObject(name.written);
        return false;
    }
    if (t->created) {
        out.columns = t->columns;
        out.rows = t->rows;
        return true;
    }
    if (!t->generate.column.isEmpty()) {
        ColumnDef c;
        c.name = t->generate.column;
        c.type = ColumnType::VarChar;
        c.length = t->generate.width;
        out.columns = {c};
        out.rows.reserve(static_cast<int>(t->nominalRows));
        // Row i is the alphabet, repeated, starting at its i-th letter.
        const QString alphabet = u"abcdefghijklmnopqrstuvwxyz"_s;
        const QString pattern = alphabet.repeated(t->generate.width / 26 + 2);
        for (qint64 i = 0; i < t->nominalRows; ++i)
            out.rows.push_back({pattern.mid(static_cast<int>(i % 26), t->generate.width)});
        return true;
    }
    out.columns = {intColumn(u"id"_s)};
    for (qint64 i = 1; i <= t->nominalRows; ++i) out.rows.push_back({i});
    return true;
}

bool SessionImpl::select(const SelectQuery& q, RowSource& out, Message& error) {
    RowSource source;
    const bool hasFrom = !q.from.empty();
    if (hasFrom && !openTable(q.from, source, error)) return false;
    QVector<QVector<Cell>> rows;
    if (!hasFrom) {
        rows.push_back({});
    } else {
        for (const auto& row : source.rows) {
            bool keep = true;
            for (const Condition& c : q.where) {
                const Cell a = evaluate(*c.left, &source, &row);
                const Cell b = evaluate(*c.right, &source, &row);
                if (a.isNull() || b.isNull()) {
                    keep = false;
                    break;
                }
                const int cmp = compareCells(a, b);
                const bool ok = c.op == u"="                       ? cmp == 0
                                : (c.op == u"<>" || c.op == u"!=") ? cmp != 0
                                : c.op == u"<"                     ? cmp < 0
                                : c.op == u">"                     ? cmp > 0
                                : c.op == u"<="                    ? cmp <= 0
                                : c.op == u">="                    ? cmp >= 0
                                                                   : like(cellText(a), cellText(b));
                if (!ok) {
                    keep = false;
                    break;
                }
            }
            if (keep) rows.push_back(row);
        }
    }
    if (!q.orderBy.isEmpty()) {
        int index = -1;
        for (int i = 0; i < source.columns.size(); ++i)
            if (sameName(source.columns[i].name, q.orderBy)) index = i;
        if (index < 0) {
            error = msg::invalidColumn(q.orderBy);
            return false;
        }
        const CollationOrder order(m_state->collation, source.columns[index].type);
        std::stable_sort(
            rows.begin(), rows.end(), [&](const QVector<Cell>& a, const QVector<Cell>& b) {
                const Cell& x = a[index];
                const Cell& y = b[index];
                const bool text = !x.isNull() && !y.isNull() && !isNumber(x) && !isNumber(y);
                const int cmp = text ? order.compare(cellText(x), cellText(y)) : compareCells(x, y);
                return q.orderDescending ? cmp > 0 : cmp < 0;
            });
    }
    if (q.top >= 0 && rows.size() > q.top) rows.resize(q.top);
    // Aggregate: a lone count(*).
    if (q.items.size() == 1 && q.items[0]->kind == Expr::Kind::Function &&
        q.items[0]->name == u"count") {
        out.columns = {intColumn(q.itemNames[0])};
        out.rows = {{qint64(rows.size())}};
        return true;
    }
    // Projection.
    QVector<int> sourceIndex;  // -1: computed, typed from the values; -2: a global variable
    for (size_t i = 0; i < q.items.size(); ++i) {
        const Expr& e = *q.items[i];
        if (e.kind == Expr::Kind::Star) {
            if (!hasFrom) {
                error = msg::noTableToSelectFrom();
                return false;
            }
            for (int k = 0; k < source.columns.size(); ++k) {
                out.columns.push_back(source.columns[k]);
                sourceIndex.push_back(k);
            }
            continue;
        }
        int index = -1;
        if (e.kind == Expr::Kind::Column) {
            for (int k = 0; k < source.columns.size(); ++k)
                if (sameName(source.columns[k].name, e.name)) index = k;
            if (index < 0) {
                error = msg::invalidColumn(e.name);
                return false;
            }
            ColumnDef c = source.columns[index];
            c.name = q.itemNames[static_cast<int>(i)];
            out.columns.push_back(c);
        } else if (const auto global =
                       e.kind == Expr::Kind::Variable ? globalValue(e.name) : std::nullopt) {
            ColumnDef c = global->column;  // a global variable has its own type
            c.name = q.itemNames[static_cast<int>(i)];
            out.columns.push_back(c);
            index = -2;
        } else {
            out.columns.push_back(textColumn(q.itemNames[static_cast<int>(i)], 0));  // typed below
        }
        sourceIndex.push_back(index);
    }
    for (const auto& row : rows) {
        QVector<Cell> projected;
        int column = 0;
        for (size_t i = 0; i < q.items.size(); ++i) {
            const Expr& e = *q.items[i];
            if (e.kind == Expr::Kind::Star) {
                for (const Cell& c : row) projected.push_back(c);
                column += static_cast<int>(row.size());
                continue;
            }
            projected.push_back(sourceIndex[column] >= 0
                                    ? row[sourceIndex[column]]
                                    : evaluate(e, hasFrom ? &source : nullptr, &row));
            ++column;
        }
        out.rows.push_back(projected);
    }
    // Computed columns take their type from the values.
    for (int k = 0; k < out.columns.size(); ++k) {
        if (sourceIndex[k] != -1) continue;
        bool allInts = !out.rows.isEmpty();
        int longest = 1;
        for (const auto& r : out.rows) {
            const Cell& v = r[k];
            if (v.isNull()) continue;
            if (v.typeId() != QMetaType::LongLong) allInts = false;
            longest = qMax(longest, static_cast<int>(cellText(v).size()));
        }
        if (allInts) {
            out.columns[k].type = ColumnType::Int;
        } else {
            out.columns[k].type = ColumnType::NVarChar;
            out.columns[k].length = longest <= 256 ? 256 : 4000;
        }
    }
    return true;
}

SessionImpl::Outcome SessionImpl::runSelect(const Statement& s) {
    RowSource rs;
    Message error;
    if (!select(s.select, rs, error))
        return error.number == 208 || error.number == 207 ? abort(error) : fail(error);
    if (m_settings.fmtOnly) rs.rows.clear();
    const qint64 n = rs.rows.size();
    result(ResultSet{rs.columns, rs.rows});
    done(true, n, 0xC1);
    return Outcome::Ok;
}

SessionImpl::Outcome SessionImpl::runIf(const Statement& s) {
    RowSource rs;
    Message error;
    if (!select(s.select, rs, error))
        return error.number == 208 || error.number == 207 ? abort(error) : fail(error);
    const bool exists = !rs.rows.isEmpty();
    if (exists != s.negate) return run(*s.thenBranch);
    if (s.elseBranch) return run(*s.elseBranch);
    done(false, 0, 0);
    return Outcome::Ok;
}

}  // namespace sqlsim
