#pragma once
// Stands in for the server connection of the attach windows: answers the file-list queries and
// xp_fileexist from preset rows, records every query with its cursor and lock kinds and every
// statement executed, and fails where a test says so.

#include "attach/AttachServices.h"
#include "connection/DbError.h"

#include <QHash>
#include <QStringList>
#include <QVariant>

namespace attach::test {

class FakeAttachServer {
public:
    FakeAttachServer() { setServices(services()); }
    ~FakeAttachServer() { resetServices(); }
    FakeAttachServer(const FakeAttachServer&) = delete;
    FakeAttachServer& operator=(const FakeAttachServer&) = delete;

    // What "dbcc checkprimaryfile (N'<path>', 3)" and "(..., 2)" answer for a primary file:
    // the recorded paths (padded as the server pads them) and the recorded database name.
    void record(const QString& primaryFile, const QStringList& recordedPaths,
                const QString& databaseName) {
        QVector<QVector<QVariant>> files;
        int fileId = 0;
        for (const QString& path : recordedPaths)
            files.push_back(
                {0x100002, ++fileId, QStringLiteral("name"), path.leftJustified(260, u' ')});
        m_answers.insert(query(primaryFile, 3), files);
        m_answers.insert(query(primaryFile, 2),
                         {{QStringLiteral("Database name"), databaseName},
                          {QStringLiteral("Database version"), QStringLiteral("539")}});
    }
    // What "EXEC master..xp_fileexist N'<path>'" answers: a file there or not (not by default).
    void setServerFile(const QString& path, bool exists) { m_serverFiles.insert(path, exists); }

    // The next query or statement containing this text fails with the description.
    void failOn(const QString& text, const QString& description) {
        m_failures.insert(text, description);
    }

    QStringList calls;  // "open|<query>|<cursor>|<lock>" and "execute|<statement>", in order
    QStringList executed;

private:
    static QString query(const QString& path, int option) {
        return QStringLiteral("dbcc checkprimaryfile (N'") + path + QStringLiteral("', ") +
               QString::number(option) + QStringLiteral(")");
    }

    void failIfAsked(const QString& text) {
        for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
            if (text.contains(it.key())) {
                const QString description = it.value();
                m_failures.erase(it);
                throw tarnwick::DbError(description);
            }
        }
    }

    AttachServices services() {
        AttachServices s;
        s.openRecordSet = [this](const QString& q, tarnwick::RecordSet::CursorType cursor,
                                 tarnwick::RecordSet::LockType lock) {
            calls << QStringLiteral("open|%1|%2|%3").arg(q).arg(cursor).arg(lock);
            failIfAsked(q);
            static const QString fileExist = QStringLiteral("EXEC master..xp_fileexist N'");
            if (q.startsWith(fileExist) && q.endsWith(u'\'')) {
                QString path = q.mid(fileExist.size(), q.size() - fileExist.size() - 1);
                path.replace(QStringLiteral("''"), QStringLiteral("'"));
                return tarnwick::RecordSet::fromRows({{m_serverFiles.value(path) ? 1 : 0, 0, 1}});
            }
            const auto answer = m_answers.constFind(q);
            if (answer == m_answers.constEnd())
                throw tarnwick::DbError(QStringLiteral("Device activation error."));
            return tarnwick::RecordSet::fromRows(answer.value());
        };
        s.execute = [this](const QString& statement) {
            calls << QStringLiteral("execute|") + statement;
            executed << statement;
            failIfAsked(statement);
        };
        return s;
    }

    QHash<QString, QVector<QVector<QVariant>>> m_answers;
    QHash<QString, QString> m_failures;
    QHash<QString, bool> m_serverFiles;
};

}  // namespace attach::test
