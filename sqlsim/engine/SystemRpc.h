#pragma once
// The system procedures a client calls by number in an RPC, and the lookup of an RPC's parameters.

#include "sqlsim/engine/Engine.h"

#include <QStringList>
#include <QStringView>

#include <map>
#include <vector>

namespace sqlsim {

namespace procid {
constexpr int CursorOpen = 2;
constexpr int CursorFetch = 7;
constexpr int CursorClose = 9;
constexpr int ExecuteSql = 10;
constexpr int Prepare = 11;
constexpr int Execute = 12;
constexpr int PrepExec = 13;
constexpr int Unprepare = 15;
}  // namespace procid

// The parameter named name (case-insensitive), or the unnamed one at position index when none has
// that name.
inline const RpcParam* findParam(const RpcCall& call, QStringView name, int index) {
    for (const RpcParam& p : call.params) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    }
    if (index >= 0 && index < int(call.params.size()) && call.params[size_t(index)].name.isEmpty())
        return &call.params[size_t(index)];
    return nullptr;
}

// The parameter names a declaration such as "@id int, @name nvarchar(128) OUTPUT" gives, in
// order and in lower case.
inline QStringList declaredParameterNames(const QString& declaration) {
    QStringList names;
    for (const QString& part : declaration.split(u',')) {
        const QString name = part.trimmed().section(u' ', 0, 0);
        if (name.startsWith(u'@')) names << name.toLower();
    }
    return names;
}

// The values a parameterised statement runs with: the parameters after the first `skip` ones,
// each under its own name or, passed without one, under the declared name in its place (one past
// the declaration is dropped). valueOf reads a parameter's value.
template <typename Param, typename ValueOf>
std::map<QString, Cell> boundParameters(const std::vector<Param>& params, size_t skip,
                                        const QStringList& declared, ValueOf valueOf) {
    std::map<QString, Cell> values;
    for (size_t i = skip; i < params.size(); ++i) {
        const qsizetype position = qsizetype(i - skip);
        const QString name = !params[i].name.isEmpty()    ? params[i].name.toLower()
                             : position < declared.size() ? declared[position]
                                                          : QString();
        if (!name.isEmpty()) values[name] = valueOf(params[i]);
    }
    return values;
}

}  // namespace sqlsim
