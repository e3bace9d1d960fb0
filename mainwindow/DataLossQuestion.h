#pragma once
// The question the window asks before an operation that may lose data.

#include "mainwindow/OperationRow.h"

#include <QString>

// Names the operation (its node text), the database and the server, says what may be lost and
// asks whether to go on.
QString dataLossQuestion(const OperationRow& row, const QString& database, const QString& server);
