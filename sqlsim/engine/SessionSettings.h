#pragma once
// What a connection's SET statements change, as the global variables report it: the option bits
// of @@OPTIONS, @@TEXTSIZE, @@LANGUAGE, @@DATEFIRST, @@LOCK_TIMEOUT and the rest. Tools send a
// batch of these right after login; the SET options the server does not know fail when the batch is
// compiled.

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/Tokens.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace sqlsim {

struct SessionSettings {
    int options = 0;  // @@OPTIONS: the ON/OFF options that carry a bit
    qint64 textSize = 4096;
    QString language = QStringLiteral("us_english");
    int langId = 0;
    int dateFirst = 7;
    qint64 lockTimeout = -1;
    bool fmtOnly = false;
    bool noCount() const;
};

namespace setoption {

// Why a SET statement does not compile (195, or 170 near the word that is wrong); nothing when
// the server knows the option. options: the option words in upper case; value: the word or
// number after them.
std::optional<Message> refusal(const QStringList& options, const QString& value, int line);

// Applies a compiled SET statement; a failure at run time (an unknown language or date format)
// comes back as the message to send, informational ones (5703) in info. SET ROWCOUNT and a valid
// SET DATEFORMAT are accepted and change nothing here.
std::optional<Message> apply(SessionSettings& settings, const QStringList& options,
                             const QString& value, std::vector<Message>& info);

}  // namespace setoption

// A global variable (@@name, lower case): its column type as a select list shows it and its
// value. Nothing for a name the server does not know.
struct GlobalValue {
    ColumnDef column;
    Cell value;
};

struct GlobalContext {
    const SessionSettings& settings;
    Profile profile;
    int spid;
    QString serverName;
    QString banner;
    int nestLevel;
};

std::optional<GlobalValue> globalVariable(const QString& name, const GlobalContext& context);

}  // namespace sqlsim
