#pragma once
// RPC request messages: the procedure (by name or by the well-known id) and its parameters with
// their values decoded from TYPE_INFO. Several calls may share one message, separated by 0x80.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/SystemRpc.h"
#include "sqlsim/protocol/TokenEncoder.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace sqlsim::tds {

// "sp_executesql" for 10 and so on; "proc#<id>" for an id we do not know.
QString procNameOfId(int procId);

struct RpcParseResult {
    std::vector<RpcCall> calls;
    QString error;  // non-empty when the message is malformed
};

// Non-Unicode text parameters are decoded from page, the server's code page.
RpcParseResult parseRpc(QByteArrayView payload, TdsVersion version,
                        CodePage page = CodePage::Cp1252);

// The call as the journal shows it: "RPC <name> @a=1, @b=N'x' OUTPUT".
QString describeRpc(const RpcCall& call);

}  // namespace sqlsim::tds
