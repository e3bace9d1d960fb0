// tarnwick-cli: the main window's operations from the command line, for scripts and nightly
// checks. No window is ever shown; `tarnwick-cli --help` says how to use it.

#include "cli/CliRunner.h"
#include "cli/ConsoleToolkit.h"
#include "cli/StopSignals.h"
#include "toolkit/Toolkit.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tarnwick-cli"_s);
    tarnwick::cli::ConsoleToolkit toolkit(stderr);
    tarnwick::setToolkit(&toolkit);
    tarnwick::cli::installStopSignals();
    const int status = tarnwick::cli::runCommandLine(QCoreApplication::arguments().mid(1), toolkit,
                                                     {stdin, stdout, stderr});
    tarnwick::setToolkit(nullptr);
    return status;
}
