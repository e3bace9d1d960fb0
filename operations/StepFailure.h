#pragma once
// Runs one step of a routine and turns whatever it raises into a description. A DbError carries
// the server's text; anything else is reported with its own message rather than escaping the
// routine, which must always end with its wait panel hidden and the program usable.

#include "connection/DbError.h"

#include <QString>

#include <exception>
#include <optional>

namespace tarnwick {

// number, when given, receives the server's message number of a DbError (0 for anything else).
template <typename Step>
std::optional<QString> failureOf(Step&& step, int* number = nullptr) {
    if (number) *number = 0;
    try {
        step();
    } catch (const DbError& error) {
        if (number) *number = error.nativeError();
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return std::nullopt;
}

}  // namespace tarnwick
