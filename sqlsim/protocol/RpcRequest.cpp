#include "sqlsim/protocol/RpcRequest.h"

#include "sqlsim/protocol/Bytes.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace sqlsim::tds {

QString procNameOfId(int procId) {
    static const char* const names[] = {nullptr,
                                        "sp_cursor",
                                        "sp_cursoropen",
                                        "sp_cursorprepare",
                                        "sp_cursorexecute",
                                        "sp_cursorprepexec",
                                        "sp_cursorunprepare",
                                        "sp_cursorfetch",
                                        "sp_cursoroption",
                                        "sp_cursorclose",
                                        "sp_executesql",
                                        "sp_prepare",
                                        "sp_execute",
                                        "sp_prepexec",
                                        "sp_prepexecrpc",
                                        "sp_unprepare"};
    if (procId > 0 && procId < int(std::size(names))) return QLatin1String(names[procId]);
    return u"proc#%1"_s.arg(procId);
}

namespace {

// Non-Unicode text arrives in the server's code page.
QString decodeAnsi(QByteArrayView raw, CodePage page) {
    // The 0x80-0x9F range is rare in parameters; Latin-1 covers the rest of code page 1252.
    if (page == CodePage::Cp1252) return QString::fromLatin1(raw.data(), raw.size());
    return codepage::decode(page, raw);
}

qint64 signExtend(quint64 v, int bytes) {
    if (bytes >= 8) return static_cast<qint64>(v);
    const quint64 sign = quint64(1) << (bytes * 8 - 1);
    const quint64 mask = (quint64(1) << (bytes * 8)) - 1;
    v &= mask;
    return static_cast<qint64>((v ^ sign) - sign);
}

std::optional<qint64> readInt(ByteReader& r, int bytes) {
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i) {
        const auto b = r.u8();
        if (!b) return std::nullopt;
        v |= static_cast<quint64>(*b) << (8 * i);
    }
    return signExtend(v, bytes);
}

enum class ValueKind { Int, Bit, UnicodeText, AnsiText, Binary, Float, Other };

// Reads TYPE_INFO and the value of one parameter; nullopt when malformed.
std::optional<Cell> readTypedValue(ByteReader& r, TdsVersion version, CodePage page,
                                   QString& error) {
    const auto type = r.u8();
    if (!type) return std::nullopt;
    const bool collated = version == TdsVersion::V71;
    const auto skipCollation = [&] { return !collated || r.skip(5); };
    switch (*type) {
        // Fixed-length types.
        case 0x1F:
            return Cell();
        case 0x30:
        case 0x32:
            if (auto v = r.u8()) return Cell(qint64(*v));
            return std::nullopt;
        case 0x34:
            if (auto v = readInt(r, 2)) return Cell(*v);
            return std::nullopt;
        case 0x38:
            if (auto v = readInt(r, 4)) return Cell(*v);
            return std::nullopt;
        case 0x7F:
            if (auto v = readInt(r, 8)) return Cell(*v);
            return std::nullopt;
        case 0x3A:
        case 0x3B:
        case 0x7A:
            if (auto v = r.bytes(4)) return Cell(v->toByteArray());
            return std::nullopt;
        case 0x3C:
        case 0x3D:
        case 0x3E:
            if (auto v = r.bytes(8)) return Cell(v->toByteArray());
            return std::nullopt;
        // One-byte length types.
        case 0x26:  // INTN
        case 0x68:  // BITN
        case 0x24:  // GUID
        case 0x6D:  // FLTN
        case 0x6E:  // MONEYN
        case 0x6F:  // DATETIMN
        case 0x6A:  // DECIMALN
        case 0x6C:  // NUMERICN
        case 0x25:
        case 0x27:
        case 0x2D:
        case 0x2F: {
            if (!r.u8())  // max length
                return std::nullopt;
            if ((*type == 0x6A || *type == 0x6C) && !r.skip(2))  // precision, scale
                return std::nullopt;
            const auto len = r.u8();
            if (!len) return std::nullopt;
            if (*len == 0) return Cell();
            if (*type == 0x26 || *type == 0x68) {
                if (*len > 8) {
                    error = u"integer parameter of %1 bytes"_s.arg(*len);
                    return std::nullopt;
                }
                if (auto v = readInt(r, *len)) return Cell(*v);
                return std::nullopt;
            }
            const auto raw = r.bytes(*len);
            if (!raw) return std::nullopt;
            if (*type == 0x27 || *type == 0x2F) return Cell(decodeAnsi(*raw, page));
            return Cell(raw->toByteArray());
        }
        // Two-byte length types.
        case 0xA5:
        case 0xAD:
        case 0xA7:
        case 0xAF:
        case 0xE7:
        case 0xEF: {
            if (!r.u16()) return std::nullopt;
            const bool text = *type == 0xA7 || *type == 0xAF || *type == 0xE7 || *type == 0xEF;
            if (text && !skipCollation()) return std::nullopt;
            const auto len = r.u16();
            if (!len) return std::nullopt;
            if (*len == 0xFFFF) return Cell();
            const auto raw = r.bytes(*len);
            if (!raw) return std::nullopt;
            if (*type == 0xE7 || *type == 0xEF) return Cell(ByteReader::decodeUcs2(*raw));
            if (*type == 0xA7 || *type == 0xAF) return Cell(decodeAnsi(*raw, page));
            return Cell(raw->toByteArray());
        }
        // Four-byte length types (no text pointer in RPC parameters).
        case 0x22:
        case 0x23:
        case 0x63: {
            if (!r.u32()) return std::nullopt;
            if (*type != 0x22 && !skipCollation()) return std::nullopt;
            const auto len = r.u32();
            if (!len) return std::nullopt;
            if (*len == 0xFFFFFFFF) return Cell();
            if (*len > quint32(r.remaining())) return std::nullopt;
            const auto raw = r.bytes(qsizetype(*len));
            if (!raw) return std::nullopt;
            if (*type == 0x63) return Cell(ByteReader::decodeUcs2(*raw));
            if (*type == 0x23) return Cell(decodeAnsi(*raw, page));
            return Cell(raw->toByteArray());
        }
        default:
            error = u"unsupported parameter type 0x%1"_s.arg(*type, 2, 16, QLatin1Char('0'));
            return std::nullopt;
    }
}

}  // namespace

