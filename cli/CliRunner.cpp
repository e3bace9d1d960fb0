#include "cli/CliRunner.h"

#include "attach/AttachRun.h"
#include "attach/AttachServices.h"
#include "attach/AttachStatements.h"
#include "attach/AttachTexts.h"
#include "attach/PrimaryFileListing.h"
#include "cli/AllDatabases.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleHost.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleToolkit.h"
#include "cli/Report.h"
#include "cli/StopSignals.h"
#include "connection/DbError.h"
#include "connection/ModMain.h"
#include "operations/OperationCatalogue.h"
#include "operations/RepairHistory.h"
#include "operations/UserDatabases.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <exception>
#include <optional>

#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

namespace {

// The first line of a text, without its line end.
QString firstLine(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    const qsizetype end = text.indexOf(u'\n');
    if (end >= 0) text.truncate(end);
    if (text.endsWith(u'\r')) text.chop(1);
    return text;
}

// Typed at a terminal, the password is not shown while it is typed.
class TerminalEchoOff {
public:
    explicit TerminalEchoOff(FILE* in) : m_fd(::fileno(in)) {
        if (!isTerminal(in) || ::tcgetattr(m_fd, &m_saved) != 0) return;
        termios silent = m_saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_active = ::tcsetattr(m_fd, TCSAFLUSH, &silent) == 0;
        if (m_active) std::fputs("Password: ", stderr);
    }
    ~TerminalEchoOff() {
        if (!m_active) return;
        ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
        std::fputs("\n", stderr);
    }
    TerminalEchoOff(const TerminalEchoOff&) = delete;
    TerminalEchoOff& operator=(const TerminalEchoOff&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

// The password, or nothing when its source can not be read; the error names the source only.
std::optional<QString> readPassword(const Invocation& inv, FILE* in, QString& error) {
    switch (inv.passwordSource) {
        case PasswordSource::File: {
            QFile file(inv.passwordFile);
            if (!file.open(QIODevice::ReadOnly)) {
                error = u"cannot read the password file "_s + inv.passwordFile;
                return std::nullopt;
            }
            return firstLine(file.readAll());
        }
        case PasswordSource::Stdin: {
            QFile input;
            if (!input.open(in, QIODevice::ReadOnly)) {
                error = u"cannot read the password from standard input"_s;
                return std::nullopt;
            }
            const TerminalEchoOff echoOff(in);
            return firstLine(input.readLine());
        }
        case PasswordSource::Environment:
            return qEnvironmentVariable("TARNWICK_PASSWORD");
    }
    return QString();
}

QString description(const std::exception& error) {
    if (const auto* dbError = dynamic_cast<const DbError*>(&error)) return dbError->description();
    return QString::fromUtf8(error.what());
}

// The login window's steps: connect (a failure is shown in a box), then read the version text;
// a server whose version can not be read is left again.
bool logIn(const QString& server, const QString& password) {
    if (!ModMain::ConnectServer(server, password)) return false;
    ModMain::ServerConnection& sc = ModMain::serverConnection();
    try {
        sc.ServerVersion = ModMain::ReadServerVersion(sc.Connection);
        return true;
    } catch (const std::exception& error) {
        sc.Connection.close();
        toolkit().messageBox(u"cannot read the server's version: "_s + description(error),
                             vbCritical, {});
        return false;
    }
}

void listDatabases(Report& report) {
    try {
        report.databases = ModMain::UserDatabases();
        report.listedDatabases = true;
    } catch (const std::exception& error) {
        toolkit().messageBox(u"cannot list the databases: "_s + description(error), vbCritical, {});
        report.status = Failed;
    }
}

// One operation on one database, echoed on standard output unless --json. The report's notices are
// the boxes this run showed. Returns the result text.
QString runOperation(const Invocation& inv, const QString& database, Report& report,
                     ConsoleToolkit& toolkit, const Streams& streams) {
    const CatalogueOperation* operation = findCatalogueOperation(inv.key);
    const qsizetype noticesBefore = toolkit.shownTexts.size();
    toolkit.criticalShown = false;
    ConsoleHost host(streams.out, streams.err, !inv.json, inv.raw);
    if (inv.switchOnConnection) host.singleUserSwitch = SingleUserSwitch::OnConnection;
    const OperationOutcome outcome = runCatalogueOperation(*operation, host, database);
    if (!outcome.historyError.isEmpty())
        writeLine(streams.err,
                  u"tarnwick-cli: cannot write the history: "_s + outcome.historyError);
    report.ranOperation = true;
    report.switchOnConnection = inv.switchOnConnection;
    report.singleUserAfter = host.stillSingleUser;
    report.messages = resultMessages(host.resultText());
    report.findings = dbccFindings(report.messages);
    report.notices = toolkit.shownTexts.mid(noticesBefore);
    if (!outcome.succeeded || toolkit.criticalShown)
        report.status = Failed;
    else if (report.findings.any())
        report.status = Findings;
    return host.resultText();
}

// run KEY --all-databases: the database list, then the operation on each database over the same
// login. Text: each database's text after its header line; JSON: one line per database as its run
// ends. The summary is written by the caller, also when the login or the list failed. The report's
// notices are those shown outside the databases' runs (the list not read); each run has its own.
EveryDatabaseRun runOnAllDatabases(const Invocation& inv, Report& report, ConsoleToolkit& toolkit,
                                   const Streams& streams) {
    listDatabases(report);
    report.notices = toolkit.shownTexts;
    if (!report.listedDatabases) return {};
    bool first = true;
    const auto runOne = [&](const QString& database) {
        if (!inv.json) {
            write(streams.out, (first ? QString() : u"\n"_s) + databaseHeader(database) + u'\n');
            first = false;
        }
        Report run;
        run.server = report.server;
        run.version = report.version;
        run.operation = inv.key;
        run.database = database;
        const QString text = runOperation(inv, database, run, toolkit, streams);
        if (inv.json) {
            write(streams.out,
                  QString::fromUtf8(QJsonDocument(toJson(run)).toJson(QJsonDocument::Compact)) +
                      u'\n');
        } else if (!text.isEmpty() && !text.endsWith(u'\n') &&
                   !(text.endsWith(u'\r') && !inv.raw)) {
            // The next header starts a line of its own (without --raw a final CR has been
            // written as a line end).
            write(streams.out, u"\n"_s);
        }
        return run.status;
    };
    // A signal ends the run after the failure path of the database it interrupted.
    return runOnEveryDatabase(report.databases, runOne, [] { return stopRequested(); });
}

// The primary-file window's steps: the file list, the recorded name (asked even when --as names
// the database, as the window asks it before the user types), then the attach statement.
void attachFromPrimaryFile(const Invocation& inv, Report& report, FILE* err) {
    try {
        attach::listRecordedFiles(
            inv.file, [] {}, [&report](const attach::ListedFile& file) { report.files << file; });
        report.listedFiles = true;
        const QString recordedName = attach::recordedDatabaseName(inv.file);
        report.database = inv.nameGiven ? inv.name : recordedName;
    } catch (const std::exception& error) {
        toolkit().messageBox(description(error), vbCritical, attach::texts::messageTitle());
        report.status = Failed;
        return;
    }
    for (const attach::ListedFile& file : report.files)
        writeLine(err, file.status + u'\t' + file.fileName + u'\t' + file.location);
    if (!attach::runAttachStatement(
            attach::primaryFileAttachStatement(report.database, report.files), report.database))
        report.status = Failed;
}

void attachFromDataFile(const Invocation& inv, Report& report) {
    report.database = inv.name;
    const QString statement = inv.singleFile
                                  ? attach::singleFileAttachStatement(inv.name, inv.file)
                                  : attach::twoFileAttachStatement(inv.name, inv.file, inv.logFile);
    if (!attach::runAttachStatement(statement, inv.name)) report.status = Failed;
}

void printOperations(const Invocation& inv, FILE* out) {
    QJsonArray list;
    for (const CatalogueOperation& operation : operationCatalogue()) {
        if (inv.json)
            list.append(QJsonObject{{u"key"_s, operation.key}, {u"text"_s, operation.text}});
        else
            write(out, operation.key + u'\t' + operation.text + u'\n');
    }
    if (inv.json)
        write(out, QString::fromUtf8(QJsonDocument(QJsonObject{{u"operations"_s, list}}).toJson()));
}

// One entry a paragraph: its facts on one line, then what it reported, each line indented.
void printHistory(const Invocation& inv, FILE* out) {
    const QList<history::Entry> entries = history::readAll();
    if (inv.json) {
        QJsonArray list;
        for (const history::Entry& entry : entries) list.append(history::toJson(entry));
        write(out, QString::fromUtf8(QJsonDocument(QJsonObject{{u"history"_s, list}}).toJson()));
        return;
    }
    for (const history::Entry& entry : entries) {
        const QString singleUser = !entry.singleUserAfter   ? u"single-user afterwards unknown"_s
                                   : *entry.singleUserAfter ? u"STILL SINGLE-USER"_s
                                                            : u"multi-user afterwards"_s;
        QStringList facts{entry.time.toUTC().toString(Qt::ISODate), entry.server, entry.database,
                          entry.operation, entry.outcome};
        if (!entry.switchMode.isEmpty()) facts << u"switch: "_s + entry.switchMode << singleUser;
        write(out, facts.join(u'\t') + u'\n');
        static const QRegularExpression lineEnd(u"\r\n|\r|\n"_s);
        for (const QString& line : entry.result.split(lineEnd, Qt::SkipEmptyParts))
            write(out, u"    "_s + line + u'\n');
    }
}

QString operationName(const Invocation& inv) {
    switch (inv.command) {
        case Command::Databases:
            return u"databases"_s;
        case Command::Run:
            return inv.key;
        case Command::Attach:
            return u"attach"_s;
        case Command::Attach7:
            return u"attach7"_s;
        default:
            return {};
    }
}

}  // namespace

int runCommandLine(const QStringList& arguments, ConsoleToolkit& toolkit, const Streams& streams) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.invocation) {
        writeLine(streams.err, u"tarnwick-cli: "_s + parsed.error);
        writeLine(streams.err, u"Try tarnwick-cli --help."_s);
        return UsageError;
    }
    const Invocation& inv = *parsed.invocation;
    if (inv.command == Command::Help) {
        write(streams.out, helpText());
        return Clean;
    }
    if (inv.command == Command::Operations) {
        printOperations(inv, streams.out);
        return Clean;
    }
    if (inv.command == Command::History) {
        printHistory(inv, streams.out);
        return Clean;
    }

