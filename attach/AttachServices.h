#pragma once
// What the attach windows ask of the server connection: open a result set, execute one statement.
// The standard services act on the program's one server connection; tests put their own in place.

#include "connection/RecordSet.h"

#include <QString>

#include <exception>
#include <functional>

namespace attach {

struct AttachServices {
    std::function<tarnwick::RecordSet(const QString& query, tarnwick::RecordSet::CursorType,
                                      tarnwick::RecordSet::LockType)>
        openRecordSet;
    std::function<void(const QString& statement)> execute;

    static AttachServices standard();
};

// The services of every attach window from now on; resetServices() restores the standard ones.
void setServices(const AttachServices& services);
void resetServices();
AttachServices services();

// The text a message box shows for a failure: the server's description, or the failure's own text.
QString errorDescription(const std::exception& error);

}  // namespace attach
