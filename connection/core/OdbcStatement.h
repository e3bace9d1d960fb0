#pragma once
// One statement handle on an open connection: runs one batch and walks its results. Every ODBC call
// is followed by a look at its diagnostics; the first error of the batch is kept and raised by
// raiseFirstError() once the batch has been read to its end, so later statements of the batch still
// run and their results are consumed. Informational messages are read and dropped.

#include "connection/core/OdbcDiagnostics.h"
#include "connection/core/OdbcHandles.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>
#include <vector>

namespace tarnwick {

class OdbcStatement {
public:
    // Allocates the handle with a forward-only read-only cursor and the command time-out.
    explicit OdbcStatement(OdbcConnection::Handles& handles);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    // Sends the batch; afterwards the first result (if any) is current. A cancel asked for before
    // it is sent fails it unsent.
    void execDirect(const QString& text);
    // Whether the current result is a result set (has columns).
    bool hasResultSet();
    // Reads every row of the current result set.
    QVector<QVector<QVariant>> fetchAll();
    // Reads the current result set one row at a time: beginRows() once, then fetchRow() until it
    // returns nothing (the end, or a failure kept for raiseFirstError()).
    void beginRows();
    std::optional<QVector<QVariant>> fetchRow();
    // Reads and drops every row of the current result set.
    void discardRows();
    // Moves to the next result; false when there is none (or reading can not go on).
    bool moreResults();
    // Reads every remaining result, dropping rows.
    void drain();
    void raiseFirstError() const;
    bool failed() const { return m_firstError.has_value(); }
    bool lastCallFailed() const { return m_lastCallFailed; }
    SQLHSTMT handle() const { return m_statement; }  // for reading the driver's attributes

private:
    // Looks at the diagnostics after a call; returns true when the call succeeded.
    bool check(SQLRETURN rc, const char* call);
    QVariant readValue(SQLUSMALLINT column, int kind);

    OdbcConnection::Handles& m_handles;
    SQLHSTMT m_statement = SQL_NULL_HSTMT;
    std::optional<DbError> m_firstError;
    bool m_lastCallFailed = false;
    bool m_broken = false;           // the connection or the statement can not go on
    std::vector<int> m_columnKinds;  // of the result set that beginRows() started
};

}  // namespace tarnwick
