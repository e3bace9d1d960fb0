#include "connection/RecordSet.h"

#include "connection/DbError.h"
#include "connection/OdbcConnection.h"
#include "connection/core/CallWorker.h"
#include "connection/core/OdbcStatement.h"

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

constexpr int kMaxConsecutiveErrors = 64;

DbError closedError() {
    return DbError(u"The record set is not open."_s);
}

DbError noCurrentRecordError() {
    return DbError(u"There is no current record."_s);
}

// Moves to the next result set of the batch; false when the batch has no more or reading it
// can not go on.
bool moveToNextResultSet(OdbcStatement& statement, int& consecutiveErrors) {
    while (consecutiveErrors < kMaxConsecutiveErrors && statement.moreResults()) {
        if (statement.hasResultSet()) return true;
        consecutiveErrors = statement.lastCallFailed() ? consecutiveErrors + 1 : 0;
    }
    return false;
}

}  // namespace

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() {
    close();
}
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&& other) noexcept {
    if (this != &other) {
        close();  // a set still reading frees the connection first
        m_open = other.m_open;
        m_rows = std::move(other.m_rows);
        m_position = other.m_position;
        m_handles = other.m_handles;
        m_statement = std::move(other.m_statement);
        m_streamed = other.m_streamed;
        m_sawRows = other.m_sawRows;
        m_streamedIndex = other.m_streamedIndex;
        other.m_open = false;
    }
    return *this;
}

void RecordSet::open(const QString& query, OdbcConnection& connection, CursorType cursor,
                     LockType lock, Reading reading) {
    // Every cursor and lock is read the same way: a forward-only read of the rows.
    Q_UNUSED(cursor);
    Q_UNUSED(lock);
    close();
    m_handles = &connection.handles();
    offThread([&] { openOnWorker(query, reading); });
}

void RecordSet::offThread(const std::function<void()>& reading) {
    runOffThread(*m_handles, reading);
}

void RecordSet::openOnWorker(const QString& query, Reading reading) {
    auto statement = std::make_unique<OdbcStatement>(*m_handles);
    statement->execDirect(query);
    if (reading == Reading::AsUsed) {
        // The first result set with columns is the set; its first row is read now, so that EOF
        // and BOF are known, and the rest as the set moves on.
        int consecutiveErrors = statement->lastCallFailed() ? 1 : 0;
        const bool haveSet =
            statement->hasResultSet() || moveToNextResultSet(*statement, consecutiveErrors);
        m_statement = std::move(statement);
        m_streamed = true;
        m_open = true;
        m_position = 0;
        if (haveSet && !m_statement->failed()) {
            m_statement->beginRows();
            fetchNextStreamedRow();
        }
        if (m_rows.isEmpty()) {
            try {
                finishStream();
            } catch (...) {
                close();
                throw;
            }
        }
        m_sawRows = !m_rows.isEmpty();
        return;
    }
    QVector<QVector<QVariant>> rows;
    bool haveRows = false;
    int consecutiveErrors = 0;
    do {
        if (statement->hasResultSet()) {
            if (haveRows) {
                statement->discardRows();
            } else {
                rows = statement->fetchAll();
                haveRows = true;
            }
        }
        consecutiveErrors = statement->lastCallFailed() ? consecutiveErrors + 1 : 0;
    } while (consecutiveErrors < kMaxConsecutiveErrors && statement->moreResults());
    statement->raiseFirstError();
    m_rows = std::move(rows);
    m_position = 0;
    m_open = true;
}

void RecordSet::fetchNextStreamedRow() {
    std::optional<QVector<QVariant>> row = m_statement ? m_statement->fetchRow() : std::nullopt;
    m_rows.clear();
    if (row && !m_statement->failed()) {
        m_rows.append(std::move(*row));
        return;
    }
    finishStream();
}

void RecordSet::finishStream() {
    std::unique_ptr<OdbcStatement> statement = std::move(m_statement);
    if (!statement) return;
    m_rows.clear();
    // The results after the set are read and dropped, so that the connection is free again and
    // a failure further on is not lost.
    int consecutiveErrors = statement->lastCallFailed() ? 1 : 0;
    while (moveToNextResultSet(*statement, consecutiveErrors)) {
        statement->discardRows();
        consecutiveErrors = statement->lastCallFailed() ? consecutiveErrors + 1 : 0;
    }
    statement->raiseFirstError();
}

