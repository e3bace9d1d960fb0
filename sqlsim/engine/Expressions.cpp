// Expressions: literals, variables, operators and the built-in functions.

#include "sqlsim/engine/CellValues.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/Parser.h"
#include "sqlsim/engine/SessionImpl.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sqlsim {

QString cellText(const Cell& c) {
    switch (c.typeId()) {
        case QMetaType::QByteArray:
            return u"0x"_s + QString::fromLatin1(c.toByteArray().toHex().toUpper());
        case QMetaType::QDateTime:
            return c.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
        default:
            return c.toString();
    }
}

bool isNumber(const Cell& c) {
    const auto t = c.typeId();
    return t == QMetaType::LongLong || t == QMetaType::Int || t == QMetaType::Double;
}

// Comparison under a case-insensitive collation; numbers compare as numbers.
int compareCells(const Cell& a, const Cell& b) {
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (isNumber(a) || isNumber(b)) {
        bool ok = false;
        const double x = a.toString().trimmed().toDouble(&ok);
        bool ok2 = false;
        const double y = b.toString().trimmed().toDouble(&ok2);
        if (ok && ok2) return x < y ? -1 : (x > y ? 1 : 0);
    }
    // Trailing blanks do not count in comparisons.
    QString x = cellText(a);
    QString y = cellText(b);
    while (x.endsWith(u' ')) x.chop(1);
    while (y.endsWith(u' ')) y.chop(1);
    return x.compare(y, Qt::CaseInsensitive);
}

