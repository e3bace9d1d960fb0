#include "ClientRunner.h"

#include <QProcess>
#include <QFile>
#include <QStandardPaths>

namespace sqlsim::test {

ClientRun runClient(const QString& program, const QStringList& args, const QByteArray& input,
                    const QStringList& env, int timeoutMs)
{
    ClientRun run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("TDSDUMP"));
    environment.remove(QStringLiteral("TDSVER"));
    for (const QString& entry : env) {
        const qsizetype eq = entry.indexOf(u'=');
        environment.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(environment);
    process.start(program, args);
    run.started = process.waitForStarted(5000);
    if (!run.started)
        return run;
    process.write(input);
    process.closeWriteChannel();
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

bool programExists(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty() || QFile::exists(program);
}

}  // namespace sqlsim::test
