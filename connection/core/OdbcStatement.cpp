#include "connection/core/OdbcStatement.h"

#include "connection/core/CallWorker.h"

#include <sqlext.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

SQLPOINTER integerAttribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

// Messages of the network library and of the driver itself: after one of them neither the batch nor
// the connection can be read any further.
bool endsReading(const DiagnosticRecord& record) {
    const bool clientMessage =
        record.nativeError == 0 || (record.nativeError >= 20000 && record.nativeError < 20100);
    return clientMessage || record.sqlState == u"08S01" || record.sqlState == u"HYT00";
}

enum class ValueKind { Integer, BigInteger, Real, Text };

ValueKind valueKindOf(SQLSMALLINT dataType) {
    switch (dataType) {
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIT:
            return ValueKind::Integer;
        case SQL_BIGINT:
            return ValueKind::BigInteger;
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DOUBLE:
            return ValueKind::Real;
        default:
            return ValueKind::Text;
    }
}

constexpr qsizetype kTextPieceChars = 2048;
constexpr int kMaxConsecutiveErrors = 64;

}  // namespace

OdbcStatement::OdbcStatement(OdbcConnection::Handles& handles) : m_handles(handles) {
    if (!handles.open) throw DbError(u"The connection is not open."_s);
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, handles.connection, &m_statement);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        m_statement = SQL_NULL_HSTMT;
        const auto records = readDiagnostics(SQL_HANDLE_DBC, handles.connection);
        throw toDbError(statementErrorRecord(records), u"Could not create a statement."_s);
    }
    // Any other cursor makes the driver open a server cursor instead of sending a plain batch.
    SQLSetStmtAttrW(m_statement, SQL_ATTR_CURSOR_TYPE, integerAttribute(SQL_CURSOR_FORWARD_ONLY),
                    0);
    SQLSetStmtAttrW(m_statement, SQL_ATTR_CONCURRENCY, integerAttribute(SQL_CONCUR_READ_ONLY), 0);
    SQLSetStmtAttrW(
        m_statement, SQL_ATTR_QUERY_TIMEOUT,
        integerAttribute(static_cast<SQLULEN>(std::max(0, handles.effectiveCommandTimeout()))), 0);
}

OdbcStatement::~OdbcStatement() {
    if (m_statement == SQL_NULL_HSTMT) return;
    ActiveStatement::leave(m_handles, m_statement);
    SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
}

bool OdbcStatement::check(SQLRETURN rc, const char* call) {
    switch (rc) {
        case SQL_SUCCESS:
        case SQL_NO_DATA:
            m_lastCallFailed = false;
            return true;
        case SQL_SUCCESS_WITH_INFO:
            // Informational messages: read so that the next call starts clean, then dropped.
            readDiagnostics(SQL_HANDLE_STMT, m_statement);
            m_lastCallFailed = false;
            return true;
        default:
            break;
    }
    m_lastCallFailed = true;
    const auto records = readDiagnostics(SQL_HANDLE_STMT, m_statement);
    const DiagnosticRecord* record = statementErrorRecord(records);
    if (!m_firstError) {
        m_firstError = toDbError(record, QString::fromLatin1(call) + u" failed."_s);
        QList<int> numbers;
        for (const DiagnosticRecord& r : records)
            if (r.nativeError != 0) numbers << r.nativeError;
        m_firstError->setServerMessages(std::move(numbers));
    }
    if (rc == SQL_INVALID_HANDLE || !record || endsReading(*record)) m_broken = true;
    return false;
}

void OdbcStatement::execDirect(const QString& text) {
    if (!ActiveStatement::enter(m_handles, m_statement)) {
        m_lastCallFailed = true;
        m_broken = true;
        if (!m_firstError) m_firstError = cancelledError();
        return;
    }
    auto* sql = reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(text.utf16()));
    check(SQLExecDirectW(m_statement, sql, static_cast<SQLINTEGER>(text.size())), "SQLExecDirectW");
}

bool OdbcStatement::hasResultSet() {
    if (m_broken || m_lastCallFailed) return false;
    SQLSMALLINT columns = 0;
    if (!check(SQLNumResultCols(m_statement, &columns), "SQLNumResultCols")) return false;
    return columns > 0;
}

