#include "cli/Report.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace tarnwick::cli {

QString outcomeName(ExitStatus status) {
    switch (status) {
        case Clean:
            return u"clean"_s;
        case Findings:
            return u"findings"_s;
        case Failed:
            return u"failed"_s;
        case LoginFailed:
            return u"login failed"_s;
        case UsageError:
            return u"usage error"_s;
    }
    return {};
}

QJsonObject toJson(const Report& report) {
    QJsonObject object{
        {u"server"_s, report.server},
        {u"version"_s, report.version},
        {u"operation"_s, report.operation},
        {u"database"_s, report.database},
        {u"messages"_s, QJsonArray::fromStringList(report.messages)},
        {u"notices"_s, QJsonArray::fromStringList(report.notices)},
        {u"allocationErrors"_s, report.findings.allocationErrors},
        {u"consistencyErrors"_s, report.findings.consistencyErrors},
        {u"repairLevelReported"_s, report.findings.repairLevelReported},
        {u"outcome"_s, outcomeName(report.status)},
        {u"exitStatus"_s, static_cast<int>(report.status)},
    };
    if (report.ranOperation) {
        object.insert(u"switchOnConnection"_s, report.switchOnConnection);
        object.insert(u"singleUserAfter"_s,
                      report.singleUserAfter ? QJsonValue(*report.singleUserAfter) : QJsonValue());
    }
    if (report.listedDatabases)
        object.insert(u"databases"_s, QJsonArray::fromStringList(report.databases));
    if (report.listedFiles) {
        QJsonArray files;
        for (const attach::ListedFile& file : report.files)
            files.append(QJsonObject{{u"status"_s, file.status},
                                     {u"fileName"_s, file.fileName},
                                     {u"location"_s, file.location}});
        object.insert(u"files"_s, files);
    }
    return object;
}

}  // namespace tarnwick::cli
