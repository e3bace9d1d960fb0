#pragma once
// The command line of tarnwick-cli: what to do, against which server, with which password
// source. Parsing never touches the server, so every usage error is found before a login.

#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwick::cli {

enum class Command { Help, Operations, Databases, Run, Attach, Attach7, History };
enum class PasswordSource { Environment, File, Stdin };

struct Invocation {
    Command command = Command::Help;
    QString server = QStringLiteral("(local)");
    PasswordSource passwordSource = PasswordSource::Environment;
    QString passwordFile;
    bool json = false;
    bool raw = false;  // the result text byte for byte, line ends as the window keeps them
    bool switchOnConnection = false;  // run: the repairs switch single-user mode on the connection
    QString key;                      // run
    QString database;                 // run
    bool allDatabases = false;        // run KEY --all-databases: every user database, one login
    QString file;                     // attach: the primary file; attach7: the data file
    QString logFile;                  // attach7 --log
    QString name;                     // --as
    bool nameGiven = false;
    bool singleFile = false;  // attach7 --single-file
};

struct ParsedCommandLine {
    std::optional<Invocation> invocation;
    QString error;  // set when invocation is empty; never holds a password
};

// arguments: without the program name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

QString helpText();

}  // namespace tarnwick::cli
