#include "connection/core/OdbcDiagnostics.h"

#include <sqlext.h>

namespace tarnwick {

namespace {

QString fromSqlWChar(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace

std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<DiagnosticRecord> records;
    if (handle == SQL_NULL_HANDLE) return records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, number, state, &native, nullptr, 0, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
        std::vector<SQLWCHAR> message(static_cast<size_t>(length) + 1);
        rc = SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                            static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
        const qsizetype shown =
            std::min<qsizetype>(length, static_cast<qsizetype>(message.size()) - 1);
        records.push_back({fromSqlWChar(state, 5), static_cast<int>(native),
                           fromSqlWChar(message.data(), shown)});
    }
    return records;
}

QString stripDriverPrefixes(const QString& message) {
    qsizetype start = 0;
    while (start < message.size() && message.at(start) == u'[') {
        const qsizetype close = message.indexOf(u']', start);
        if (close < 0) break;
        start = close + 1;
    }
    return message.mid(start);
}

const DiagnosticRecord* statementErrorRecord(const std::vector<DiagnosticRecord>& records) {
    for (const DiagnosticRecord& record : records)
        if (!record.isWarning() && record.nativeError != 0) return &record;
    for (const DiagnosticRecord& record : records)
        if (!record.isWarning()) return &record;
    return records.empty() ? nullptr : &records.front();
}

const DiagnosticRecord* connectErrorRecord(const std::vector<DiagnosticRecord>& records) {
    for (const DiagnosticRecord& record : records)
        if (record.nativeError != 0) return &record;
    return records.empty() ? nullptr : &records.front();
}

bool serverClosedBeforeLogin(const std::vector<DiagnosticRecord>& records) {
    bool closedEarly = false;
    for (const DiagnosticRecord& record : records) {
        if (record.nativeError == 20004 || record.nativeError == 20017)
            closedEarly = true;
        else if (record.nativeError != 0 && record.nativeError != 20002)
            return false;
    }
    return closedEarly;
}

DbError toDbError(const DiagnosticRecord* record, const QString& fallback) {
    if (!record) return DbError(fallback);
    return DbError(stripDriverPrefixes(record->message), record->nativeError, record->sqlState);
}

}  // namespace tarnwick
