#include "connection/OdbcConnection.h"

#include "connection/core/CallWorker.h"
#include "connection/core/ConnectionString.h"
#include "connection/core/DriverLocator.h"
#include "connection/core/OdbcDiagnostics.h"
#include "connection/core/OdbcHandles.h"
#include "connection/core/OdbcStatement.h"
#include "connection/core/ServerDirectory.h"

#include <sqlext.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

SQLPOINTER integerAttribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

SQLWCHAR* sqlText(const QString& text) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(text.utf16()));
}

struct ConnectAttempt {
    SQLHDBC connection = SQL_NULL_HDBC;
    std::vector<DiagnosticRecord> diagnostics;
};

ConnectAttempt connectOnce(SQLHENV environment, const QString& odbcString, int loginTimeout) {
    ConnectAttempt attempt;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, environment, &attempt.connection);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        attempt.connection = SQL_NULL_HDBC;
        attempt.diagnostics = readDiagnostics(SQL_HANDLE_ENV, environment);
        return attempt;
    }
    SQLSetConnectAttrW(attempt.connection, SQL_ATTR_LOGIN_TIMEOUT,
                       integerAttribute(static_cast<SQLULEN>(loginTimeout)), 0);
    // The exact length, no terminator: the last value must not end with a NUL.
    rc = SQLDriverConnectW(attempt.connection, nullptr, sqlText(odbcString),
                           static_cast<SQLSMALLINT>(odbcString.size()), nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        readDiagnostics(SQL_HANDLE_DBC, attempt.connection);  // login chatter, not errors
        return attempt;
    }
    attempt.diagnostics = readDiagnostics(SQL_HANDLE_DBC, attempt.connection);
    SQLFreeHandle(SQL_HANDLE_DBC, attempt.connection);
    attempt.connection = SQL_NULL_HDBC;
    if (attempt.diagnostics.empty())
        attempt.diagnostics.push_back({u"08001"_s, 0, u"Unable to connect to data source"_s});
    return attempt;
}

QStringList namesOf(const QList<NamedServer>& servers) {
    QStringList names;
    for (const NamedServer& server : servers) names << server.name;
    return names;
}

}  // namespace

OdbcConnection::OdbcConnection() : d(std::make_unique<Handles>()) {}

OdbcConnection::~OdbcConnection() {
    if (d->open) {
        SQLDisconnect(d->connection);
        SQLFreeHandle(SQL_HANDLE_DBC, d->connection);
    }
    if (d->environment != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, d->environment);
}

void OdbcConnection::open(const QString& connectionString, const QString& user,
                          const QString& password) {
    if (d->open) throw DbError(u"The connection is already open."_s);
    if (d->environment == SQL_NULL_HENV) {
        SQLHENV environment = SQL_NULL_HENV;
        const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            throw DbError(u"The ODBC driver manager could not be initialised."_s);
        SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0);
        d->environment = environment;
    }

    OleDbSettings settings = parseOleDbConnectionString(connectionString);
    if (!user.isEmpty()) settings.userId = user;
    if (!password.isEmpty()) settings.password = password;
    // Cut short on its way, such a password would fail the login for a reason nobody could see.
    if (!odbcValuePassable(settings.password))
        throw DbError(u"The FreeTDS driver cannot take a password that contains \"};\"."_s);

    ConnectAttempt attempt;
    runOffThread(*d, [&] {
        const QString driver = locateSqlServerDriver(d->environment);
        if (driver.isEmpty())
            throw DbError(u"No ODBC driver for SQL Server is installed (FreeTDS: libtdsodbc)."_s);

        const ServerNameKind kind = serverNameKind(settings.dataSource, namesOf(freeTdsServers()),
                                                   namesOf(odbcDataSources()));
        attempt = connectOnce(
            d->environment, odbcConnectionString(settings, driver, u"7.1"_s, kind), m_loginTimeout);
#ifndef _WIN32
        if (attempt.connection == SQL_NULL_HDBC && serverClosedBeforeLogin(attempt.diagnostics))
            attempt =
                connectOnce(d->environment, odbcConnectionString(settings, driver, u"7.0"_s, kind),
                            m_loginTimeout);
#endif
    });
    if (attempt.connection == SQL_NULL_HDBC)
        throw toDbError(connectErrorRecord(attempt.diagnostics),
                        u"Unable to connect to data source"_s);
    d->connection = attempt.connection;
    d->open = true;
}

void OdbcConnection::setCommandTimeout(int seconds) {
    d->commandTimeout = std::max(0, seconds);
}

void OdbcConnection::setCommandTimeoutForTests(int seconds) {
    d->commandTimeoutLimit = std::max(0, seconds);
}

void OdbcConnection::setLoginTimeout(int seconds) {
    m_loginTimeout = std::max(1, seconds);
}

void OdbcConnection::setDefaultDatabase(const QString& name) {
    if (!d->open) throw DbError(u"The connection is not open."_s);
    // Sent as a statement of our own, the "USE [name]" the driver would send for a change of
    // catalogue: the driver's own change waits without any time-out, a statement waits at most
    // the command time-out. The driver still follows the server's database changes.
    execute(u"USE ["_s + QString(name).replace(u"]"_s, u"]]"_s) + u"]"_s);
}

void OdbcConnection::execute(const QString& statement) {
    runOffThread(*d, [&] {
        OdbcStatement batch(*d);
        batch.execDirect(statement);
        batch.drain();
        batch.raiseFirstError();
    });
}

void OdbcConnection::close() {
    if (!d->open) throw DbError(u"The connection is not open."_s);
    runOffThread(*d, [&] { SQLDisconnect(d->connection); });
    SQLFreeHandle(SQL_HANDLE_DBC, d->connection);
    d->connection = SQL_NULL_HDBC;
    d->open = false;
}

bool OdbcConnection::isOpen() const {
    return d->open;
}

OdbcConnection::Handles& OdbcConnection::handles() {
    return *d;
}

}  // namespace tarnwick
