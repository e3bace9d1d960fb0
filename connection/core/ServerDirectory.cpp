#include "connection/core/ServerDirectory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tarnwick {

QList<NamedServer> parseFreeTdsConf(const QString& text) {
    static const QRegularExpression section(u"^\\s*\\[([^\\]]+)\\]"_s);
    static const QRegularExpression keyValue(u"^\\s*([^=]+?)\\s*=\\s*(.*?)\\s*$"_s);
    QList<NamedServer> result;
    bool inServer = false;
    for (const QString& rawLine : text.split(u'\n')) {
        QString line = rawLine;
        line.remove(u'\r');
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#') || trimmed.startsWith(u';')) continue;
        if (const auto m = section.match(line); m.hasMatch()) {
            const QString name = m.captured(1).trimmed();
            inServer = name.compare(u"global"_s, Qt::CaseInsensitive) != 0 && !name.isEmpty();
            if (inServer) result.append({name, {}});
            continue;
        }
        if (!inServer) continue;
        if (const auto m = keyValue.match(line); m.hasMatch()) {
            if (m.captured(1).compare(u"host"_s, Qt::CaseInsensitive) == 0)
                result.last().detail = m.captured(2);
        }
    }
    return result;
}

QStringList freeTdsConfPaths() {
    QStringList paths{QDir::homePath() + u"/.freetds.conf"_s};
    const QString fromEnvironment = qEnvironmentVariable("FREETDSCONF");
    if (!fromEnvironment.isEmpty()) paths << fromEnvironment;
    paths << u"/etc/freetds/freetds.conf"_s;
    return paths;
}

QList<NamedServer> freeTdsServers() {
    QList<NamedServer> all;
    for (const QString& path : freeTdsConfPaths()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            all += parseFreeTdsConf(QString::fromUtf8(file.readAll()));
    }
    return all;
}

namespace {

QString fromSqlWChar(const SQLWCHAR* text, SQLSMALLINT length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace

QList<NamedServer> odbcDataSources() {
    QList<NamedServer> result;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return result;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLWCHAR description[512];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSourcesW(env, direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength,
                                         description, 512, &descriptionLength))) {
        const SQLSMALLINT shownName = std::min<SQLSMALLINT>(nameLength, SQL_MAX_DSN_LENGTH);
        const SQLSMALLINT shownDescription = std::min<SQLSMALLINT>(descriptionLength, 511);
        result.append({fromSqlWChar(name, shownName), fromSqlWChar(description, shownDescription)});
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return result;
}

}  // namespace tarnwick
