#include "operations/SingleUserSwitch.h"

#include "connection/ModMain.h"
#include "connection/RecordSet.h"
#include "operations/CaptureStatements.h"
#include "operations/Operations.h"
#include "operations/SqlText.h"
#include "operations/StepFailure.h"

using namespace Qt::StringLiterals;

namespace tarnwick::singleuser {

namespace {

bool onConnection(const OperationHost& host) {
    return host.singleUserSwitch == SingleUserSwitch::OnConnection;
}

// The option as the server reports it; nothing when the answer is not a number (no such
// database).
std::optional<bool> readSingleUser(const QString& database) {
    RecordSet answer;
    answer.open(isSingleUserQuery(database), ModMain::serverConnection().Connection,
                RecordSet::adOpenStatic, RecordSet::adLockOptimistic);
    if (answer.eof()) return std::nullopt;
    const QVariant value = answer.field(0);
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (value.isNull() || !isNumber) return std::nullopt;
    return number != 0;
}

}  // namespace

QString dbOptionStatement(const QString& database, bool on) {
    return u"exec sp_dboption "_s + unicodeLiteral(database) + u", N'single user', N'"_s +
           (on ? u"true"_s : u"false"_s) + u"'"_s;
}

QString isSingleUserQuery(const QString& database) {
    return u"select DATABASEPROPERTY("_s + unicodeLiteral(database) + u", 'IsSingleUser')"_s;
}

QString stillSingleUserLine(const QString& database) {
    return u"数据库 %1 仍处于单用户模式，其他用户无法使用它。请在 master 数据库中执行 %2 将其恢复为多用户模式。\r\n"_s
        .arg(database, dbOptionStatement(database, false));
}

void switchOn(const OperationHost& host, const QString& database) {
    if (!onConnection(host)) {
        ModMain::SetSingleUser(database, true);
        return;
    }
    OdbcConnection& connection = ModMain::serverConnection().Connection;
    connection.setDefaultDatabase(u"master"_s);
    connection.execute(dbOptionStatement(database, true));
}

SwitchBack switchBack(OperationHost& host, const QString& database, bool moveToMaster) {
    SwitchBack back;
    const auto tryStep = [&back](const auto& step) {
        if (const std::optional<QString> failure = failureOf(step)) back.failures << *failure;
    };
    if (!onConnection(host)) {
        tryStep([&] { ModMain::SetSingleUser(database, false); });
        return back;
    }
    OdbcConnection& connection = ModMain::serverConnection().Connection;
    if (moveToMaster) tryStep([&] { connection.setDefaultDatabase(u"master"_s); });
    tryStep([&] { connection.execute(dbOptionStatement(database, false)); });
    tryStep([&] { host.stillSingleUser = readSingleUser(database); });
    if (host.stillSingleUser.value_or(false)) back.closingLine = stillSingleUserLine(database);
    return back;
}

QString withReports(QString text, const QStringList& failures, const SwitchBack& back) {
    for (const QStringList* list : {&failures, &back.failures})
        for (const QString& description : *list)
            text = capture::withFailureReport(text, description);
    return text + back.closingLine;
}

}  // namespace tarnwick::singleuser
