#pragma once
// Values as the statements see them: comparison under the server's case-insensitive collation,
// LIKE patterns, and the failure an expression raises while it is evaluated.

#include "sqlsim/engine/Tokens.h"

namespace sqlsim {

// Thrown by SessionImpl::evaluate; the running statement fails with the message.
struct EvalError {
    Message message;
};

// The text of a value: binary as 0x and hex digits, datetimes as yyyy-mm-dd hh:mi:ss.mmm.
QString cellText(const Cell& c);
bool isNumber(const Cell& c);
// Comparison under a case-insensitive collation; numbers compare as numbers.
int compareCells(const Cell& a, const Cell& b);
bool like(const QString& text, const QString& pattern);

}  // namespace sqlsim
