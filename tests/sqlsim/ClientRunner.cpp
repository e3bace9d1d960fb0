#include "tests/sqlsim/ClientRunner.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace sqlsim::test {

const QString VersionQuery = QStringLiteral("select @@version");
const QString VersionPrefixQuery = QStringLiteral("select left(@@version,charindex('-',@@version)-1)");
const QString DatabaseListQuery = QStringLiteral("select Name from sysdatabases where Dbid>6 order by Name");

namespace {

const QString OdbcDriver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
const QString Python = QStringLiteral("/usr/bin/python3");

QString portText(quint16 port)
{
    return QString::number(port);
}

}  // namespace

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

bool allClientsInstalled(QString* missing)
{
    for (const QString& program : {QStringLiteral("tsql"), QStringLiteral("bsqldb"), QStringLiteral("isql"), Python, OdbcDriver}) {
        if (!programExists(program)) {
            if (missing)
                *missing = program;
            return false;
        }
    }
    return true;
}

ClientRun runTsql(quint16 port, const QStringList& batches, const QString& password, const QString& tdsVersion)
{
    QByteArray input;
    for (const QString& b : batches)
        input += b.toUtf8() + "\ngo\n";
    input += "exit\n";
    return runClient(QStringLiteral("tsql"),
                     {QStringLiteral("-o"), QStringLiteral("fhq"), QStringLiteral("-H"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("-p"), portText(port), QStringLiteral("-U"), QStringLiteral("sa"),
                      QStringLiteral("-P"), password},
                     input, {u"TDSVER=" + tdsVersion});
}

ClientRun runBsqldb(quint16 port, const QString& batch, const QString& password)
{
    return runClient(QStringLiteral("bsqldb"),
                     {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("|"), QStringLiteral("-S"),
                      u"127.0.0.1:" + portText(port), QStringLiteral("-U"), QStringLiteral("sa"),
                      QStringLiteral("-P"), password},
                     batch.toUtf8() + '\n', {QStringLiteral("TDSVER=7.1")});
}

ClientRun runIsql(quint16 port, const QString& batch, const QString& password)
{
    const QString connection = u"DRIVER=" + OdbcDriver + u";SERVER=127.0.0.1;PORT=" + portText(port)
        + u";UID=sa;PWD=" + password + u";TDS_Version=7.1";
    return runClient(QStringLiteral("isql"),
                     {QStringLiteral("-v"), QStringLiteral("-b"), QStringLiteral("-c"), QStringLiteral("-d|"),
                      QStringLiteral("-k"), connection},
                     batch.toUtf8() + '\n');
}

ClientRun runPytds(quint16 port, const QStringList& queries, const QString& password)
{
    const QString script = QStringLiteral(
        "import sys, pytds\n"
        "try:\n"
        "    c = pytds.connect(server='127.0.0.1', port=%1, user='sa', password=sys.argv[1], database='master',\n"
        "                      tds_version=pytds.tds_base.TDS71, autocommit=True, login_timeout=10)\n"
        "except Exception as e:\n"
        "    print('ERROR:', e)\n"
        "    sys.exit(3)\n"
        "cur = c.cursor()\n"
        "for q in sys.argv[2:]:\n"
        "    cur.execute(q)\n"
        "    print(cur.fetchall())\n").arg(portText(port));
    return runClient(Python, QStringList{QStringLiteral("-c"), script, password} + queries, {});
}

}  // namespace sqlsim::test
