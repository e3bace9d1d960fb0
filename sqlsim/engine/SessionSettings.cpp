#include "sqlsim/engine/SessionSettings.h"

#include "sqlsim/engine/Messages.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

// The ON/OFF options and their bit in @@OPTIONS (0: none).
struct Switch {
    const char16_t* name;
    int bit;
};

constexpr Switch Switches[] = {
    {u"DISABLE_DEF_CNST_CHK", 1},
    {u"IMPLICIT_TRANSACTIONS", 2},
    {u"CURSOR_CLOSE_ON_COMMIT", 4},
    {u"ANSI_WARNINGS", 8},
    {u"ANSI_PADDING", 16},
    {u"ANSI_NULLS", 32},
    {u"ARITHABORT", 64},
    {u"ARITHIGNORE", 128},
    {u"QUOTED_IDENTIFIER", 256},
    {u"NOCOUNT", 512},
    {u"ANSI_NULL_DFLT_ON", 1024},
    {u"ANSI_NULL_DFLT_OFF", 2048},
    {u"CONCAT_NULL_YIELDS_NULL", 4096},
    {u"NUMERIC_ROUNDABORT", 8192},
    {u"XACT_ABORT", 16384},
    {u"ANSI_DEFAULTS", 0},
    {u"FMTONLY", 0},
    {u"FORCEPLAN", 0},
    {u"NOEXEC", 0},
    {u"PARSEONLY", 0},
    {u"REMOTE_PROC_TRANSACTIONS", 0},
    {u"SHOWPLAN_ALL", 0},
    {u"SHOWPLAN_TEXT", 0},
    {u"NO_BROWSETABLE", 0},
    {u"STATISTICS IO", 0},
    {u"STATISTICS TIME", 0},
    {u"STATISTICS PROFILE", 0},
    {u"IDENTITY_INSERT", 0},
    {u"OFFSETS", 0},
};

// The options that take a value instead of ON or OFF; numeric ones want a number.
struct Valued {
    const char16_t* name;
    bool numeric;
};

constexpr Valued ValuedOptions[] = {
    {u"TEXTSIZE", true},
    {u"DATEFIRST", true},
    {u"LOCK_TIMEOUT", true},
    {u"ROWCOUNT", true},
    {u"QUERY_GOVERNOR_COST_LIMIT", true},
    {u"DATEFORMAT", false},
    {u"LANGUAGE", false},
    {u"DEADLOCK_PRIORITY", false},
    {u"FIPS_FLAGGER", false},
    {u"CONTEXT_INFO", false},
};

const Switch* findSwitch(const QString& option) {
    for (const Switch& s : Switches)
        if (option == QStringView(s.name)) return &s;
    return nullptr;
}

const Valued* findValued(const QString& option) {
    for (const Valued& v : ValuedOptions)
        if (option == QStringView(v.name)) return &v;
    return nullptr;
}

bool isNumber(const QString& value) {
    bool ok = false;
    value.toLongLong(&ok);
    return ok;
}

// The languages a server installed in English or Simplified Chinese answers to, with their ids.
struct Language {
    const char16_t* name;
    const char16_t* alias;
    int langId;
};

constexpr Language Languages[] = {
    {u"us_english", u"English", 0},
    {u"简体中文", u"Simplified Chinese", 30},
};

}  // namespace

bool SessionSettings::noCount() const {
    return (options & 512) != 0;
}

