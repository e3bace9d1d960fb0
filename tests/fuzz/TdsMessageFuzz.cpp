// Fuzzes sqlsim's protocol side: the pre-login option list, the LOGIN7 record and RPC requests of
// both protocol versions and code pages, as they arrive from a client.

#include "sqlsim/protocol/Login.h"
#include "sqlsim/protocol/RpcRequest.h"

#include <QByteArrayView>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView payload(data, static_cast<qsizetype>(size));
    namespace tds = sqlsim::tds;
    tds::parsePrelogin(payload);
    tds::parseLogin7(payload);
    for (tds::TdsVersion version : {tds::TdsVersion::V70, tds::TdsVersion::V71}) {
        for (sqlsim::CodePage page : {sqlsim::CodePage::Cp1252, sqlsim::CodePage::Cp936})
            tds::parseRpc(payload, version, page);
    }
    return 0;
}
