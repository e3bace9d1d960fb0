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

// cancelled: set to whether the failure was a cancel of the running statement.
template <typename Step>
std::optional<QString> failureOf(Step&& step, bool& cancelled) {
    cancelled = false;
    try {
        step();
    } catch (const DbError& error) {
        cancelled = error.isCancel();
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return std::nullopt;
}

template <typename Step>
std::optional<QString> failureOf(Step&& step) {
    bool cancelled = false;
    return failureOf(std::forward<Step>(step), cancelled);
}

}  // namespace tarnwick
