#pragma once
// The code pages varchar text lives in: 1252 (Western) and 936 (Simplified Chinese, GBK). A
// character a code page lacks becomes '?', as the server stores it. Header-only, since both the
// engine (what a varchar column keeps) and the TDS layer (the bytes of a VARCHAR cell) use it.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <algorithm>
#include <stdexcept>

namespace sqlsim {

enum class CodePage { Cp1252, Cp936 };

namespace codepage {

namespace detail {

// Code page 1252 at 0x80-0x9F; its holes (0x81, 0x8D, 0x8F, 0x90, 0x9D) are 0xFFFD.
inline constexpr char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

}  // namespace detail

// One character in code page 1252; '?' for a character it lacks.
inline char cp1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (detail::Cp1252High[i] == c && c != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    return '?';
}

inline bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) return false;
    }
    return true;
}

namespace detail {

constexpr const char* Cp936Name = "CP936";

// Converters keep state and are not shared between threads: one pair per thread.
inline QStringEncoder& cp936Encoder() {
    thread_local QStringEncoder encoder(Cp936Name, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw std::runtime_error("code page 936 is not available to this build of Qt");
    return encoder;
}

inline QStringDecoder& cp936Decoder() {
    thread_local QStringDecoder decoder(Cp936Name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw std::runtime_error("code page 936 is not available to this build of Qt");
    return decoder;
}

}  // namespace detail

// Whether the code page can be used here (936 needs the converters of the Qt build).
inline bool available(CodePage page) {
    if (page == CodePage::Cp1252) return true;
    return QStringEncoder(detail::Cp936Name).isValid() &&
           QStringDecoder(detail::Cp936Name).isValid();
}

// The bytes of text in the code page.
inline QByteArray encode(CodePage page, QStringView text) {
    if (page == CodePage::Cp1252 || isAscii(text)) {
        QByteArray out(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) out[i] = cp1252Byte(text[i].unicode());
        return out;
    }
    QStringEncoder& encoder = detail::cp936Encoder();
    QByteArray out = encoder.encode(text);
    encoder.resetState();  // a character it lacked sets the error flag, which would stay set
    return out;
}

inline QString decode(CodePage page, QByteArrayView bytes) {
    if (page == CodePage::Cp1252) {
        QString out(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<quint8>(bytes[i]);
            char16_t c = b >= 0x80 && b <= 0x9F ? detail::Cp1252High[b - 0x80] : char16_t(b);
            if (c == 0xFFFD) c = u'?';
            out[i] = QChar(c);
        }
        return out;
    }
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char b) { return static_cast<quint8>(b) < 0x80; });
    if (ascii) return QString::fromLatin1(bytes);
    QStringDecoder& decoder = detail::cp936Decoder();
    QString out = decoder.decode(bytes);
    decoder.resetState();
    return out;
}

// The length of the longest start of encoded that fits in maxBytes without splitting a character.
inline qsizetype fittingBytes(CodePage page, QByteArrayView encoded, qsizetype maxBytes) {
    if (encoded.size() <= maxBytes) return encoded.size();
    if (page == CodePage::Cp1252) return maxBytes;
    // Code page 936: 0x81-0xFE lead a two-byte character; everything else stands alone.
    qsizetype at = 0;
    while (at < encoded.size()) {
        const auto b = static_cast<quint8>(encoded[at]);
        const qsizetype width = b >= 0x81 && b <= 0xFE ? 2 : 1;
        if (at + width > maxBytes) break;
        at += width;
    }
    return at;
}

}  // namespace codepage

}  // namespace sqlsim
