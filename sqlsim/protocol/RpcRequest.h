#pragma once
// RPC request messages: the procedure (by name or by the well-known id) and its parameters with
// their values decoded from TYPE_INFO. Several calls may share one message, separated by 0x80.

#include "sqlsim/protocol/TokenEncoder.h"
#include "sqlsim/engine/Engine.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace sqlsim::tds {

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

// "sp_executesql" for 10 and so on; "proc#<id>" for an id we do not know.
QString procNameOfId(int procId);

struct RpcParseResult {
    std::vector<RpcCall> calls;
    QString error;  // non-empty when the message is malformed
};

// Non-Unicode text parameters are decoded from page, the server's code page.
RpcParseResult parseRpc(QByteArrayView payload, TdsVersion version, CodePage page = CodePage::Cp1252);

// The call as the journal shows it: "RPC <name> @a=1, @b=N'x' OUTPUT".
QString describeRpc(const RpcCall& call);

// The value of the parameter named name (case-insensitive), or of the parameter at position
// index when none has that name.
const RpcParam* findParam(const RpcCall& call, QStringView name, int index);

}  // namespace sqlsim::tds
