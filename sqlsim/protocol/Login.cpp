#include "sqlsim/protocol/Login.h"

#include "sqlsim/protocol/Bytes.h"

using namespace Qt::StringLiterals;

namespace sqlsim::tds {

std::optional<std::vector<PreloginOption>> parsePrelogin(QByteArrayView payload) {
    std::vector<PreloginOption> options;
    qsizetype pos = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(payload.data());
    while (true) {
        if (pos >= payload.size()) return std::nullopt;  // no terminator
        const quint8 token = p[pos];
        if (token == 0xFF) break;
        if (pos + 5 > payload.size()) return std::nullopt;
        const qsizetype offset = (p[pos + 1] << 8) | p[pos + 2];
        const qsizetype length = (p[pos + 3] << 8) | p[pos + 4];
        if (offset + length > payload.size()) return std::nullopt;
        options.push_back({token, QByteArray(payload.data() + offset, length)});
        pos += 5;
        if (options.size() > 64) return std::nullopt;
    }
    return options;
}

QByteArray preloginReply(quint8 major, quint8 minor, quint16 build) {
    // Four option headers (5 bytes each) and the terminator, then the data.
    constexpr int headerBytes = 4 * 5 + 1;
    QByteArray out;
    ByteWriter w(out);
    const auto option = [&w](quint8 token, quint16 offset, quint16 length) {
        w.u8(token);
        w.u16be(offset);
        w.u16be(length);
    };
    option(0x00, headerBytes, 6);      // VERSION
    option(0x01, headerBytes + 6, 1);  // ENCRYPTION
    option(0x02, headerBytes + 7, 1);  // INSTOPT
    option(0x03, headerBytes + 8, 0);  // THREADID
    w.u8(0xFF);
    w.u8(major);
    w.u8(minor);
    w.u16be(build);
    w.u16(0);    // sub-build
    w.u8(0x02);  // encryption not supported
    w.u8(0x00);  // instance accepted
    return out;
}

QByteArray decodePasswordBytes(QByteArrayView obfuscated) {
    QByteArray out(obfuscated.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < obfuscated.size(); ++i) {
        const auto x = static_cast<quint8>(static_cast<quint8>(obfuscated[i]) ^ 0xA5);
        out[i] = static_cast<char>(((x << 4) & 0xF0) | (x >> 4));
    }
    return out;
}

QByteArray encodePasswordBytes(QByteArrayView plain) {
    QByteArray out(plain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const auto b = static_cast<quint8>(plain[i]);
        out[i] = static_cast<char>((((b << 4) & 0xF0) | (b >> 4)) ^ 0xA5);
    }
    return out;
}

namespace {

constexpr qsizetype FixedPart70 = 86;

// Reads the (offset, char count) pair at fieldAt and the UCS-2 string it points to.
std::optional<QByteArrayView> stringBytes(QByteArrayView payload, qsizetype fieldAt, QString& error,
                                          const char* what) {
    ByteReader r(payload.data() + fieldAt, 4);
    const quint16 offset = *r.u16();
    const quint16 chars = *r.u16();
    const qsizetype bytes = qsizetype(chars) * 2;
    if (chars == 0) return QByteArrayView();
    if (offset < FixedPart70 || offset + bytes > payload.size()) {
        error = u"LOGIN7 %1 lies outside the message"_s.arg(QLatin1String(what));
        return std::nullopt;
    }
    return payload.sliced(offset, bytes);
}

}  // namespace

Login7Result parseLogin7(QByteArrayView payload) {
    Login7Result result;
    if (payload.size() < FixedPart70) {
        result.error = u"LOGIN7 shorter than its fixed part"_s;
        return result;
    }
    ByteReader r(payload.data(), payload.size());
    Login7 login;
    login.length = *r.u32();
    login.tdsVersion = *r.u32();
    login.packetSize = *r.u32();
    if (login.length != payload.size()) {
        result.error = u"LOGIN7 length %1 does not match the message (%2 bytes)"_s.arg(login.length)
                           .arg(payload.size());
        return result;
    }
    login.optionFlags2 = static_cast<quint8>(payload[25]);

    struct Field {
        qsizetype at;
        QString* target;
        const char* what;
        bool password;
    };
    const Field fields[] = {
        {36, &login.hostName, "host name", false},
        {40, &login.userName, "user name", false},
        {44, &login.password, "password", true},
        {48, &login.appName, "application name", false},
        {52, &login.serverName, "server name", false},
        {60, &login.libraryName, "library name", false},
        {64, &login.language, "language", false},
        {68, &login.database, "database", false},
    };
    for (const Field& f : fields) {
        const auto raw = stringBytes(payload, f.at, result.error, f.what);
        if (!raw) return result;
        *f.target = f.password ? ByteReader::decodeUcs2(decodePasswordBytes(*raw))
                               : ByteReader::decodeUcs2(*raw);
    }
    result.login = std::move(login);
    return result;
}

}  // namespace sqlsim::tds
