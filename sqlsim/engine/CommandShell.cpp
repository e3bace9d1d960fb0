// xp_cmdshell and the one program it runs here: the osql utility, logging in as a new connection.

#include "sqlsim/engine/CellValues.h"
#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/SessionImpl.h"

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

// Splits a command line the way the command interpreter does: blanks separate arguments
// outside double quotes; the quotes themselves are dropped.
QStringList splitCommandLine(const QString& line) {
    QStringList args;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
            continue;
        }
        if (!quoted && c.isSpace()) {
            if (any || !current.isEmpty()) args << current;
            current.clear();
            any = false;
            continue;
        }
        current += c;
    }
    if (any || !current.isEmpty()) args << current;
    return args;
}

QString osqlMessageHeader(const Message& m, const QString& server) {
    QString header = u"Msg %1, Level %2, State %3, Server %4, "_s.arg(m.number)
                         .arg(m.severity)
                         .arg(m.state)
                         .arg(server);
    if (!m.procName.isEmpty()) header += u"Procedure "_s + m.procName + u", "_s;
    return header + u"Line %1"_s.arg(m.line);
}

QString rowsAffected(qint64 n) {
    return n == 1 ? u"(1 row affected)"_s : u"(%1 rows affected)"_s.arg(n);
}

}  // namespace

int SessionImpl::xpCmdShell(const std::vector<ExecParam>& params) {
    const auto command = paramValue(params, u"@command_string"_s, 0);
    if (!command) {
        message(msg::parameterNotSupplied(u"xp_cmdshell"_s, u"@command_string"_s));
        done(false, 0, 0);
        return 1;
    }
    const bool noOutput =
        sameName(paramValue(params, u"@no_output"_s, 1).value_or(QString()), u"no_output"_s);
    const QStringList args = splitCommandLine(*command);
    QStringList lines;
    int exitCode = 0;
    const QString program = args.isEmpty() ? QString() : fileNameOf(args.front()).toLower();
    if (program == u"osql" || program == u"osql.exe") {
        lines = runOsql(args.mid(1), exitCode);
    } else if (!args.isEmpty()) {
        lines << u"'"_s + args.front() +
                     u"' is not recognized as an internal or external "
                     u"command,"_s
              << u"operable program or batch file."_s;
        exitCode = 1;
    }
    if (!noOutput) {
        ResultSet rs;
        ColumnDef output;
        output.name = u"output"_s;
        output.type = ColumnType::NVarChar;
        output.length = 255;
        rs.columns = {output};
        // A blank line of the output comes back as NULL, as the trailing one does.
        for (const QString& line : lines)
            rs.rows.push_back({line.isEmpty() ? Cell() : Cell(line.left(255))});
        rs.rows.push_back({Cell()});  // the trailing empty line of the output
        const qint64 n = rs.rows.size();
        result(std::move(rs));
        done(true, n, 0xC1);
    }
    return exitCode == 0 ? 0 : 1;
}

QStringList SessionImpl::runOsql(const QStringList& arguments, int& exitCode) {
    QString user;
    QString password;
    QString database;
    QString query;
    QString server;
    bool trusted = false;
    static const QString withValue = u"UPSdQqiolHtwshmra"_s;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.size() < 2 || (a[0] != u'-' && a[0] != u'/')) continue;
        const QChar option = a[1];
        QString value = a.mid(2);
        if (withValue.contains(option) && value.isEmpty() && i + 1 < arguments.size() &&
            !arguments[i + 1].startsWith(u'-') && !arguments[i + 1].startsWith(u'/'))
            value = arguments[++i];
        switch (option.unicode()) {
            case u'U':
                user = value;
                break;
            case u'P':
                password = value;
                break;
            case u'd':
                database = value;
                break;
            case u'Q':
            case u'q':
                query = value;
                break;
            case u'S':
                server = value;
                break;
            case u'E':
                trusted = true;
                break;
            default:
                break;
        }
    }
    QStringList lines;
    if (!server.isEmpty() && !sameName(server, m_state->serverName) && server != u"." &&
        !sameName(server, u"(local)"_s) && !sameName(server, u"localhost"_s) &&
        server != u"127.0.0.1") {
        lines << u"[DBNETLIB]SQL Server does not exist or access denied."_s
              << u"[DBNETLIB]ConnectionOpen (Connect())."_s;
        exitCode = 1;
        return lines;
    }
    SessionImpl osql(m_state, m_state->nextInternalSpid++);
    osql.m_waiter = m_waiter;  // a cancel reaches what the program runs
    LoginRequest login;
    login.user = trusted ? QString() : user;
    login.password = password;
    login.database = database;
    const LoginOutcome outcome = osql.login(login);
    if (!outcome.accepted) {
        for (const Token& t : outcome.reply.tokens) {
            if (const auto* m = std::get_if<Message>(&t)) {
                Message shown = *m;
                if (trusted && shown.number == 18456) shown = msg::notTrustedConnection();
                lines << osqlMessageHeader(shown, m_state->serverName) << shown.text;
            }
        }
        exitCode = 1;
        return lines;
    }
    if (!query.isEmpty()) {
        const Reply reply = osql.executeBatch(query);
        if (reply.cancelled) cancelHere();
        for (const Token& t : reply.tokens) {
            if (const auto* m = std::get_if<Message>(&t)) {
                if (m->number == 5701 || m->number == 5703) continue;
                if (m->severity > 10) lines << osqlMessageHeader(*m, m_state->serverName);
                lines << m->text;
            } else if (const auto* rs = std::get_if<ResultSet>(&t)) {
                QVector<int> widths;
                for (int c = 0; c < rs->columns.size(); ++c) {
                    int w = static_cast<int>(rs->columns[c].name.size());
                    for (const auto& row : rs->rows)
                        w = qMax(w,
                                 static_cast<int>(row[c].isNull() ? 4 : cellText(row[c]).size()));
                    widths << w;
                }
                QStringList header;
                QStringList dashes;
                for (int c = 0; c < rs->columns.size(); ++c) {
                    header << padded(rs->columns[c].name, widths[c]);
                    dashes << QString(widths[c], u'-');
                }
                lines << u" "_s + header.join(u' ') << u" "_s + dashes.join(u' ');
                for (const auto& row : rs->rows) {
                    QStringList cells;
                    for (int c = 0; c < row.size(); ++c)
                        cells << padded(row[c].isNull() ? u"NULL"_s : cellText(row[c]), widths[c]);
                    lines << u" "_s + cells.join(u' ');
                }
                lines << QString();
            } else if (const auto* d = std::get_if<Done>(&t)) {
                if (d->count) lines << rowsAffected(d->rowCount);
            }
        }
    }
    osql.disconnect();
    exitCode = 0;
    return lines;
}

}  // namespace sqlsim
