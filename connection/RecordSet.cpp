#include "connection/RecordSet.h"

#include "connection/DbError.h"
#include "connection/OdbcConnection.h"
#include "connection/core/OdbcStatement.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

DbError closedError() {
    return DbError(u"The record set is not open."_s);
}

DbError noCurrentRecordError() {
    return DbError(u"There is no current record."_s);
}

}  // namespace

void RecordSet::open(const QString& query, OdbcConnection& connection, CursorType cursor,
                     LockType lock) {
    // Every cursor and lock is read the same way: a forward-only read of all rows, held here.
    Q_UNUSED(cursor);
    Q_UNUSED(lock);
    close();
    OdbcStatement statement(connection.handles());
    statement.execDirect(query);
    QVector<QVector<QVariant>> rows;
    bool haveRows = false;
    int consecutiveErrors = 0;
    do {
        if (statement.hasResultSet()) {
            if (haveRows) {
                statement.discardRows();
            } else {
                rows = statement.fetchAll();
                haveRows = true;
            }
        }
        consecutiveErrors = statement.lastCallFailed() ? consecutiveErrors + 1 : 0;
    } while (consecutiveErrors < 64 && statement.moreResults());
    statement.raiseFirstError();
    m_rows = std::move(rows);
    m_position = 0;
    m_open = true;
}

RecordSet RecordSet::fromRows(QVector<QVector<QVariant>> rows) {
    RecordSet set;
    set.m_rows = std::move(rows);
    set.m_position = 0;
    set.m_open = true;
    return set;
}

bool RecordSet::eof() const {
    if (!m_open)
        throw closedError();
    return m_position >= m_rows.size();
}

bool RecordSet::bof() const {
    if (!m_open)
        throw closedError();
    return m_rows.isEmpty() || m_position < 0;
}

int RecordSet::recordCount() const {
    if (!m_open)
        throw closedError();
    return static_cast<int>(m_rows.size());
}

void RecordSet::moveFirst() {
    if (!m_open)
        throw closedError();
    m_position = 0;
}

void RecordSet::moveNext() {
    if (!m_open)
        throw closedError();
    if (m_position >= m_rows.size())
        throw noCurrentRecordError();
    ++m_position;
}

void RecordSet::close() {
    m_open = false;
    m_rows.clear();
    m_position = 0;
}

QVariant RecordSet::field(int index) const {
    if (!m_open)
        throw closedError();
    if (m_position < 0 || m_position >= m_rows.size())
        throw noCurrentRecordError();
    const QVector<QVariant>& row = m_rows.at(m_position);
    if (index < 0 || index >= row.size())
        throw DbError(u"The record set has no column %1."_s.arg(index));
    return row.at(index);
}

QString RecordSet::getString(const QString& columnDelimiter, const QString& rowDelimiter,
                             const QString& nullText) {
    if (!m_open)
        throw closedError();
    QString text;
    for (; m_position >= 0 && m_position < m_rows.size(); ++m_position) {
        const QVector<QVariant>& row = m_rows.at(m_position);
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (column > 0)
                text += columnDelimiter;
            const QVariant& value = row.at(column);
            text += value.isNull() ? nullText : value.toString();
        }
        text += rowDelimiter;
    }
    return text;
}

}  // namespace tarnwick
