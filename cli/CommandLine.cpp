#include "cli/CommandLine.h"

#include "operations/OperationCatalogue.h"

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

namespace {

ParsedCommandLine usageError(const QString& text) {
    return {std::nullopt, text};
}

// The option's name without an attached "=value", which may be a secret typed by mistake.
QString optionName(const QString& argument) {
    return argument.section(u'=', 0, 0);
}

}  // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    Invocation inv;
    QStringList positional;
    bool passwordFileGiven = false;
    bool passwordStdinGiven = false;
    bool logGiven = false;
    bool helpAsked = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(u"--"_s) || argument == u"--"_s) {
            if (argument == u"-h"_s) {
                helpAsked = true;
                continue;
            }
            positional << argument;
            continue;
        }
        const QString name = optionName(argument);
        const bool attached = argument.contains(u'=');
        // An option that takes a value: "--name value" or "--name=value".
        const auto value = [&](QString& target) -> bool {
            if (attached) {
                target = argument.section(u'=', 1);
                return true;
            }
            if (i + 1 >= arguments.size()) return false;
            target = arguments.at(++i);
            return true;
        };
        if (name == u"--password"_s)
            return usageError(
                u"--password is not accepted: a password on the command line is "
                "visible to every user of the machine. Use --password-file FILE, "
                "--password-stdin or TARNWICK_PASSWORD."_s);
        if (name == u"--help"_s) {
            helpAsked = true;
        } else if (name == u"--json"_s && !attached) {
            inv.json = true;
        } else if (name == u"--switch-on-connection"_s && !attached) {
            inv.switchOnConnection = true;
        } else if (name == u"--raw"_s && !attached) {
            inv.raw = true;
        } else if (name == u"--password-stdin"_s && !attached) {
            passwordStdinGiven = true;
        } else if (name == u"--single-file"_s && !attached) {
            inv.singleFile = true;
        } else if (name == u"--all-databases"_s && !attached) {
            inv.allDatabases = true;
        } else if (name == u"--server"_s) {
            if (!value(inv.server) || inv.server.isEmpty())
                return usageError(u"--server needs a server name"_s);
        } else if (name == u"--password-file"_s) {
            if (!value(inv.passwordFile)) return usageError(u"--password-file needs a file"_s);
            passwordFileGiven = true;
        } else if (name == u"--as"_s) {
            if (!value(inv.name)) return usageError(u"--as needs a database name"_s);
            inv.nameGiven = true;
        } else if (name == u"--log"_s) {
            if (!value(inv.logFile)) return usageError(u"--log needs a log file"_s);
            logGiven = true;
        } else {
            return usageError(u"unknown option "_s + name);
        }
    }

    if (helpAsked) return {inv, {}};
    if (positional.isEmpty()) return usageError(u"no command given"_s);
    if (passwordFileGiven && passwordStdinGiven)
        return usageError(u"--password-file and --password-stdin exclude each other"_s);
    if (passwordFileGiven) inv.passwordSource = PasswordSource::File;
    if (passwordStdinGiven) inv.passwordSource = PasswordSource::Stdin;

    const QString command = positional.takeFirst();
    const auto expect = [&](qsizetype count, const QString& form) -> std::optional<QString> {
        if (positional.size() != count) return u"usage: tarnwick-cli [options] "_s + form;
        return std::nullopt;
    };
    std::optional<QString> error;
    if (command == u"operations"_s) {
        inv.command = Command::Operations;
        error = expect(0, u"operations"_s);
    } else if (command == u"history"_s) {
        inv.command = Command::History;
        error = expect(0, u"history"_s);
    } else if (command == u"databases"_s) {
        inv.command = Command::Databases;
        error = expect(0, u"databases"_s);
    } else if (command == u"run"_s) {
        inv.command = Command::Run;
        error = expect(inv.allDatabases ? 1 : 2,
                       inv.allDatabases ? u"run KEY --all-databases"_s : u"run KEY DATABASE"_s);
        if (!error) {
            inv.key = positional.at(0);
            if (!inv.allDatabases) inv.database = positional.at(1);
            const CatalogueOperation* operation = findCatalogueOperation(inv.key);
            if (!operation)
                error = u"unknown operation key \""_s + inv.key +
                        u"\" (tarnwick-cli operations lists the keys)"_s;
            else if (!operation->routine)
                error = inv.key + u" chooses files, not a database: use attach or attach7"_s;
        }
    } else if (command == u"attach"_s) {
        inv.command = Command::Attach;
        error = expect(1, u"attach PRIMARY [--as NAME]"_s);
        if (!error) inv.file = positional.at(0);
        if (!error && (logGiven || inv.singleFile))
            error =
                u"attach takes the files the primary file records: --log and --single-file "
                "belong to attach7"_s;
    } else if (command == u"attach7"_s) {
        inv.command = Command::Attach7;
        error = expect(1, u"attach7 DATA [--log LOG | --single-file] --as NAME"_s);
        if (!error) inv.file = positional.at(0);
        if (!error && (!inv.nameGiven || inv.name.isEmpty()))
            error = u"attach7 needs the database name: --as NAME"_s;
        if (!error && logGiven && inv.singleFile)
            error = u"--single-file attaches without a log: leave out --log"_s;
        if (!error && !logGiven && !inv.singleFile)
            error =
                u"no log file given: --single-file attaches the data file alone and the "
                "server builds a new log; give the old log with --log LOG if there is one"_s;
    } else {
        error = u"unknown command \""_s + command + u"\""_s;
    }
    if (!error && inv.command != Command::Attach && inv.command != Command::Attach7 &&
        (inv.nameGiven || logGiven || inv.singleFile))
        error = u"--as, --log and --single-file belong to attach and attach7"_s;
    if (!error && inv.switchOnConnection && inv.command != Command::Run)
        error = u"--switch-on-connection belongs to run"_s;
    if (!error && inv.command != Command::Run && inv.allDatabases)
        error = u"--all-databases belongs to run"_s;
    if (error) return usageError(*error);
    return {inv, {}};
}

