#pragma once
// The one failure type of the database layer: the description as the server wrote it, without the
// driver's "[FreeTDS][SQL Server]" prefixes.

#include <QList>
#include <QString>

#include <stdexcept>

namespace tarnwick {

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& description, int nativeError = 0, QString sqlState = {});
    const QString& description() const { return m_description; }
    int nativeError() const { return m_nativeError; }
    const QString& sqlState() const { return m_sqlState; }
    // The numbers of every message the server sent with the failure, in order (the description
    // is the first error's).
    const QList<int>& serverMessages() const { return m_serverMessages; }
    void setServerMessages(QList<int> numbers) { m_serverMessages = std::move(numbers); }
    // The statement was cancelled on the program's side (SQLSTATE HY008).
    bool isCancel() const { return m_sqlState == QStringLiteral("HY008"); }

private:
    QString m_description;
    int m_nativeError = 0;
    QString m_sqlState;
    QList<int> m_serverMessages;
};

}  // namespace tarnwick
