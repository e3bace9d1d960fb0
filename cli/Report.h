#pragma once
// What one run of tarnwick-cli found, for the exit status and the JSON report.

#include "attach/PrimaryFileListing.h"
#include "cli/DbccFindings.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwick::cli {

enum ExitStatus {
    Clean = 0,
    Findings = 1,
    Failed = 2,
    LoginFailed = 3,
    UsageError = 64,
};

struct Report {
    QString server;
    QString version;
    QString operation;  // the key, or "databases", "attach", "attach7"
    QString database;
    QStringList messages;  // the result text's messages
    QStringList notices;   // the message boxes' texts
    DbccFindings findings;
    QStringList databases;            // databases
    QList<attach::ListedFile> files;  // attach
    bool listedDatabases = false;
    bool listedFiles = false;
    bool ranOperation = false;
    bool switchOnConnection = false;
    std::optional<bool> singleUserAfter;  // read after a repair's switch back on the connection
    ExitStatus status = Clean;
};

QString outcomeName(ExitStatus status);
QJsonObject toJson(const Report& report);

}  // namespace tarnwick::cli