namespace setoption {

std::optional<Message> refusal(const QStringList& options, const QString& value, int line) {
    for (const QString& option : options) {
        if (option == u"TRANSACTION ISOLATION LEVEL") return std::nullopt;
        const bool valued = findValued(option) != nullptr;
        if (!findSwitch(option) && !valued) {
            return msg::unknownSetOption(option, line);
        }
        // A valued option stands alone: "SET TEXTSIZE, NOCOUNT ON" does not compile.
        if (valued && options.size() > 1) return msg::syntaxNear(u","_s, line);
    }
    if (const Valued* v = findValued(options.front())) {
        if (v->numeric && !isNumber(value)) return msg::syntaxNear(value, line);
        return std::nullopt;
    }
    const QString upper = value.toUpper();
    if (upper != u"ON" && upper != u"OFF") return msg::syntaxNear(value, line);
    return std::nullopt;
}

std::optional<Message> apply(SessionSettings& settings, const QStringList& options,
                             const QString& value, std::vector<Message>& info) {
    const QString& first = options.front();
    const QString upper = value.toUpper();
    if (first == u"TEXTSIZE") {
        const qint64 n = value.toLongLong();
        settings.textSize = n <= 0 ? 4096 : n;  // 0 or less: the default again
        return std::nullopt;
    }
    if (first == u"DATEFIRST") {
        const qint64 n = value.toLongLong();
        if (n >= 1 && n <= 7) settings.dateFirst = int(n);
        return std::nullopt;
    }
    if (first == u"LOCK_TIMEOUT") {
        settings.lockTimeout = value.toLongLong();
        return std::nullopt;
    }
    if (first == u"DATEFORMAT") {
        static const QSet<QString> orders = {u"mdy"_s, u"dmy"_s, u"ymd"_s,
                                             u"ydm"_s, u"myd"_s, u"dym"_s};
        if (!orders.contains(value.toLower())) return msg::invalidDateFormat(value);
        return std::nullopt;
    }
    if (first == u"LANGUAGE") {
        for (const Language& l : Languages) {
            if (value.compare(QStringView(l.name), Qt::CaseInsensitive) == 0 ||
                value.compare(QStringView(l.alias), Qt::CaseInsensitive) == 0) {
                settings.language = QString::fromUtf16(l.name);
                settings.langId = l.langId;
                info.push_back(msg::changedLanguage(settings.language));
                return std::nullopt;
            }
        }
        return msg::unknownLanguage(value);
    }
    if (first == u"DEADLOCK_PRIORITY") {
        if (upper != u"LOW" && upper != u"NORMAL") return msg::syntaxNear(value, 1);
        return std::nullopt;
    }
    if (findValued(first)) return std::nullopt;  // accepted, no effect here
    const bool on = upper == u"ON";
    for (const QString& option : options) {
        if (option == u"ANSI_DEFAULTS") {
            // ANSI_NULLS, ANSI_NULL_DFLT_ON, ANSI_PADDING, ANSI_WARNINGS, CURSOR_CLOSE_ON_COMMIT,
            // IMPLICIT_TRANSACTIONS and QUOTED_IDENTIFIER together.
            const int bits = 32 | 1024 | 16 | 8 | 4 | 2 | 256;
            settings.options = on ? (settings.options | bits) & ~2048 : settings.options & ~bits;
            continue;
        }
        if (option == u"FMTONLY") settings.fmtOnly = on;
        const Switch* s = findSwitch(option);
        if (!s || s->bit == 0) continue;
        if (on) {
            settings.options |= s->bit;
            // The two null defaults exclude each other.
            if (s->bit == 1024) settings.options &= ~2048;
            if (s->bit == 2048) settings.options &= ~1024;
        } else {
            settings.options &= ~s->bit;
        }
    }
    return std::nullopt;
}

}  // namespace setoption

namespace {

ColumnDef column(ColumnType type, int length = 0) {
    ColumnDef c;
    c.type = type;
    c.length = length;
    return c;
}

}  // namespace

std::optional<GlobalValue> globalVariable(const QString& name, const GlobalContext& context) {
    const SessionSettings& s = context.settings;
    const bool is70 = context.profile == Profile::Sql70;
    const ColumnDef sysname = column(ColumnType::NVarChar, 128);
    const ColumnDef integer = column(ColumnType::Int);
    const auto n = [](qint64 v) { return Cell(v); };
    if (name == u"@@version") return GlobalValue{column(ColumnType::NVarChar, 256), context.banner};
    if (name == u"@@servername") return GlobalValue{sysname, context.serverName};
    if (name == u"@@servicename") return GlobalValue{sysname, u"MSSQLSERVER"_s};
    if (name == u"@@language") return GlobalValue{sysname, s.language};
    if (name == u"@@remserver") return GlobalValue{sysname, Cell()};
    if (name == u"@@spid") return GlobalValue{column(ColumnType::SmallInt), n(context.spid)};
    if (name == u"@@langid") return GlobalValue{column(ColumnType::SmallInt), n(s.langId)};
    if (name == u"@@max_precision")
        return GlobalValue{column(ColumnType::TinyInt), n(is70 ? 28 : 38)};
    if (name == u"@@datefirst") return GlobalValue{column(ColumnType::TinyInt), n(s.dateFirst)};
    if (name == u"@@textsize") return GlobalValue{integer, n(s.textSize)};
    if (name == u"@@options") return GlobalValue{integer, n(s.options)};
    if (name == u"@@lock_timeout") return GlobalValue{integer, n(s.lockTimeout)};
    if (name == u"@@nestlevel") return GlobalValue{integer, n(context.nestLevel)};
    if (name == u"@@max_connections") return GlobalValue{integer, n(32767)};
    if (name == u"@@microsoftversion") return GlobalValue{integer, n(is70 ? 117441135 : 134219767)};
    if (name == u"@@timeticks") return GlobalValue{integer, n(31250)};
    if (name == u"@@fetch_status") return GlobalValue{integer, n(-1)};
    static const QSet<QString> zero = {
        u"@@trancount"_s,    u"@@error"_s,         u"@@rowcount"_s,   u"@@procid"_s,
        u"@@cursor_rows"_s,  u"@@connections"_s,   u"@@cpu_busy"_s,   u"@@idle"_s,
        u"@@io_busy"_s,      u"@@pack_received"_s, u"@@pack_sent"_s,  u"@@packet_errors"_s,
        u"@@total_errors"_s, u"@@total_read"_s,    u"@@total_write"_s};
    if (zero.contains(name)) return GlobalValue{integer, n(0)};
    return std::nullopt;
}

}  // namespace sqlsim
