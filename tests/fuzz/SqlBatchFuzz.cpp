// Fuzzes sqlsim's statement side: the lexer and the batch parser of both server profiles. Any text
// must end in statements or errors, never in a crash.

#include "sqlsim/engine/Lexer.h"
#include "sqlsim/engine/Parser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const sqlsim::LexResult lexed = sqlsim::tokenize(text);
    if (lexed.tokens.isEmpty() || lexed.tokens.last().kind != sqlsim::SqlToken::Kind::End)
        std::abort();
    sqlsim::parseBatch(text, sqlsim::Profile::Sql2000, sqlsim::CodePage::Cp936);
    sqlsim::parseBatch(text, sqlsim::Profile::Sql70, sqlsim::CodePage::Cp1252);
    sqlsim::parseObjectName(text);
    return 0;
}
