#include "connection/core/ConnectionString.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace tarnwick {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) ++begin;
    while (end > begin && isBlank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

bool isLocalHostAlias(const QString& host) {
    const QString lower = host.toLower();
    return lower.isEmpty() || lower == u"(local)" || lower == u"." || lower == u"localhost";
}

// True when a connection string would read the value differently unless it is quoted: it holds
// one of the characters anywhere, starts with one of the characters first, or starts or ends with a
// blank.
bool needsQuoting(const QString& value, QStringView anywhere, QStringView first) {
    for (const QChar c : anywhere)
        if (value.contains(c)) return true;
    return !value.isEmpty() &&
           (isBlank(value.front()) || isBlank(value.back()) || first.contains(value.front()));
}

// One "key=value" pair of an OLE DB string, from pos on; pos ends after the pair's ";". A value
// that starts with a double or a single quote runs to the matching quote, a doubled quote standing
// for one; any other value runs to the next ";". Values outside quotes are trimmed of blanks.
struct Pair {
    QString key;
    QString value;
};

Pair readPair(const QString& text, qsizetype& pos) {
    Pair pair;
    const qsizetype semicolon = text.indexOf(u';', pos);
    const qsizetype equals = text.indexOf(u'=', pos);
    if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
        pos = semicolon < 0 ? text.size() : semicolon + 1;
        return pair;
    }
    pair.key = trimBlanks(text.mid(pos, equals - pos)).toLower();
    qsizetype at = equals + 1;
    while (at < text.size() && isBlank(text.at(at))) ++at;
    if (at < text.size() && (text.at(at) == u'"' || text.at(at) == u'\'')) {
        const QChar quote = text.at(at);
        qsizetype i = at + 1;
        for (; i < text.size(); ++i) {
            if (text.at(i) != quote) {
                pair.value += text.at(i);
            } else if (i + 1 < text.size() && text.at(i + 1) == quote) {
                pair.value += quote;
                ++i;
            } else {
                break;
            }
        }
        // Whatever stands between the closing quote and the next ";" is not part of the value.
        const qsizetype end = text.indexOf(u';', i);
        pos = end < 0 ? text.size() : end + 1;
        return pair;
    }
    const qsizetype end = text.indexOf(u';', at);
    pair.value = trimBlanks(text.mid(at, (end < 0 ? text.size() : end) - at));
    pos = end < 0 ? text.size() : end + 1;
    return pair;
}

}  // namespace

OleDbSettings parseOleDbConnectionString(const QString& text) {
    OleDbSettings settings;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const Pair pair = readPair(text, pos);
        const QString& key = pair.key;
        const QString& value = pair.value;
        if (key == u"provider")
            settings.provider = value;
        else if (key == u"user id" || key == u"uid")
            settings.userId = value;
        else if (key == u"password" || key == u"pwd")
            settings.password = value;
        else if (key == u"initial catalog" || key == u"database")
            settings.initialCatalog = value;
        else if (key == u"data source" || key == u"server")
            settings.dataSource = value;
    }
    return settings;
}

QString quoteOleDbValue(const QString& value) {
    if (!needsQuoting(value, u";", u"\"'")) return value;
    QString quoted = value;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

ServerAddress parseServerName(const QString& dataSource) {
    ServerAddress address;
    QString rest = trimBlanks(dataSource);
    const qsizetype comma = rest.lastIndexOf(u',');
    if (comma >= 0) {
        address.port = trimBlanks(rest.mid(comma + 1));
        rest = trimBlanks(rest.left(comma));
    }
    const qsizetype backslash = rest.indexOf(u'\\');
    if (backslash >= 0) {
        address.instance = trimBlanks(rest.mid(backslash + 1));
        rest = trimBlanks(rest.left(backslash));
    }
    address.host = isLocalHostAlias(rest) ? u"127.0.0.1"_s : rest;
    return address;
}

QString quoteOdbcValue(const QString& value) {
    if (!needsQuoting(value, u";{}", u"")) return value;
#ifdef _WIN32
    // The Windows driver manager reads "}}" inside braces as one "}".
    QString escaped = value;
    escaped.replace(u"}"_s, u"}}"_s);
    return u'{' + escaped + u'}';
#else
    // FreeTDS ends a braced value at the first "};" (or at the end of the string) and knows no
    // escape, so "}" needs nothing more; a value holding "};" cannot be passed at all.
    return u'{' + value + u'}';
#endif
}

bool odbcValuePassable(const QString& value) {
#ifdef _WIN32
    Q_UNUSED(value);
    return true;
#else
    return !value.contains(u"};"_s);
#endif
}

ServerNameKind serverNameKind(const QString& dataSource, const QStringList& freeTdsServers,
                              const QStringList& odbcDataSources) {
    const QString name = trimBlanks(dataSource);
    if (name.contains(u'\\') || name.contains(u',') || isLocalHostAlias(name))
        return ServerNameKind::Host;
    if (freeTdsServers.contains(name, Qt::CaseInsensitive)) return ServerNameKind::FreeTdsServer;
    if (odbcDataSources.contains(name, Qt::CaseInsensitive)) return ServerNameKind::OdbcDataSource;
    return ServerNameKind::Host;
}

namespace {

// UID, PWD, DATABASE and, on FreeTDS, the protocol version and character set; ends with ";".
QString loginPart(const OleDbSettings& settings, const QString& tdsVersion) {
    QString text = u";UID="_s + quoteOdbcValue(settings.userId);
    text += u";PWD="_s + quoteOdbcValue(settings.password);
    text += u";DATABASE="_s + quoteOdbcValue(settings.initialCatalog);
#ifndef _WIN32
    text += u";TDS_Version="_s + tdsVersion + u";ClientCharset=UTF-8"_s;
#else
    Q_UNUSED(tdsVersion);
#endif
    return text + u';';
}

}  // namespace

QString odbcConnectionString(const OleDbSettings& settings, const QString& driver,
                             const QString& tdsVersion, ServerNameKind kind) {
    const QString name = trimBlanks(settings.dataSource);
    if (kind == ServerNameKind::OdbcDataSource)
        return u"DSN="_s + quoteOdbcValue(name) + loginPart(settings, tdsVersion);
    const ServerAddress address = parseServerName(settings.dataSource);
    QString server = address.host;
    if (!address.instance.isEmpty()) server += u'\\' + address.instance;
    // A registered driver is named in braces; a library path only when it needs them.
    const bool isPath = driver.contains(u'/') || driver.contains(u'\\');
    QString text = u"DRIVER="_s + (isPath ? quoteOdbcValue(driver) : u'{' + driver + u'}');
    if (kind == ServerNameKind::FreeTdsServer)
        return text + u";SERVERNAME="_s + quoteOdbcValue(name) + loginPart(settings, tdsVersion);
#ifdef _WIN32
    // The Windows driver reads "host,port" itself and has no PORT key.
    if (!address.port.isEmpty()) server += u',' + address.port;
    text += u";SERVER="_s + quoteOdbcValue(server);
#else
    text += u";SERVER="_s + quoteOdbcValue(server);
    // Without a port FreeTDS takes the one of its configuration, and Debian's "tds version = auto"
    // leaves none at all ("invalid port number"): a default instance listens on 1433. A named
    // instance is looked up through the server's browser service instead.
    if (!address.port.isEmpty())
        text += u";PORT="_s + quoteOdbcValue(address.port);
    else if (address.instance.isEmpty())
        text += u";PORT=1433"_s;
#endif
    return text + loginPart(settings, tdsVersion);
}

}  // namespace tarnwick
