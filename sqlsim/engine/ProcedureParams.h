#pragma once
// Helpers the emulated system procedures share.

#include "sqlsim/engine/Ast.h"
#include "sqlsim/engine/ServerState.h"

#include <QString>

#include <optional>
#include <vector>

namespace sqlsim {

// Finds a parameter by its name or, when passed without a name, by its position.
inline std::optional<QString> paramValue(const std::vector<ExecParam>& params, const QString& name,
                                         size_t position) {
    for (const ExecParam& p : params)
        if (sameName(p.name, name))
            return p.value && !p.value->value.isNull()
                       ? std::optional<QString>(p.value->value.toString())
                       : std::optional<QString>(QString());
    if (position < params.size() && params[position].name.isEmpty()) {
        const ExecParam& p = params[position];
        return p.value && !p.value->value.isNull()
                   ? std::optional<QString>(p.value->value.toString())
                   : std::optional<QString>(QString());
    }
    return std::nullopt;
}

// The folder part of a path with its last '\' or '/', empty when it has none.
inline QString folderOf(const QString& path) {
    const auto slash = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.left(slash + 1);
}

inline QString fileNameOf(const QString& path) {
    const auto slash = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(slash + 1);
}

}  // namespace sqlsim
