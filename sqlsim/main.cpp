// sqlsim: serves one scenario on 127.0.0.1 until SIGINT or SIGTERM.
//   sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR] [--dbcc-pages-per-second N]
// --files stores the files of the scenario's server paths in DIR (the detached primary files with
// their record, the files they record beside them, the attached databases' files): C:\Attach\X.MDF
// lies in DIR/C/Attach/X.MDF, and clients see only the server paths. --dbcc-pages-per-second sets
// how fast DBCC works through pages (the scenario's dbccPagesPerSecond; 0 answers at once).

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "sqlsim/engine/Scenario.h"
#include "sqlsim/protocol/Server.h"

#include <QString>

#include <malloc.h>
#include <pthread.h>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR]\n"
                 "              [--dbcc-pages-per-second N]\n");
    return 2;
}

// The one description of the options: the manual page is made from it.
int help() {
    std::fputs(R"(Usage: sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR]
                    [--dbcc-pages-per-second N]
Serves a SQL Server 7.0 or 2000 server described by a JSON scenario over TDS on 127.0.0.1, until
SIGINT or SIGTERM. It models the databases, the single-user option, the findings of DBCC and the
detached database files that Tarnwick works on; it is a test and demonstration server, not a
database.

Options:
  --scenario FILE  the scenario to serve (the demo scenarios and their description are in
                   /usr/share/sqlsim)
  --port N         the TCP port on 127.0.0.1 (default 1433; 0 takes a free one); the first line
                   of standard output names the port listened on
  --journal FILE   append every batch received to FILE, one JSON object per line
  --files DIR      store the files of the scenario's server paths in DIR (C:\Attach\X.MDF in
                   DIR/C/Attach/X.MDF: each detached primary file with the files it records);
                   clients see only the server paths
  --dbcc-pages-per-second N
                   how fast DBCC, the shrinks and the index rebuild work through pages (the
                   scenario's dbccPagesPerSecond); 0, the default, answers at once; an
                   attention from the client stops and rolls back the running statement
  --help           this text

Exit status: 0 after a stop signal, 1 when the scenario cannot be read or the port cannot be
bound, 2 for a usage error.
)",
               stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QString scenario;
    QString journal;
    QString files;
    quint16 port = 1433;
    double pagesPerSecond = -1;  // -1: as the scenario says
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--help") return help();
        if (i + 1 >= argc) return usage();
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == u"--scenario") {
            scenario = value;
        } else if (arg == u"--files") {
            files = value;
        } else if (arg == u"--journal") {
            journal = value;
        } else if (arg == u"--dbcc-pages-per-second") {
            bool ok = false;
            pagesPerSecond = value.toDouble(&ok);
            if (!ok || !std::isfinite(pagesPerSecond) || pagesPerSecond < 0) return usage();
        } else if (arg == u"--port") {
            bool ok = false;
            const uint n = value.toUInt(&ok);
            if (!ok || n > 65535) return usage();
            port = static_cast<quint16>(n);
        } else {
            return usage();
        }
    }
    if (scenario.isEmpty()) return usage();

    // Large results (100,000 rows and more) allocate and free tens of megabytes per request; keep
    // that memory in the process instead of returning it to the system after every reply.
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);

    // Block the stop signals in every thread; the main thread waits for them below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        sqlsim::Scenario loaded = sqlsim::Scenario::fromFile(scenario);
        if (!files.isEmpty()) sqlsim::storeServerFiles(loaded, files);
        if (pagesPerSecond >= 0) loaded.dbccPagesPerSecond = pagesPerSecond;
        sqlsim::Server server(sqlsim::Engine::create(loaded));
        server.setServerName(loaded.serverName);
        if (!journal.isEmpty()) server.setJournalFile(journal);
        const quint16 listening = server.start(port);
        // The first line names the port: scripts and tests read it.
        std::printf("sqlsim: listening on 127.0.0.1:%u\n", unsigned(listening));
        if (!files.isEmpty())
            std::printf("sqlsim: the server's files are stored in %s\n", qPrintable(files));
        std::fflush(stdout);
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sqlsim: %s\n", e.what());
        return 1;
    }
    return 0;
}
