#pragma once
// Sends one attach statement and reports the outcome as both attach windows do: "附加成功！" in an
// information box, or the failure's description in a critical box, both titled "提示".

#include <QString>

namespace attach {

// True when the server attached the database. The attach of database, its outcome and the box's
// text go to the repair history; a history that cannot be written is said on standard error.
bool runAttachStatement(const QString& statement, const QString& database);

}  // namespace attach
