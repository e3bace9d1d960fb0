#include "cli/AllDatabases.h"

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

ExitStatus worse(ExitStatus a, ExitStatus b) {
    // ExitStatus's values are in order of severity.
    return std::max(a, b);
}

EveryDatabaseRun runOnEveryDatabase(const QStringList& databases,
                                    const std::function<ExitStatus(const QString&)>& runOne,
                                    const std::function<bool()>& stopRequested) {
    EveryDatabaseRun run;
    run.databases = databases;
    for (qsizetype i = 0; i < databases.size(); ++i) {
        // The one place a run of many databases stops early: between two databases, never inside
        // one, so every database started ends with its own clean-up.
        if (stopRequested()) {
            run.notRun = databases.mid(i);
            run.status = worse(run.status, Failed);
            break;
        }
        const QString& database = databases.at(i);
        const ExitStatus status = runOne(database);
        run.status = worse(run.status, status);
        if (status == Clean)
            run.clean << database;
        else if (status == Findings)
            run.findings << database;
        else
            run.failed << database;
    }
    return run;
}

QString databaseHeader(const QString& database) {
    return u"==> "_s + database + u" <=="_s;
}

QString summaryText(const QString& operation, const EveryDatabaseRun& run) {
    QString text =
        u"==> "_s + operation +
        u" on %1 databases: %2 clean, %3 with findings, %4 failed"_s.arg(run.databases.size())
            .arg(run.clean.size())
            .arg(run.findings.size())
            .arg(run.failed.size());
    if (!run.notRun.isEmpty()) text += u", %1 not run"_s.arg(run.notRun.size());
    text += u" <==\n"_s;
    const auto list = [&text](const QString& outcome, const QStringList& names) {
        for (const QString& name : names) text += outcome + u'\t' + name + u'\n';
    };
    list(u"findings"_s, run.findings);
    list(u"failed"_s, run.failed);
    list(u"not run"_s, run.notRun);
    return text;
}

QJsonObject summaryJson(const Report& head, const EveryDatabaseRun& run) {
    return {
        {u"server"_s, head.server},
        {u"version"_s, head.version},
        {u"operation"_s, head.operation},
        {u"notices"_s, QJsonArray::fromStringList(head.notices)},
        {u"databases"_s, QJsonArray::fromStringList(run.databases)},
        {u"clean"_s, QJsonArray::fromStringList(run.clean)},
        {u"findings"_s, QJsonArray::fromStringList(run.findings)},
        {u"failed"_s, QJsonArray::fromStringList(run.failed)},
        {u"notRun"_s, QJsonArray::fromStringList(run.notRun)},
        {u"outcome"_s, outcomeName(head.status)},
        {u"exitStatus"_s, static_cast<int>(head.status)},
    };
}

}  // namespace tarnwick::cli