RpcParseResult parseRpc(QByteArrayView payload, TdsVersion version, CodePage page) {
    RpcParseResult result;
    ByteReader r(payload.data(), payload.size());
    const auto fail = [&](const QString& why) {
        result.calls.clear();
        result.error = why.isEmpty() ? u"truncated RPC request"_s : why;
        return result;
    };
    while (!r.atEnd()) {
        RpcCall call;
        const auto nameLen = r.u16();
        if (!nameLen) return fail({});
        if (*nameLen == 0xFFFF) {
            const auto id = r.u16();
            if (!id) return fail({});
            call.procId = *id;
            call.procName = procNameOfId(*id);
        } else {
            const auto name = r.ucs2(*nameLen);
            if (!name) return fail({});
            call.procName = *name;
        }
        if (!r.u16())  // option flags
            return fail({});
        while (!r.atEnd()) {
            const auto* next = payload.data() + r.pos();
            if (static_cast<quint8>(*next) == 0x80 || static_cast<quint8>(*next) == 0xFF) {
                r.skip(1);  // batch separator: another call follows
                break;
            }
            RpcParam param;
            const auto name = r.bVarchar();
            const auto flags = r.u8();
            if (!name || !flags) return fail({});
            param.name = *name;
            param.output = (*flags & 0x01) != 0;
            QString why;
            const auto value = readTypedValue(r, version, page, why);
            if (!value) return fail(why);
            param.value = *value;
            call.params.push_back(std::move(param));
            if (call.params.size() > 4096) return fail(u"too many parameters"_s);
        }
        result.calls.push_back(std::move(call));
    }
    if (result.calls.empty()) return fail(u"empty RPC request"_s);
    return result;
}

QString describeRpc(const RpcCall& call) {
    QStringList parts;
    for (const RpcParam& p : call.params) {
        QString value;
        if (p.value.isNull()) {
            value = u"NULL"_s;
        } else if (p.value.metaType().id() == QMetaType::QString) {
            value = u"N'" + p.value.toString().replace(u'\'', u"''"_s) + u'\'';
        } else if (p.value.metaType().id() == QMetaType::QByteArray) {
            value = u"0x" + QString::fromLatin1(p.value.toByteArray().toHex());
        } else {
            value = p.value.toString();
        }
        QString item = p.name.isEmpty() ? value : p.name + u'=' + value;
        if (p.output) item += u" OUTPUT";
        parts << item;
    }
    QString text = u"RPC " + call.procName;
    if (!parts.isEmpty()) text += u' ' + parts.join(u", ");
    return text;
}

}  // namespace sqlsim::tds
