#pragma once
// Runs one tarnwick-cli invocation: reads the password from where the command line says, logs in
// as the login window does, runs the operation through the same routines as the main window and
// reports on the standard streams.

#include <QStringList>

#include <cstdio>

namespace tarnwick::cli {

class ConsoleToolkit;

struct Streams {
    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
};

// arguments: without the program name. Returns the exit status.
int runCommandLine(const QStringList& arguments, ConsoleToolkit& toolkit, const Streams& streams);

}  // namespace tarnwick::cli
