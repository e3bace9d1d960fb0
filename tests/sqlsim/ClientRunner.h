#pragma once
// Runs an outside client program (tsql, bsqldb, isql, python3) to completion for a test.

#include <QProcessEnvironment>
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
// environment (FreeTDS's debug dump variables are removed). Gives up after timeoutMs.
ClientRun runClient(const QString& program, const QStringList& args, const QByteArray& input,
                    const QStringList& env = {}, int timeoutMs = 20000);

bool programExists(const QString& program);

}  // namespace sqlsim::test
