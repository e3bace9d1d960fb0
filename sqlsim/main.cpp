// sqlsim: serves one scenario on 127.0.0.1 until SIGINT or SIGTERM.
//   sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR]
// --files stores the files of the scenario's server paths in DIR (the detached primary files with
// their record, the files they record beside them, the attached databases' files): C:\Attach\X.MDF
// lies in DIR/C/Attach/X.MDF, and clients see only the server paths.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "sqlsim/engine/Scenario.h"
#include "sqlsim/protocol/Server.h"

#include <QString>

#include <malloc.h>
#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <exception>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QString scenario;
    QString journal;
    QString files;
    quint16 port = 1433;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (i + 1 >= argc) return usage();
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == u"--scenario") {
            scenario = value;
        } else if (arg == u"--files") {
            files = value;
        } else if (arg == u"--journal") {
            journal = value;
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
