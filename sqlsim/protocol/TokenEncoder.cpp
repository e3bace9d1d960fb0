#include "sqlsim/protocol/TokenEncoder.h"

#include "sqlsim/protocol/Bytes.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace sqlsim::tds {

namespace {

constexpr int MaxCharBytes = 8000;
// The declared maximum of a SQL_VARIANT column, as the server sends it.
constexpr quint32 VariantMaxBytes = 8016;

quint8 typeByte(ColumnType type) {
    switch (type) {
        case ColumnType::Int:
        case ColumnType::SmallInt:
        case ColumnType::TinyInt:
            return 0x26;  // INTN
        case ColumnType::NVarChar:
            return 0xE7;
        case ColumnType::NChar:
            return 0xEF;
        case ColumnType::VarChar:
            return 0xA7;
        case ColumnType::Char:
            return 0xAF;  // BIGCHAR
        case ColumnType::VarBinary:
            return 0xA5;  // BIGVARBINARY
        case ColumnType::DateTime:
            return 0x6F;  // DATETIMN
        case ColumnType::Variant:
            return 0x62;  // SSVARIANT
    }
    return 0xE7;
}

bool isInt(ColumnType type) {
    return type == ColumnType::Int || type == ColumnType::SmallInt || type == ColumnType::TinyInt;
}

// Columns whose length counts bytes rather than characters.
bool isByteType(ColumnType type) {
    return type == ColumnType::VarChar || type == ColumnType::Char || type == ColumnType::VarBinary;
}

// Declared maximum in bytes of a character or binary column.
int maxBytes(const ColumnDef& column) {
    if (isByteType(column.type))
        return column.length > 0 ? std::min(column.length, MaxCharBytes) : MaxCharBytes;
    return column.length > 0 ? std::min(column.length * 2, MaxCharBytes) : MaxCharBytes;
}

// TDS 7.0 has no SQL_VARIANT: such a column goes to a 7.0 client as nvarchar(4000), each value as
// its text.
ColumnDef onTheWire(const ColumnDef& column, TdsVersion version) {
    if (column.type != ColumnType::Variant || version == TdsVersion::V71) return column;
    return {column.name, ColumnType::NVarChar, 4000};
}

// DATETIME: days since 1900-01-01, then 1/300 seconds since midnight.
void writeDateTime(ByteWriter& w, const QDateTime& value) {
    static const QDate base(1900, 1, 1);
    const qint64 days = base.daysTo(value.date());
    const qint64 ms = value.time().msecsSinceStartOfDay();
    w.u32(static_cast<quint32>(static_cast<qint32>(days)));
    w.u32(static_cast<quint32>((ms * 3 + 5) / 10));
}

}  // namespace

TokenEncoder::TokenEncoder(TdsVersion version, QString serverName, Collation collation)
    : m_version(version), m_serverName(std::move(serverName)), m_collation(std::move(collation)) {}

void TokenEncoder::typeInfo(QByteArray& out, const ColumnDef& column) const {
    ByteWriter w(out);
    w.u8(typeByte(column.type));
    if (isInt(column.type)) {
        w.u8(column.type == ColumnType::Int ? 4 : column.type == ColumnType::SmallInt ? 2 : 1);
        return;
    }
    if (column.type == ColumnType::DateTime) {
        w.u8(8);
        return;
    }
    if (column.type == ColumnType::Variant) {
        w.u32(VariantMaxBytes);
        return;
    }
    w.u16(static_cast<quint16>(maxBytes(column)));
    if (m_version == TdsVersion::V71 && column.type != ColumnType::VarBinary)
        w.bytes(m_collation.bytes.data(), 5);
}

void TokenEncoder::colMetadata(QByteArray& out, const QVector<ColumnDef>& columns) const {
    ByteWriter w(out);
    w.u8(token::ColMetadata);
    w.u16(static_cast<quint16>(columns.size()));
    for (const ColumnDef& column : columns) {
        w.u16(0);       // user type
        w.u16(0x0001);  // nullable, read-only
        typeInfo(out, onTheWire(column, m_version));
        w.bVarchar(column.name);
    }
}

