#include "cli/DbccFindings.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

QStringList resultMessages(const QString& resultText) {
    static const QRegularExpression lineEnd(u"\r\n|\r"_s);
    QStringList messages = resultText.split(lineEnd);
    if (!messages.isEmpty() && messages.last().isEmpty()) messages.removeLast();
    return messages;
}

DbccFindings dbccFindings(const QStringList& messages) {
    static const QRegularExpression summary(
        u"^\\w+ found (\\d+) allocation errors and (\\d+) consistency errors in (database|table) "_s);
    static const QRegularExpression repairLevel(
        u"^\\w+ is the minimum repair level for the errors found by DBCC "_s);
    DbccFindings database;
    DbccFindings tables;
    bool databaseSummarySeen = false;
    for (const QString& message : messages) {
        const QRegularExpressionMatch match = summary.match(message);
        if (match.hasMatch()) {
            const bool ofDatabase = match.captured(3) == u"database"_s;
            DbccFindings& counts = ofDatabase ? database : tables;
            databaseSummarySeen |= ofDatabase;
            counts.allocationErrors += match.captured(1).toInt();
            counts.consistencyErrors += match.captured(2).toInt();
        } else if (repairLevel.match(message).hasMatch()) {
            database.repairLevelReported = true;
        }
    }
    if (!databaseSummarySeen) {
        database.allocationErrors = tables.allocationErrors;
        database.consistencyErrors = tables.consistencyErrors;
    }
    return database;
}

}  // namespace tarnwick::cli