    QString passwordError;
    const std::optional<QString> password = readPassword(inv, streams.in, passwordError);
    if (!password) {
        writeLine(streams.err, u"tarnwick-cli: "_s + passwordError);
        return UsageError;
    }

    Report report;
    report.server = inv.server;
    report.operation = operationName(inv);
    report.database = inv.database;
    EveryDatabaseRun everyDatabase;
    if (!logIn(inv.server, *password)) {
        report.status = LoginFailed;
        report.notices = toolkit.shownTexts;
    } else {
        report.version = ModMain::serverConnection().ServerVersion;
        switch (inv.command) {
            case Command::Databases:
                listDatabases(report);
                break;
            case Command::Run:
                if (inv.allDatabases) {
                    everyDatabase = runOnAllDatabases(inv, report, toolkit, streams);
                    report.status = worse(report.status, everyDatabase.status);
                } else {
                    runOperation(inv, inv.database, report, toolkit, streams);
                }
                break;
            case Command::Attach:
                attachFromPrimaryFile(inv, report, streams.err);
                break;
            case Command::Attach7:
                attachFromDataFile(inv, report);
                break;
            default:
                break;
        }
        ModMain::serverConnection().Connection.close();
        if (!inv.allDatabases) report.notices = toolkit.shownTexts;
    }

    if (inv.allDatabases) {
        if (inv.json)
            write(streams.out, QString::fromUtf8(QJsonDocument(summaryJson(report, everyDatabase))
                                                     .toJson(QJsonDocument::Compact)) +
                                   u'\n');
        else if (report.listedDatabases)
            write(streams.out, (everyDatabase.databases.isEmpty() ? QString() : u"\n"_s) +
                                   summaryText(inv.key, everyDatabase));
    } else if (inv.json)
        write(streams.out, QString::fromUtf8(QJsonDocument(toJson(report)).toJson()));
    else if (report.listedDatabases)
        for (const QString& name : report.databases) write(streams.out, name + u'\n');
    // Stopped by a signal: the run has ended as after a failure; the exit status says why.
    if (stopRequested()) return 128 + stopSignal();
    return report.status;
}

}  // namespace tarnwick::cli