bool like(const QString& text, const QString& pattern) {
    QString rx;
    for (const QChar c : pattern) {
        if (c == u'%')
            rx += u".*"_s;
        else if (c == u'_')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

std::optional<GlobalValue> SessionImpl::globalValue(const QString& name) const {
    return globalVariable(name, GlobalContext{m_settings, m_state->profile, m_spid,
                                              m_state->serverName, m_state->banner, m_frame.depth});
}

Cell SessionImpl::evaluate(const Expr& e, const RowSource* source, const QVector<Cell>* row) const {
    switch (e.kind) {
        case Expr::Kind::Literal:
            return e.value;
        case Expr::Kind::Star:
            return {};
        case Expr::Kind::Negate: {
            const Cell v = evaluate(*e.args[0], source, row);
            if (v.isNull()) return v;
            if (v.typeId() == QMetaType::Double) return -v.toDouble();
            return -v.toLongLong();
        }
        case Expr::Kind::Column: {
            if (source && row) {
                for (int i = 0; i < source->columns.size(); ++i)
                    if (sameName(source->columns[i].name, e.name)) return (*row)[i];
            }
            throw EvalError{msg::invalidColumn(e.name)};
        }
        case Expr::Kind::Variable: {
            if (const auto global = globalValue(e.name)) return global->value;
            if (const auto local = m_locals.find(e.name); local != m_locals.end())
                return local->second;
            throw EvalError{msg::undeclaredVariable(e.written)};
        }
        case Expr::Kind::Binary: {
            const Cell a = evaluate(*e.args[0], source, row);
            const Cell b = evaluate(*e.args[1], source, row);
            if (a.isNull() || b.isNull()) return {};
            if (e.name == u"+" && (!isNumber(a) || !isNumber(b)))
                return QString(cellText(a) + cellText(b));
            if (!isNumber(a) || !isNumber(b))
                throw EvalError{
                    msg::conversionFailed(isNumber(a) ? cellText(b) : cellText(a), u"int"_s)};
            const qint64 x = a.toLongLong();
            const qint64 y = b.toLongLong();
            if (e.name == u"+") return x + y;
            if (e.name == u"-") return x - y;
            if (e.name == u"*") return x * y;
            if (y == 0) throw EvalError{msg::divideByZero()};
            return x / y;
        }
        case Expr::Kind::Function:
            break;
    }
    // Functions.
    std::vector<Cell> args;
    for (const auto& a : e.args) args.push_back(evaluate(*a, source, row));
    auto arity = [&](size_t lo, size_t hi) {
        if (args.size() < lo || args.size() > hi)
            throw EvalError{msg::wrongArgumentCount(e.name, int(lo))};
    };
    auto anyNull = [&]() {
        return std::any_of(args.begin(), args.end(), [](const Cell& c) { return c.isNull(); });
    };
    const QString& f = e.name;
    if (f == u"left" || f == u"right") {
        arity(2, 2);
        if (anyNull()) return {};
        const qint64 n = args[1].toLongLong();
        if (n < 0) throw EvalError{msg::invalidLength()};
        const QString s = cellText(args[0]);
        return f == u"left" ? s.left(n) : s.right(n);
    }
    if (f == u"substring") {
        arity(3, 3);
        if (anyNull()) return {};
        const qint64 start = args[1].toLongLong();
        const qint64 n = args[2].toLongLong();
        if (n < 0) throw EvalError{msg::invalidLength()};
        const QString s = cellText(args[0]);
        const qint64 from = qMax<qint64>(start, 1);
        const qint64 to = start + n;  // exclusive, 1-based
        if (to <= from) return QString();
        return s.mid(from - 1, to - from);
    }
    if (f == u"charindex") {
        arity(2, 3);
        if (anyNull()) return {};
        const qint64 from = args.size() == 3 ? qMax<qint64>(args[2].toLongLong(), 1) : 1;
        return qint64(cellText(args[1]).indexOf(cellText(args[0]), from - 1, Qt::CaseInsensitive) +
                      1);
    }
    if (f == u"len") {
        arity(1, 1);
        if (anyNull()) return {};
        QString s = cellText(args[0]);
        while (s.endsWith(u' ')) s.chop(1);
        return qint64(s.size());
    }
    if (f == u"ltrim" || f == u"rtrim" || f == u"upper" || f == u"lower") {
        arity(1, 1);
        if (anyNull()) return {};
        QString s = cellText(args[0]);
        if (f == u"ltrim")
            while (s.startsWith(u' ')) s.remove(0, 1);
        if (f == u"rtrim")
            while (s.endsWith(u' ')) s.chop(1);
        if (f == u"upper") s = s.toUpper();
        if (f == u"lower") s = s.toLower();
        return s;
    }
    if (f == u"isnull") {
        arity(2, 2);
        return args[0].isNull() ? args[1] : args[0];
    }
    if (f == u"db_name") {
        arity(0, 1);
        const DatabaseState* db = args.empty() ? current() : m_state->databaseById(args[0].toInt());
        return db ? Cell(db->name) : Cell();
    }
    if (f == u"db_id") {
        arity(0, 1);
        const DatabaseState* db = args.empty() ? current() : m_state->database(cellText(args[0]));
        return db ? Cell(qint64(db->dbid)) : Cell();
    }
    if (f == u"databaseproperty") {
        // IsSingleUser only; any other property, or no such database, is NULL.
        arity(2, 2);
        if (anyNull()) return {};
        const DatabaseState* db = m_state->database(cellText(args[0]));
        if (!db || cellText(args[1]).compare(u"IsSingleUser"_s, Qt::CaseInsensitive) != 0)
            return {};
        return qint64(db->singleUser ? 1 : 0);
    }
    if (f == u"suser_sname" || f == u"system_user") return u"sa"_s;
    if (f == u"user_name") return u"dbo"_s;
    if (f == u"object_id") {
        arity(1, 1);
        const auto name = parseObjectName(cellText(args[0]));
        DatabaseState* db = current();
        if (!name || !db) return {};
        if (const TableObject* t = db->table(name->name)) return qint64(t->objectId);
        if (const ProcObject* p = db->proc(name->name)) return qint64(p->objectId);
        return {};
    }
    throw EvalError{msg::unknownFunction(e.name)};
}

}  // namespace sqlsim