void TokenEncoder::variantValue(QByteArray& out, const Cell& cell) const {
    ByteWriter w(out);
    if (cell.isNull()) {
        w.u32(0);
        return;
    }
    const ColumnDef base = variantBaseOf(cell);
    if (base.type == ColumnType::Int) {
        w.u32(2 + 4);
        w.u8(0x38);  // INT4
        w.u8(0);     // no properties
        w.u32(static_cast<quint32>(cell.toLongLong()));
        return;
    }
    // NVARCHAR: the collation and the maximum length in bytes are its properties.
    const QString text = cell.toString().left(base.length);
    const qsizetype dataBytes = text.size() * 2;
    w.u32(static_cast<quint32>(2 + 7 + dataBytes));
    w.u8(typeByte(ColumnType::NVarChar));
    w.u8(7);
    w.bytes(m_collation.bytes.data(), 5);
    w.u16(static_cast<quint16>(maxBytes(base)));
    w.ucs2(text);
}

void TokenEncoder::value(QByteArray& out, const ColumnDef& column, const Cell& cell) const {
    ByteWriter w(out);
    if (column.type == ColumnType::Variant) {
        variantValue(out, cell);
        return;
    }
    if (column.type == ColumnType::DateTime) {
        if (cell.isNull()) {
            w.u8(0);
        } else {
            w.u8(8);
            writeDateTime(w, cell.toDateTime());
        }
        return;
    }
    if (isInt(column.type)) {
        if (cell.isNull()) {
            w.u8(0);
        } else if (column.type == ColumnType::Int) {
            w.u8(4);
            w.u32(static_cast<quint32>(cell.toLongLong()));
        } else if (column.type == ColumnType::SmallInt) {
            w.u8(2);
            w.u16(static_cast<quint16>(cell.toLongLong()));
        } else {
            w.u8(1);
            w.u8(static_cast<quint8>(cell.toLongLong()));
        }
        return;
    }
    if (cell.isNull()) {
        w.u16(0xFFFF);
        return;
    }
    const int limit = maxBytes(column);
    // One resize per value: the length prefix and the data are written in place.
    const auto reserveValue = [&out](qsizetype dataBytes) {
        const qsizetype at = out.size();
        out.resize(at + 2 + dataBytes);
        char* dst = out.data() + at;
        dst[0] = static_cast<char>(dataBytes & 0xFF);
        dst[1] = static_cast<char>(dataBytes >> 8);
        return dst + 2;
    };
    if (column.type == ColumnType::VarBinary) {
        const QByteArray bytes = cell.toByteArray();
        const qsizetype n = std::min<qsizetype>(bytes.size(), limit);
        std::memcpy(reserveValue(n), bytes.constData(), static_cast<size_t>(n));
        return;
    }
    // Strings are the common case; avoid a copy for them.
    QString converted;
    const QString* text = nullptr;
    if (cell.metaType().id() == QMetaType::QString) {
        text = static_cast<const QString*>(cell.constData());
    } else {
        converted = cell.toString();
        text = &converted;
    }
    const QChar* src = text->constData();
    if (column.type == ColumnType::Char) {
        // Padded with blanks to the declared length; a double-byte character is never split.
        const QByteArray bytes = codepage::encode(m_collation.codePage, *text);
        const qsizetype n = codepage::fittingBytes(m_collation.codePage, bytes, limit);
        char* dst = reserveValue(limit);
        std::memcpy(dst, bytes.constData(), static_cast<size_t>(n));
        std::memset(dst + n, ' ', static_cast<size_t>(limit - n));
        return;
    }
    if (column.type == ColumnType::VarChar) {
        // Single-byte text (every code page agrees on ASCII) goes without a converter.
        if (m_collation.codePage == CodePage::Cp1252 || codepage::isAscii(*text)) {
            const qsizetype n = std::min<qsizetype>(text->size(), limit);
            char* dst = reserveValue(n);
            for (qsizetype i = 0; i < n; ++i) {
                const char16_t c = src[i].unicode();
                dst[i] = c < 0x80 ? static_cast<char>(c) : codepage::cp1252Byte(c);
            }
            return;
        }
        // A double-byte character never gets split at the column's limit.
        const QByteArray bytes = codepage::encode(m_collation.codePage, *text);
        const qsizetype n = codepage::fittingBytes(m_collation.codePage, bytes, limit);
        std::memcpy(reserveValue(n), bytes.constData(), static_cast<size_t>(n));
        return;
    }
    const qsizetype chars = std::min<qsizetype>(text->size(), limit / 2);
    const qsizetype padded = column.type == ColumnType::NChar ? limit / 2 : chars;
    char* dst = reserveValue(padded * 2);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    if (chars > 0) std::memcpy(dst, src, static_cast<size_t>(chars) * 2);
#else
    for (qsizetype i = 0; i < chars; ++i) {
        dst[2 * i] = static_cast<char>(src[i].unicode() & 0xFF);
        dst[2 * i + 1] = static_cast<char>(src[i].unicode() >> 8);
    }
#endif
    for (qsizetype i = chars; i < padded; ++i) {
        dst[2 * i] = ' ';
        dst[2 * i + 1] = 0;
    }
}

