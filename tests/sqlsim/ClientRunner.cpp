#include "tests/sqlsim/ClientRunner.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace sqlsim::test {

const QString VersionQuery = u"select @@version"_s;
const QString VersionPrefixQuery = u"select left(@@version,charindex('-',@@version)-1)"_s;
const QString DatabaseListQuery = u"select Name from sysdatabases where Dbid>6 order by Name"_s;

namespace {

const QString OdbcDriver = u"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"_s;
const QString Python = u"/usr/bin/python3"_s;

QString portText(quint16 port) {
    return QString::number(port);
}

}  // namespace

ClientRun runClient(const QString& program, const QStringList& args, const QByteArray& input,
                    const QStringList& env, int timeoutMs) {
    ClientRun run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"TDSDUMP"_s);
    environment.remove(u"TDSVER"_s);
    for (const QString& entry : env) {
        const qsizetype eq = entry.indexOf(u'=');
        environment.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(environment);
    process.start(program, args);
    run.started = process.waitForStarted(5000);
    if (!run.started) return run;
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

bool programExists(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty() || QFile::exists(program);
}

bool allClientsInstalled(QString* missing) {
    for (const QString& program : {u"tsql"_s, u"bsqldb"_s, u"isql"_s, Python, OdbcDriver}) {
        if (!programExists(program)) {
            if (missing) *missing = program;
            return false;
        }
    }
    return true;
}

ClientRun runTsql(quint16 port, const QStringList& batches, const QString& password,
                  const QString& tdsVersion) {
    QByteArray input;
    for (const QString& b : batches) input += b.toUtf8() + "\ngo\n";
    input += "exit\n";
    return runClient(u"tsql"_s,
                     {u"-o"_s, u"fhq"_s, u"-H"_s, u"127.0.0.1"_s, u"-p"_s, portText(port), u"-U"_s,
                      u"sa"_s, u"-P"_s, password},
                     input, {u"TDSVER=" + tdsVersion});
}

ClientRun runBsqldb(quint16 port, const QString& batch, const QString& password) {
    return runClient(u"bsqldb"_s,
                     {u"-q"_s, u"-t"_s, u"|"_s, u"-S"_s, u"127.0.0.1:" + portText(port), u"-U"_s,
                      u"sa"_s, u"-P"_s, password},
                     batch.toUtf8() + '\n', {u"TDSVER=7.1"_s});
}

ClientRun runIsql(quint16 port, const QString& batch, const QString& password) {
    const QString connection = u"DRIVER=" + OdbcDriver + u";SERVER=127.0.0.1;PORT=" +
                               portText(port) + u";UID=sa;PWD=" + password + u";TDS_Version=7.1";
    return runClient(u"isql"_s, {u"-v"_s, u"-b"_s, u"-c"_s, u"-d|"_s, u"-k"_s, connection},
                     batch.toUtf8() + '\n');
}

ClientRun runPytds(quint16 port, const QStringList& queries, const QString& password) {
    const QString script =
        u"import sys, pytds\n"
        u"try:\n"
        u"    c = pytds.connect(server='127.0.0.1', port=%1, user='sa', password=sys.argv[1], "
        u"database='master',\n"
        u"                      tds_version=pytds.tds_base.TDS71, autocommit=True, "
        u"login_timeout=10)\n"
        u"except Exception as e:\n"
        u"    print('ERROR:', e)\n"
        u"    sys.exit(3)\n"
        u"cur = c.cursor()\n"
        u"for q in sys.argv[2:]:\n"
        u"    cur.execute(q)\n"
        u"    print(cur.fetchall())\n"_s.arg(portText(port));
    return runClient(Python, QStringList{u"-c"_s, script, password} + queries, {});
}

}  // namespace sqlsim::test
