// xp_cmdshell and the one program it runs here: the osql utility, logging in as a new connection.

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/SessionImpl.h"

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
    QString header = QStringLiteral("Msg %1, Level %2, State %3, Server %4, ")
                         .arg(m.number)
                         .arg(m.severity)
                         .arg(m.state)
                         .arg(server);
    if (!m.procName.isEmpty())
        header += QStringLiteral("Procedure ") + m.procName + QStringLiteral(", ");
    return header + QStringLiteral("Line %1").arg(m.line);
}

QString rowsAffected(qint64 n) {
    return n == 1 ? QStringLiteral("(1 row affected)")
                  : QStringLiteral("(%1 rows affected)").arg(n);
}

}  // namespace

int SessionImpl::xpCmdShell(const std::vector<ExecParam>& params) {
    const auto command = paramValue(params, QStringLiteral("@command_string"), 0);
    if (!command) {
        message(
            msg::parameterNotSupplied(QStringLiteral("xp_cmdshell"), QStringLiteral("@command_string")));
        done(false, 0, 0);
        return 1;
    }
    const bool noOutput =
        sameName(paramValue(params, QStringLiteral("@no_output"), 1).value_or(QString()),
                 QStringLiteral("no_output"));
    const QStringList args = splitCommandLine(*command);
    QStringList lines;
    int exitCode = 0;
    const QString program = args.isEmpty() ? QString() : fileNameOf(args.front()).toLower();
    if (program == u"osql" || program == u"osql.exe") {
        lines = runOsql(args.mid(1), exitCode);
    } else if (!args.isEmpty()) {
        lines << QStringLiteral("'") + args.front() +
                     QStringLiteral(
                         "' is not recognized as an internal or external "
                         "command,")
              << QStringLiteral("operable program or batch file.");
        exitCode = 1;
    }
    if (!noOutput) {
        ResultSet rs;
        ColumnDef output;
        output.name = QStringLiteral("output");
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
    static const QString withValue = QStringLiteral("UPSdQqiolHtwshmra");
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
        !sameName(server, QStringLiteral("(local)")) &&
        !sameName(server, QStringLiteral("localhost")) && server != u"127.0.0.1") {
        lines << QStringLiteral("[DBNETLIB]SQL Server does not exist or access denied.")
              << QStringLiteral("[DBNETLIB]ConnectionOpen (Connect()).");
        exitCode = 1;
        return lines;
    }
    SessionImpl osql(m_state, m_state->nextInternalSpid++);
    LoginRequest login;
    login.user = trusted ? QString() : user;
    login.password = password;
    login.database = database;
    const LoginOutcome outcome = osql.login(login);
    if (!outcome.accepted) {
        for (const Token& t : outcome.reply.tokens) {
            if (const auto* m = std::get_if<Message>(&t)) {
                Message shown = *m;
                if (trusted && shown.number == 18456)
                    shown = msg::notTrustedConnection();
                lines << osqlMessageHeader(shown, m_state->serverName) << shown.text;
            }
        }
        exitCode = 1;
        return lines;
    }
    if (!query.isEmpty()) {
        const Reply reply = osql.executeBatch(query);
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
                                 static_cast<int>(row[c].isNull() ? 4 : row[c].toString().size()));
                    widths << w;
                }
                QStringList header;
                QStringList dashes;
                for (int c = 0; c < rs->columns.size(); ++c) {
                    header << padded(rs->columns[c].name, widths[c]);
                    dashes << QString(widths[c], u'-');
                }
                lines << QStringLiteral(" ") + header.join(u' ')
                      << QStringLiteral(" ") + dashes.join(u' ');
                for (const auto& row : rs->rows) {
                    QStringList cells;
                    for (int c = 0; c < row.size(); ++c)
                        cells << padded(
                            row[c].isNull() ? QStringLiteral("NULL") : row[c].toString(),
                            widths[c]);
                    lines << QStringLiteral(" ") + cells.join(u' ');
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
