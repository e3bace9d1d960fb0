#pragma once
// Runs one step of a routine and turns whatever it raises into a description. A DbError carries
// the server's text; anything else is reported with its own message rather than escaping the
// routine, which must always end with its wait panel hidden and the program usable.

#include "connection/DbError.h"

#include <QString>

#include <exception>
#include <optional>
#include <utility>

namespace tarnwick {

// number, when given, receives the server's message number of a DbError (0 for anything else);
// cancelled, when given, whether the failure was a cancel of the running statement.
template <typename Step>
std::optional<QString> failureOf(Step&& step, int* number, bool* cancelled) {
    if (number) *number = 0;
    if (cancelled) *cancelled = false;
    try {
        step();
    } catch (const DbError& error) {
        if (number) *number = error.nativeError();
        if (cancelled) *cancelled = error.isCancel();
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return std::nullopt;
}

template <typename Step>
std::optional<QString> failureOf(Step&& step, int* number = nullptr) {
    return failureOf(std::forward<Step>(step), number, nullptr);
}

template <typename Step>
std::optional<QString> failureOf(Step&& step, bool& cancelled) {
    return failureOf(std::forward<Step>(step), nullptr, &cancelled);
}

}  // namespace tarnwick