RecordSet RecordSet::fromRows(QVector<QVector<QVariant>> rows) {
    RecordSet set;
    set.m_rows = std::move(rows);
    set.m_position = 0;
    set.m_open = true;
    return set;
}

bool RecordSet::eof() const {
    if (!m_open) throw closedError();
    return m_position >= m_rows.size();
}

bool RecordSet::bof() const {
    if (!m_open) throw closedError();
    if (streaming()) return !m_sawRows;
    return m_rows.isEmpty() || m_position < 0;
}

int RecordSet::recordCount() const {
    if (!m_open) throw closedError();
    if (streaming()) return -1;
    return static_cast<int>(m_rows.size());
}

void RecordSet::moveFirst() {
    if (!m_open) throw closedError();
    if (streaming() && m_streamedIndex > 0)
        throw DbError(u"The record set can not move back to its first row."_s);
    m_position = 0;
}

void RecordSet::moveNext() {
    if (!m_open) throw closedError();
    if (m_position >= m_rows.size()) throw noCurrentRecordError();
    if (streaming()) {
        ++m_streamedIndex;
        offThread([this] { fetchNextStreamedRow(); });
        return;
    }
    ++m_position;
}

void RecordSet::close() {
    if (m_statement) {
        // Rows not read are dropped; the connection is free again. Failures no longer matter.
        try {
            offThread([this] {
                m_statement->drain();
                m_statement.reset();
            });
        } catch (...) {
            m_statement.reset();
        }
    }
    m_open = false;
    m_rows.clear();
    m_position = 0;
    m_streamed = false;
    m_sawRows = false;
    m_streamedIndex = 0;
}

const QVector<QVariant>& RecordSet::currentRow() const {
    if (!m_open) throw closedError();
    if (m_position < 0 || m_position >= m_rows.size()) throw noCurrentRecordError();
    return m_rows.at(m_position);
}

QVariant RecordSet::field(int index) const {
    const QVector<QVariant>& row = currentRow();
    if (index < 0 || index >= row.size())
        throw DbError(u"The record set has no column %1."_s.arg(index));
    return row.at(index);
}

namespace {

void appendRow(QString& text, const QVector<QVariant>& row, const QString& columnDelimiter,
               const QString& rowDelimiter, const QString& nullText) {
    for (qsizetype column = 0; column < row.size(); ++column) {
        if (column > 0) text += columnDelimiter;
        const QVariant& value = row.at(column);
        text += value.isNull() ? nullText : value.toString();
    }
    text += rowDelimiter;
}

}  // namespace

QString RecordSet::getString(const QString& columnDelimiter, const QString& rowDelimiter,
                             const QString& nullText) {
    if (!m_open) throw closedError();
    QString text;
    if (streaming()) {
        try {
            offThread([&] {
                while (!m_rows.isEmpty()) {
                    appendRow(text, m_rows.front(), columnDelimiter, rowDelimiter, nullText);
                    ++m_streamedIndex;
                    fetchNextStreamedRow();
                }
            });
        } catch (...) {
            m_rows.clear();
            throw;
        }
        // The text grew by doubling; what it did not fill goes back.
        text.squeeze();
        return text;
    }
    for (; m_position >= 0 && m_position < m_rows.size(); ++m_position)
        appendRow(text, m_rows.at(m_position), columnDelimiter, rowDelimiter, nullText);
    return text;
}

bool RecordSet::getStringPiece(QString& piece, const QString& columnDelimiter,
                               const QString& rowDelimiter, const QString& nullText,
                               qsizetype pieceChars) {
    if (!m_open) throw closedError();
    piece.clear();
    if (m_statement) {
        offThread([&] { fillPiece(piece, columnDelimiter, rowDelimiter, nullText, pieceChars); });
        return !piece.isEmpty();
    }
    fillPiece(piece, columnDelimiter, rowDelimiter, nullText, pieceChars);
    return !piece.isEmpty();
}

void RecordSet::fillPiece(QString& piece, const QString& columnDelimiter,
                          const QString& rowDelimiter, const QString& nullText,
                          qsizetype pieceChars) {
    while (piece.size() < pieceChars && m_position >= 0 && m_position < m_rows.size()) {
        appendRow(piece, m_rows.at(m_position), columnDelimiter, rowDelimiter, nullText);
        if (streaming()) {
            ++m_streamedIndex;
            try {
                fetchNextStreamedRow();
            } catch (...) {
                m_rows.clear();
                throw;
            }
        } else {
            ++m_position;
        }
    }
}

}  // namespace tarnwick
