#pragma once
// Little byte-buffer helpers for the TDS encoder and parsers. TDS is little-endian except where a
// field is marked big-endian (packet header length/SPID, PRELOGIN offsets, LOGINACK version).

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <cstdint>
#include <cstring>
#include <optional>

namespace sqlsim::tds {

class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : m_out(out) {}

    void u8(quint8 v) { m_out.append(static_cast<char>(v)); }
    void u16(quint16 v) {
        const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        m_out.append(b, 2);
    }
    void u32(quint32 v) {
        const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
        m_out.append(b, 4);
    }
    void u16be(quint16 v) {
        u8(static_cast<quint8>(v >> 8));
        u8(static_cast<quint8>(v & 0xFF));
    }
    void u32be(quint32 v) {
        u16be(static_cast<quint16>(v >> 16));
        u16be(static_cast<quint16>(v & 0xFFFF));
    }
    void bytes(const char* data, qsizetype size) { m_out.append(data, size); }
    void bytes(const QByteArray& data) { m_out.append(data); }
    // UCS-2LE code units of text, no length prefix.
    void ucs2(QStringView text) {
        const qsizetype start = m_out.size();
        m_out.resize(start + text.size() * 2);
        char* dst = m_out.data() + start;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        if (!text.isEmpty()) std::memcpy(dst, text.utf16(), static_cast<size_t>(text.size()) * 2);
#else
        for (QChar c : text) {
            const char16_t u = c.unicode();
            *dst++ = static_cast<char>(u & 0xFF);
            *dst++ = static_cast<char>(u >> 8);
        }
#endif
    }
    // B_VARCHAR: BYTE character count, UCS-2 text (truncated to 255 characters).
    void bVarchar(QStringView text) {
        const QStringView t = text.left(255);
        u8(static_cast<quint8>(t.size()));
        ucs2(t);
    }
    // US_VARCHAR: USHORT character count, UCS-2 text.
    void usVarchar(QStringView text) {
        const QStringView t = text.left(0xFFFF);
        u16(static_cast<quint16>(t.size()));
        ucs2(t);
    }
    qsizetype size() const {
        return m_out.size();
    }
    // Overwrites a little-endian USHORT written earlier (token lengths).
    void patchU16(qsizetype at, quint16 v) {
        m_out[at] = static_cast<char>(v & 0xFF);
        m_out[at + 1] = static_cast<char>(v >> 8);
    }

private:
    QByteArray& m_out;
};

// Bounds-checked reader: every read returns std::nullopt (and latches failure) past the end.
class ByteReader {
public:
    ByteReader(const char* data, qsizetype size) : m_data(data), m_size(size) {}
    explicit ByteReader(const QByteArray& data) : ByteReader(data.constData(), data.size()) {}

    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }
    bool failed() const { return m_failed; }

    std::optional<quint8> u8() {
        if (!need(1)) return std::nullopt;
        return static_cast<quint8>(m_data[m_pos++]);
    }
    std::optional<quint16> u16() {
        if (!need(2)) return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(m_data + m_pos);
        m_pos += 2;
        return static_cast<quint16>(p[0] | (p[1] << 8));
    }
    std::optional<quint32> u32() {
        if (!need(4)) return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(m_data + m_pos);
        m_pos += 4;
        return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) |
               (static_cast<quint32>(p[2]) << 16) | (static_cast<quint32>(p[3]) << 24);
    }
    std::optional<quint64> u64() {
        const auto lo = u32();
        const auto hi = u32();
        if (!lo || !hi) return std::nullopt;
        return static_cast<quint64>(*lo) | (static_cast<quint64>(*hi) << 32);
    }
    // Raw bytes, as a view into the buffer.
    std::optional<QByteArrayView> bytes(qsizetype n) {
        if (n < 0 || !need(n)) return std::nullopt;
        QByteArrayView v(m_data + m_pos, n);
        m_pos += n;
        return v;
    }
    std::optional<QString> ucs2(qsizetype chars) {
        const auto raw = bytes(chars * 2);
        if (!raw) return std::nullopt;
        return decodeUcs2(*raw);
    }
    std::optional<QString> bVarchar() {
        const auto n = u8();
        return n ? ucs2(*n) : std::nullopt;
    }
    bool skip(qsizetype n) { return bytes(n).has_value(); }

    static QString decodeUcs2(QByteArrayView raw) {
        QString s(raw.size() / 2, Qt::Uninitialized);
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
        QChar* out = s.data();
        for (qsizetype i = 0; i < s.size(); ++i)
            out[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
        return s;
    }

private:
    bool need(qsizetype n) {
        if (m_failed || n > m_size - m_pos) {
            m_failed = true;
            return false;
        }
        return true;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

}  // namespace sqlsim::tds