QString helpText() {
    return uR"HELP(Usage:
  tarnwick-cli [connection options] databases                 the user databases, one per line
  tarnwick-cli [connection options] run KEY DATABASE          one operation of the tree by its key
  tarnwick-cli [connection options] run KEY --all-databases   the operation on every user database
  tarnwick-cli [connection options] attach PRIMARY [--as NAME]
                         attach from a primary data file (SQL Server 2000): the files it records
                         are looked for on the server; NAME defaults to the name it records
  tarnwick-cli [connection options] attach7 DATA (--log LOG | --single-file) --as NAME
                         attach from a data file and its log file (SQL Server 7.0); --single-file
                         attaches the data file alone and the server builds a new log
                         PRIMARY, DATA and LOG are paths on the server (C:\Attach\X.MDF),
                         checked there
  tarnwick-cli operations                                     the keys with their node texts
  tarnwick-cli history                                        the repairs and attaches run so far,
                         with what each reported ($XDG_STATE_HOME/tarnwick/history.jsonl)

Connection options:
  --server NAME          host, host\instance, host,port, (local), a FreeTDS section or an ODBC
                         data source, as in the login window (default "(local)"); login as sa
  --password-file FILE   the sa password is the first line of FILE
  --password-stdin       the sa password is the first line of standard input (asked for,
                         unseen, at a terminal)
                         (neither given: TARNWICK_PASSWORD from the environment, else empty)
  --json                 one JSON object on standard output instead of the text
  --raw                  the result text byte for byte as the window keeps it (CR LF after the
                         lines the program writes, a CR alone between the server's messages)
  --help                 this text

Options of run:
  --all-databases        the operation on each user database, in the order of the database
                         list, over one login; a failure on one database does not stop the
                         others. The text of each database follows a line "==> DATABASE <==";
                         a summary ends the output (with --json: one JSON object per line, one
                         per database as its run ends, then the summary). The exit status is the
                         worst of the runs
  --switch-on-connection a repair switches the database to single-user mode with sp_dboption on
                         this connection (from master) instead of through osql on the server,
                         which logs in without a password; a refusal is reported

The result text goes to standard output as the main window shows it, in UTF-8, one line for each
message: LF ends every line in a pipe or a file, CR LF on a terminal. A message box of the window
becomes one line on standard error. On a terminal, standard error shows the time the running
statement has taken.

SIGINT, SIGTERM or SIGHUP during a run cancels the running statement; the run then ends as after
a failure (a repair switches the database back out of single-user mode) and the program exits
with 128 + the signal's number. A second SIGINT ends it at once, which may leave the database in
single-user mode.

Exit status:
  0   the operation ran and the server reported no errors
  1   it ran and DBCC reported errors (a non-zero allocation or consistency count, or a minimum
      repair level)
  2   the operation failed (a failure report or a failure message), or the database was still
      in single-user mode after a repair with --switch-on-connection
  3   login failed
  64  usage error
  128+N  stopped by signal N (130 SIGINT, 143 SIGTERM, 129 SIGHUP)
)HELP"_s;
}

}  // namespace tarnwick::cli
