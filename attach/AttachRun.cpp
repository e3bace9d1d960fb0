#include "attach/AttachRun.h"

#include "attach/AttachServices.h"
#include "attach/AttachTexts.h"
#include "toolkit/Toolkit.h"

#include "connection/DbError.h"

#include <algorithm>
#include <exception>

namespace attach {

namespace {

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

bool runAttachStatement(const QString& statement) {
    try {
        try {
            services().execute(statement);
        } catch (const std::exception& error) {
            if (!onlyLogRebuilt(error)) throw;
        }
        tarnwick::toolkit().messageBox(texts::attachSucceeded(), tarnwick::vbInformation,
                                       texts::messageTitle());
        return true;
    } catch (const std::exception& error) {
        tarnwick::toolkit().messageBox(errorDescription(error), tarnwick::vbCritical,
                                       texts::messageTitle());
        return false;
    }
}

}  // namespace attach