QVector<QVector<QVariant>> OdbcStatement::fetchAll() {
    QVector<QVector<QVariant>> rows;
    beginRows();
    while (std::optional<QVector<QVariant>> row = fetchRow()) rows.append(std::move(*row));
    return rows;
}

void OdbcStatement::beginRows() {
    m_columnKinds.clear();
    SQLSMALLINT columnCount = 0;
    if (!check(SQLNumResultCols(m_statement, &columnCount), "SQLNumResultCols")) return;
    for (SQLUSMALLINT column = 1; column <= columnCount; ++column) {
        SQLSMALLINT dataType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        SQLSMALLINT nameLength = 0;
        check(SQLDescribeColW(m_statement, column, nullptr, 0, &nameLength, &dataType, &size,
                              &digits, &nullable),
              "SQLDescribeColW");
        m_columnKinds.push_back(static_cast<int>(valueKindOf(dataType)));
    }
}

std::optional<QVector<QVariant>> OdbcStatement::fetchRow() {
    if (m_columnKinds.empty() || m_broken) return std::nullopt;
    const SQLRETURN rc = SQLFetch(m_statement);
    if (rc == SQL_NO_DATA || !check(rc, "SQLFetch")) return std::nullopt;
    QVector<QVariant> row;
    row.reserve(static_cast<qsizetype>(m_columnKinds.size()));
    for (std::size_t column = 0; column < m_columnKinds.size(); ++column)
        row.append(readValue(static_cast<SQLUSMALLINT>(column + 1), m_columnKinds[column]));
    if (m_broken) return std::nullopt;
    return row;
}

QVariant OdbcStatement::readValue(SQLUSMALLINT column, int kind) {
    SQLLEN indicator = 0;
    switch (static_cast<ValueKind>(kind)) {
        case ValueKind::Integer: {
            SQLINTEGER value = 0;
            if (!check(SQLGetData(m_statement, column, SQL_C_SLONG, &value, 0, &indicator),
                       "SQLGetData"))
                return {};
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(static_cast<int>(value));
        }
        case ValueKind::BigInteger: {
            SQLBIGINT value = 0;
            if (!check(SQLGetData(m_statement, column, SQL_C_SBIGINT, &value, 0, &indicator),
                       "SQLGetData"))
                return {};
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(static_cast<qint64>(value));
        }
        case ValueKind::Real: {
            double value = 0;
            if (!check(SQLGetData(m_statement, column, SQL_C_DOUBLE, &value, 0, &indicator),
                       "SQLGetData"))
                return {};
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(value);
        }
        case ValueKind::Text:
            break;
    }
    // Long texts come in pieces: each call fills the buffer (less its terminator) until the last.
    QString text(u""_s);
    SQLWCHAR piece[kTextPieceChars];
    for (;;) {
        const SQLRETURN rc =
            SQLGetData(m_statement, column, SQL_C_WCHAR, piece, sizeof piece, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!check(rc, "SQLGetData")) return {};
        if (indicator == SQL_NULL_DATA) return {};
        const bool whole =
            indicator != SQL_NO_TOTAL && indicator < static_cast<SQLLEN>(sizeof piece);
        const qsizetype chars =
            whole ? indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) : kTextPieceChars - 1;
        text += QStringView(reinterpret_cast<const char16_t*>(piece), chars);
        if (whole) break;
    }
    return text;
}

void OdbcStatement::discardRows() {
    for (;;) {
        const SQLRETURN rc = SQLFetch(m_statement);
        if (rc == SQL_NO_DATA || !check(rc, "SQLFetch")) return;
    }
}

bool OdbcStatement::moreResults() {
    if (m_broken) return false;
    const SQLRETURN rc = SQLMoreResults(m_statement);
    if (rc == SQL_NO_DATA) return false;
    check(rc, "SQLMoreResults");
    return !m_broken;
}

void OdbcStatement::drain() {
    int consecutiveErrors = 0;
    do {
        if (hasResultSet()) discardRows();
        consecutiveErrors = m_lastCallFailed ? consecutiveErrors + 1 : 0;
    } while (consecutiveErrors < kMaxConsecutiveErrors && moreResults());
}

void OdbcStatement::raiseFirstError() const {
    if (m_firstError) throw *m_firstError;
}

}  // namespace tarnwick
