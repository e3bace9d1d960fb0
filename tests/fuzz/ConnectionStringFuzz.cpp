// Fuzzes the connection-string mapping: the OLE DB string read as a provider reads it, the server
// name split into host, instance and port, and the ODBC string built from them. Any input text
// must map without a crash, and every value must come out either unchanged or in braces.

#include "connection/core/ConnectionString.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void checkQuoted(const QString& value) {
    const QString quoted = tarnwick::quoteOdbcValue(value);
    if (quoted != value && !(quoted.startsWith(u'{') && quoted.endsWith(u'}'))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const tarnwick::OleDbSettings settings = tarnwick::parseOleDbConnectionString(text);
    const tarnwick::ServerAddress address = tarnwick::parseServerName(settings.dataSource);
    for (const QString& value : {settings.userId, settings.password, settings.initialCatalog,
                                 settings.dataSource, address.host, address.instance, address.port})
        checkQuoted(value);
    const QString odbc = tarnwick::odbcConnectionString(settings, u"FreeTDS"_s, u"7.1"_s);
    if (!odbc.endsWith(u';')) std::abort();
    return 0;
}
