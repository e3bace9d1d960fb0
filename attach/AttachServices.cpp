#include "attach/AttachServices.h"

#include "connection/DbError.h"
#include "connection/ModMain.h"

#include <optional>

namespace attach {

AttachServices AttachServices::standard() {
    AttachServices s;
    s.openRecordSet = [](const QString& query, tarnwick::RecordSet::CursorType cursor,
                         tarnwick::RecordSet::LockType lock) {
        tarnwick::RecordSet set;
        set.open(query, ModMain::serverConnection().Connection, cursor, lock);
        return set;
    };
    s.execute = [](const QString& statement) {
        ModMain::serverConnection().Connection.execute(statement);
    };
    return s;
}

namespace {

std::optional<AttachServices>& replacedServices() {
    static std::optional<AttachServices> replaced;
    return replaced;
}

}  // namespace

void setServices(const AttachServices& s) {
    replacedServices() = s;
}

void resetServices() {
    replacedServices().reset();
}

AttachServices services() {
    return replacedServices().value_or(AttachServices::standard());
}

QString errorDescription(const std::exception& error) {
    if (const auto* dbError = dynamic_cast<const tarnwick::DbError*>(&error))
        return dbError->description();
    return QString::fromUtf8(error.what());
}

}  // namespace attach
