#pragma once
// Runs the outside client programs (tsql, bsqldb, isql, python3-tds) against a server on
// 127.0.0.1, each with its TDS version set explicitly, and collects what they print.

#include <QString>
#include <QStringList>

namespace sqlsim::test {

struct ClientRun {
    bool started = false;
    bool finished = false;  // false: killed after the time-out
    int exitCode = -1;
    QString out;
    QString err;
    QString all() const { return out + err; }
};

// Runs program with args, feeding input on stdin; env entries "NAME=value" are added to the
// environment (FreeTDS's dump and version variables are removed first). Gives up after timeoutMs.
ClientRun runClient(const QString& program, const QStringList& args, const QByteArray& input,
                    const QStringList& env = {}, int timeoutMs = 20000);

bool programExists(const QString& program);
// Every client program the outside-client tests use is installed.
bool allClientsInstalled(QString* missing = nullptr);

// The queries the program sends at start-up.
extern const QString VersionQuery;
extern const QString VersionPrefixQuery;
extern const QString DatabaseListQuery;

// tsql -o fhq: rows only, one per line, columns separated by tabs. Each batch is ended by "go".
ClientRun runTsql(quint16 port, const QStringList& batches, const QString& password,
                  const QString& tdsVersion = QStringLiteral("7.1"));
// bsqldb -q -t '|': rows only.
ClientRun runBsqldb(quint16 port, const QString& batch, const QString& password);
// isql -v -b -c -d'|' through the FreeTDS driver, DSN-less; a heading line, then the rows.
ClientRun runIsql(quint16 port, const QString& batch, const QString& password);
// python3-tds: prints the rows of each query as a Python list, one line per query; exit status 3
// and "ERROR: <message>" when the login fails.
ClientRun runPytds(quint16 port, const QStringList& queries, const QString& password);

}  // namespace sqlsim::test
