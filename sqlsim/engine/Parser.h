#pragma once
// Compiles a batch into statements. A batch with a syntax error compiles to nothing but the
// error, which is how the server treats it: no statement of it runs.

#include "sqlsim/engine/Ast.h"
#include "sqlsim/engine/CodePage.h"
#include "sqlsim/engine/Engine.h"

#include <optional>

namespace sqlsim {

struct ParseOutcome {
    std::vector<StatementPtr> statements;
    std::vector<Message> errors;  // empty when the batch compiled
};

// A plain '...' literal is varchar: its text is what the code page keeps of it ('?' for a character
// the code page lacks). An N'...' literal keeps every character.
ParseOutcome parseBatch(const QString& text, Profile profile, CodePage literals);

// Parses a [db.][owner.]name written as one text, e.g. "[dbo].[authors]" or "pubs..authors".
std::optional<ObjectName> parseObjectName(const QString& text);

}  // namespace sqlsim
