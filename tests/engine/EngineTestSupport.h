#pragma once
// Helpers for the engine tests: the test scenario, sessions logged in as sa, and readable views of
// the tokens a batch produced.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/Scenario.h"
#include "tests/support/GTestQtPrinters.h"

#include <QStringList>

#include <memory>

namespace sqlsim::testing {

// tests/data/engine-tests.json: user databases with odd names, findings and detached files.
Scenario testScenario(Profile profile = Profile::Sql2000, const QString& saPassword = QString());

std::unique_ptr<Session> loginAs(Engine& engine, int spid, const QString& password = QString(),
                                 const QString& database = QString());

// Only the message texts.
QStringList messageTexts(const Reply& reply);
// Errors (severity > 10) as "number: text".
QStringList errors(const Reply& reply);
// Column values of one column of the first result set, as text (NULL as "<null>").
QStringList column(const Reply& reply, int index, int resultIndex = 0);
// A compact picture of the token stream: e.g. "RESULT(16x5) DONE(count 5) INFO(2528) DONE".
QString shape(const Reply& reply);

}  // namespace sqlsim::testing
