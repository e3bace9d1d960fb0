#pragma once
// The OLE DB form of the connection string that ConnectServer builds, read the way an OLE DB
// provider reads it, and the ODBC connection string made from it for one login attempt.

#include <QString>
#include <QStringList>

namespace tarnwick {

struct OleDbSettings {
    QString provider;
    QString userId;
    QString password;
    QString initialCatalog;
    QString dataSource;
};

// ";" separates pairs; keys and values are trimmed of blanks; keys are case-insensitive; a piece
// without "=" and unknown keys are ignored; a key given twice keeps its last value. A value in
// double or single quotes is taken as it stands between them, ";" and blanks included, a doubled
// quote standing for one.
OleDbSettings parseOleDbConnectionString(const QString& text);

// The value as it must stand after "Key=" of an OLE DB string to be read back unchanged: in double
// quotes (a quote inside doubled) when it holds ";", starts or ends with a blank or starts with a
// quote; unchanged otherwise.
QString quoteOleDbValue(const QString& value);

struct ServerAddress {
    QString host;      // "(local)", "." and "localhost" become 127.0.0.1
    QString instance;  // after a backslash, empty when none
    QString port;      // after a comma, empty when none
};

// "host", "host\instance", "host,port", "host\instance,port", blanks around each part ignored.
ServerAddress parseServerName(const QString& dataSource);

// The value as it must stand after "KEY=": wrapped in braces when it holds ; { } or starts or
// ends with a blank, unchanged otherwise.
QString quoteOdbcValue(const QString& value);

// Whether quoteOdbcValue can pass the value through the driver intact: FreeTDS ends a braced value
// at the first "};" and knows no escape, so a value holding "};" would reach the server cut short.
bool odbcValuePassable(const QString& value);

// How the driver is to find a server named in the server box.
enum class ServerNameKind {
    Host,            // a host name or address, with an instance or a port
    FreeTdsServer,   // a section of the FreeTDS configuration: its own host, port and version
    OdbcDataSource,  // an ODBC data source: its own driver and server
};

// A plain name (no instance, no port, not this computer's aliases) that names a FreeTDS section is
// one; else one that names a data source is one; anything else is a host. Names compare without
// case.
ServerNameKind serverNameKind(const QString& dataSource, const QStringList& freeTdsServers,
                              const QStringList& odbcDataSources);

// An ODBC connection string for a host: DRIVER (a registered driver's name in braces, a library
// path as it is), SERVER (and PORT), UID, PWD, DATABASE, and on FreeTDS the protocol version and
// the UTF-8 client character set. Ends with ";". A FreeTDS section goes as SERVERNAME (no port), a
// data source as DSN in place of DRIVER and SERVER.
QString odbcConnectionString(const OleDbSettings& settings, const QString& driver,
                             const QString& tdsVersion, ServerNameKind kind = ServerNameKind::Host);

}  // namespace tarnwick
