#pragma once
// The two messages that open a connection: PRELOGIN (answered with encryption not supported) and
// LOGIN7 (parsed by offsets, so the 7.0 to 7.4 layouts all read).

#include "sqlsim/engine/Engine.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sqlsim::tds {

struct PreloginOption {
    quint8 token = 0;
    QByteArray data;
};

// The option list of a PRELOGIN payload; nullopt when an option header or its data lies outside
// the payload or the list has no terminator.
std::optional<std::vector<PreloginOption>> parsePrelogin(QByteArrayView payload);

// Our PRELOGIN answer: VERSION (the server's build), ENCRYPTION = not supported, INSTOPT = 0,
// THREADID empty. Payload only, without the packet header.
QByteArray preloginReply(quint8 major, quint8 minor, quint16 build);

struct Login7 {
    quint32 length = 0;
    quint32 tdsVersion = 0;
    quint32 packetSize = 0;
    quint8 optionFlags2 = 0;
    QString hostName;
    QString userName;
    QString password;  // decoded
    QString appName;
    QString serverName;
    QString libraryName;
    QString language;
    QString database;
};

struct Login7Result {
    std::optional<Login7> login;
    QString error;  // why the payload is not a LOGIN7, when login is empty
};

Login7Result parseLogin7(QByteArrayView payload);

// The client's password obfuscation undone (nibble swap and XOR 0xA5 on every byte).
QByteArray decodePasswordBytes(QByteArrayView obfuscated);
// The inverse, as clients send it (used by tests).
QByteArray encodePasswordBytes(QByteArrayView plain);

}  // namespace sqlsim::tds
