#include "connection/core/DriverLocator.h"

#include <QFileInfo>

#include <sqlext.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

#ifndef _WIN32
QString fromSqlWChar(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// A registered driver whose name or library says FreeTDS.
QString registeredFreeTdsDriver(SQLHENV environment) {
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[512];
        SQLWCHAR attributes[2048];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(environment, direction, name, 512, &nameLength, attributes,
                                         2048, &attributesLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return {};
        direction = SQL_FETCH_NEXT;
        const QString driverName = fromSqlWChar(name, std::min<qsizetype>(nameLength, 511));
        // Attributes come as "key=value\0key=value\0\0".
        const QString attributeText =
            fromSqlWChar(attributes, std::min<qsizetype>(attributesLength, 2047));
        if (driverName.contains(u"freetds"_s, Qt::CaseInsensitive) ||
            attributeText.contains(u"libtdsodbc"_s, Qt::CaseInsensitive))
            return driverName;
    }
}
#endif

}  // namespace

QStringList freeTdsLibraryCandidates() {
    const QStringList multiarch = {u"x86_64-linux-gnu"_s,      u"aarch64-linux-gnu"_s,
                                   u"arm-linux-gnueabihf"_s,   u"i386-linux-gnu"_s,
                                   u"powerpc64le-linux-gnu"_s, u"s390x-linux-gnu"_s,
                                   u"riscv64-linux-gnu"_s};
    QStringList candidates;
    for (const QString& triplet : multiarch)
        candidates << u"/usr/lib/"_s + triplet + u"/odbc/libtdsodbc.so"_s;
    candidates << u"/usr/lib/odbc/libtdsodbc.so"_s << u"/usr/lib64/libtdsodbc.so"_s
               << u"/usr/lib/libtdsodbc.so"_s << u"/usr/local/lib/libtdsodbc.so"_s
               << u"/opt/homebrew/lib/libtdsodbc.so"_s
               << u"/usr/local/opt/freetds/lib/libtdsodbc.so"_s;
    return candidates;
}

QString locateSqlServerDriver(SQLHENV environment) {
#ifdef _WIN32
    Q_UNUSED(environment);
    return u"SQL Server"_s;
#else
    const QString registered = registeredFreeTdsDriver(environment);
    if (!registered.isEmpty()) return registered;
    for (const QString& path : freeTdsLibraryCandidates())
        if (QFileInfo::exists(path)) return path;
    return {};
#endif
}

}  // namespace tarnwick
