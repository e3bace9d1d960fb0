#pragma once
// The server collation a scenario chooses: the five bytes a TDS 7.1 client is told at login and in
// every character column, the character set a TDS 7.0 client is told instead, and the code page
// varchar text is kept and sent in.
//
// The five bytes: a little-endian DWORD of LCID (bits 0-19), comparison flags (bits 20-27: 0x01
// ignore case, 0x02 ignore accents, 0x04 ignore kana, 0x08 ignore width) and version (bits
// 28-31), then the sort id of a SQL collation (0 for a Windows collation).

#include "sqlsim/engine/CodePage.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace sqlsim {

struct Collation {
    QString name;
    std::array<char, 5> bytes{};
    CodePage codePage = CodePage::Cp1252;
    QString charset;  // the code page as a TDS 7.0 login's character set change names it
    // The collation id a database file records: the sort id in the top byte, the comparison flags
    // at bits 12-19 and the Windows collation's number in the low bits.
    qint64 collationId = 0;

    // The collations a scenario may choose.
    static const std::vector<Collation>& known();
    // The default: SQL_Latin1_General_CP1_CI_AS.
    static const Collation& standard() { return known().front(); }
    // By name, ignoring case as the server does; nothing for an unknown name.
    static std::optional<Collation> byName(const QString& name);
};

inline const std::vector<Collation>& Collation::known() {
    // Flags 0x0D: case-, kana- and width-insensitive, accent-sensitive (CI_AS).
    static const std::vector<Collation> collations = {
        {QStringLiteral("SQL_Latin1_General_CP1_CI_AS"),
         {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x34},
         CodePage::Cp1252,
         QStringLiteral("cp1252"),
         0x3400D008},
        {QStringLiteral("Latin1_General_CI_AS"),
         {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x00},
         CodePage::Cp1252,
         QStringLiteral("cp1252"),
         0xD008},
        {QStringLiteral("Chinese_PRC_CI_AS"),
         {0x04, 0x08, static_cast<char>(0xD0), 0x00, 0x00},
         CodePage::Cp936,
         QStringLiteral("cp936"),
         0xD024},
    };
    return collations;
}

inline std::optional<Collation> Collation::byName(const QString& name) {
    for (const Collation& c : known()) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) return c;
    }
    return std::nullopt;
}

}  // namespace sqlsim
