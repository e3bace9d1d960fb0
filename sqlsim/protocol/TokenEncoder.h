#pragma once
// Encodes the engine's abstract tokens, and the login tokens, in the TDS 7.0 or 7.1 layout. The
// two differ in collations: 7.1 puts the server collation's five bytes into every character
// TYPE_INFO and announces the collation with an ENVCHANGE at login; 7.0 has neither. VARCHAR data
// is in the collation's code page either way. 7.0 has no SQL_VARIANT: a 7.0 client gets such a
// column as nvarchar(4000), each value as its text.

#include "sqlsim/engine/Collation.h"
#include "sqlsim/engine/Tokens.h"

#include <QByteArray>
#include <QString>

namespace sqlsim::tds {

enum class TdsVersion { V70, V71 };

namespace token {
constexpr quint8 ReturnStatus = 0x79;
constexpr quint8 ColMetadata = 0x81;
constexpr quint8 Error = 0xAA;
constexpr quint8 Info = 0xAB;
constexpr quint8 ReturnValue = 0xAC;
constexpr quint8 LoginAck = 0xAD;
constexpr quint8 Row = 0xD1;
constexpr quint8 EnvChange = 0xE3;
constexpr quint8 Done = 0xFD;
constexpr quint8 DoneProc = 0xFE;
constexpr quint8 DoneInProc = 0xFF;
}  // namespace token

namespace done {
constexpr quint16 More = 0x0001;
constexpr quint16 Error = 0x0002;
constexpr quint16 Count = 0x0010;
constexpr quint16 Attention = 0x0020;
}  // namespace done

class TokenEncoder {
public:
    TokenEncoder(TdsVersion version, QString serverName,
                 Collation collation = Collation::standard());

    TdsVersion version() const { return m_version; }

    void colMetadata(QByteArray& out, const QVector<ColumnDef>& columns) const;
    void row(QByteArray& out, const QVector<ColumnDef>& columns, const QVector<Cell>& cells) const;
    void message(QByteArray& out, const Message& message) const;
    void envChange(QByteArray& out, quint8 type, const QString& newValue,
                   const QString& oldValue) const;
    void collationEnvChange(QByteArray& out) const;
    void done(QByteArray& out, quint8 tokenType, quint16 status, quint16 curCmd,
              qint64 rowCount) const;
    void done(QByteArray& out, const Done& d, bool more) const;
    void loginAck(QByteArray& out, quint8 major, quint8 minor, quint16 build) const;
    void returnStatus(QByteArray& out, qint32 value) const;
    void returnValue(QByteArray& out, const ReturnValue& value) const;

private:
    void typeInfo(QByteArray& out, const ColumnDef& column) const;
    void value(QByteArray& out, const ColumnDef& column, const Cell& cell) const;
    void variantValue(QByteArray& out, const Cell& cell) const;

    TdsVersion m_version;
    QString m_serverName;
    Collation m_collation;
};

}  // namespace sqlsim::tds
