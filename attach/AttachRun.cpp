#include "attach/AttachRun.h"

#include "attach/AttachServices.h"
#include "attach/AttachTexts.h"
#include "operations/OperationCatalogue.h"
#include "operations/RepairHistory.h"
#include "toolkit/Toolkit.h"

#include "connection/DbError.h"
#include "connection/ModMain.h"

#include <algorithm>
#include <exception>

using namespace Qt::StringLiterals;

namespace attach {

namespace {

void record(const QString& database, bool attached, const QString& text) {
    tarnwick::history::Entry entry;
    entry.time = QDateTime::currentDateTimeUtc();
    entry.server = ModMain::serverConnection().ServerName;
    entry.database = database;
    entry.operation = tarnwick::attachOperationKey();
    entry.outcome = attached ? u"ok"_s : u"failed"_s;
    entry.result = text;
    const QString error = tarnwick::history::append(entry);
    if (!error.isEmpty()) qWarning("cannot write the history: %s", qUtf8Printable(error));
}

// A single-file attach that had to build a new log reports the old log's path (5105) and the new
// log (5182); a server that sends them as errors has attached the database all the same.
bool onlyLogRebuilt(const std::exception& error) {
    const auto* dbError = dynamic_cast<const tarnwick::DbError*>(&error);
    if (!dbError) return false;
    const QList<int>& numbers = dbError->serverMessages();
    return !numbers.isEmpty() && numbers.back() == 5182 &&
           std::all_of(numbers.begin(), numbers.end(),
                       [](int n) { return n == 5105 || n == 5182; });
}

}  // namespace

bool runAttachStatement(const QString& statement, const QString& database) {
    try {
        try {
            services().execute(statement);
        } catch (const std::exception& error) {
            if (!onlyLogRebuilt(error)) throw;
        }
    } catch (const std::exception& error) {
        const QString text = errorDescription(error);
        record(database, false, text);
        tarnwick::toolkit().messageBox(text, tarnwick::vbCritical, texts::messageTitle());
        return false;
    }
    record(database, true, texts::attachSucceeded());
    tarnwick::toolkit().messageBox(texts::attachSucceeded(), tarnwick::vbInformation,
                                   texts::messageTitle());
    return true;
}

}  // namespace attach