void TokenEncoder::row(QByteArray& out, const QVector<ColumnDef>& columns,
                       const QVector<Cell>& cells) const {
    out.append(static_cast<char>(token::Row));
    for (qsizetype i = 0; i < columns.size(); ++i)
        value(out, onTheWire(columns[i], m_version), i < cells.size() ? cells[i] : Cell());
}

void TokenEncoder::message(QByteArray& out, const Message& message) const {
    ByteWriter w(out);
    w.u8(message.severity > 10 ? token::Error : token::Info);
    const qsizetype lengthAt = w.size();
    w.u16(0);
    w.u32(static_cast<quint32>(message.number));
    w.u8(static_cast<quint8>(message.state));
    w.u8(static_cast<quint8>(message.severity));
    w.usVarchar(message.text);
    w.bVarchar(m_serverName);
    w.bVarchar(message.procName);
    w.u16(static_cast<quint16>(message.line));
    w.patchU16(lengthAt, static_cast<quint16>(w.size() - lengthAt - 2));
}

void TokenEncoder::envChange(QByteArray& out, quint8 type, const QString& newValue,
                             const QString& oldValue) const {
    ByteWriter w(out);
    w.u8(token::EnvChange);
    const qsizetype lengthAt = w.size();
    w.u16(0);
    w.u8(type);
    w.bVarchar(newValue);
    w.bVarchar(oldValue);
    w.patchU16(lengthAt, static_cast<quint16>(w.size() - lengthAt - 2));
}

void TokenEncoder::collationEnvChange(QByteArray& out) const {
    ByteWriter w(out);
    w.u8(token::EnvChange);
    w.u16(8);
    w.u8(7);  // SQL collation
    w.u8(5);
    w.bytes(m_collation.bytes.data(), 5);
    w.u8(0);
}

void TokenEncoder::done(QByteArray& out, quint8 tokenType, quint16 status, quint16 curCmd,
                        qint64 rowCount) const {
    ByteWriter w(out);
    w.u8(tokenType);
    w.u16(status);
    w.u16(curCmd);
    w.u32(static_cast<quint32>(rowCount));
}

void TokenEncoder::done(QByteArray& out, const Done& d, bool more) const {
    quint8 type = token::Done;
    if (d.kind == Done::Kind::DoneInProc)
        type = token::DoneInProc;
    else if (d.kind == Done::Kind::DoneProc)
        type = token::DoneProc;
    quint16 status = 0;
    if (more) status |= done::More;
    if (d.error) status |= done::Error;
    if (d.count) status |= done::Count;
    done(out, type, status, d.curCmd, d.count ? d.rowCount : 0);
}

void TokenEncoder::loginAck(QByteArray& out, quint8 major, quint8 minor, quint16 build) const {
    ByteWriter w(out);
    w.u8(token::LoginAck);
    const qsizetype lengthAt = w.size();
    w.u16(0);
    w.u8(1);  // SQL_TSQL
    w.u32be(m_version == TdsVersion::V71 ? 0x71000001 : 0x07000000);
    w.bVarchar(u"Microsoft SQL Server");
    w.u8(major);
    w.u8(minor);
    w.u16be(build);
    w.patchU16(lengthAt, static_cast<quint16>(w.size() - lengthAt - 2));
}

void TokenEncoder::returnStatus(QByteArray& out, qint32 value) const {
    ByteWriter w(out);
    w.u8(token::ReturnStatus);
    w.u32(static_cast<quint32>(value));
}

void TokenEncoder::returnValue(QByteArray& out, const ReturnValue& rv) const {
    ByteWriter w(out);
    w.u8(token::ReturnValue);
    w.u16(rv.ordinal);
    w.bVarchar(rv.name);
    w.u8(0x01);  // output parameter
    w.u16(0);    // user type
    w.u16(0x0001);
    ColumnDef column;
    const int id = rv.value.metaType().id();
    const bool text = id == QMetaType::QString;
    column.type = text ? ColumnType::NVarChar : ColumnType::Int;
    column.length = 4000;
    typeInfo(out, column);
    value(out, column, rv.value);
}

}  // namespace sqlsim::tds
