#pragma once
// A result set: a true record count, EOF/BOF, moves, fields by zero-based index, and the
// whole-set text. Read whole on open, or, for a caller that reads it once from front to back, row
// by row as it is used, so that a large set never sits in memory as rows.

#include "connection/OdbcConnection.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

namespace tarnwick {

class OdbcStatement;

class RecordSet {
public:
    enum CursorType { adOpenDynamic = 2, adOpenStatic = 3 };
    enum LockType { adLockReadOnly = 1, adLockOptimistic = 3 };
    enum class Reading {
        Whole,  // every row read on open
        // Rows read as the set moves on: no record count (-1) and no move back to the first row
        // once past it; the connection serves no other statement until the last row has been
        // read or the set is closed. A failure after the first row is raised by the move or the
        // whole-set text that reaches it.
        AsUsed,
    };

    RecordSet();
    ~RecordSet();
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;

    // Raises DbError on failure; the set is then closed.
    void open(const QString& query, OdbcConnection& connection, CursorType cursor = adOpenStatic,
              LockType lock = adLockOptimistic, Reading reading = Reading::Whole);
    // An open set over rows already in memory, positioned on the first row.
    static RecordSet fromRows(QVector<QVector<QVariant>> rows);
    bool isOpen() const { return m_open; }
    bool eof() const;
    bool bof() const;
    int recordCount() const;
    void moveFirst();
    void moveNext();  // raises DbError past the end
    void close();
    // Null QVariant for SQL NULL; raises DbError for a bad index or at EOF/BOF.
    QVariant field(int index) const;
    // All remaining rows: values joined by columnDelimiter, each row followed by rowDelimiter,
    // nulls as nullText. Moves to EOF.
    QString getString(const QString& columnDelimiter, const QString& rowDelimiter,
                      const QString& nullText);
    // The same text in pieces: replaces piece with the next rows, as many as make about
    // pieceChars characters (at least one row); false, with piece empty, once no row is left.
    bool getStringPiece(QString& piece, const QString& columnDelimiter, const QString& rowDelimiter,
                        const QString& nullText, qsizetype pieceChars);

private:
    const QVector<QVariant>& currentRow() const;
    bool streaming() const { return m_statement != nullptr || m_streamed; }
    // Reads the next row of a set read as used; at the end finishes the batch.
    void fetchNextStreamedRow();
    // Reads what is left of the batch, frees the statement and raises its first error.
    void finishStream();
    // Runs reading on the worker of the connection the set was opened on (see CallWorker).
    void offThread(const std::function<void()>& reading);
    void openOnWorker(const QString& query, Reading reading);
    void fillPiece(QString& piece, const QString& columnDelimiter, const QString& rowDelimiter,
                   const QString& nullText, qsizetype pieceChars);

    bool m_open = false;
    QVector<QVector<QVariant>> m_rows;  // every row, or the current one of a set read as used
    int m_position = 0;                 // -1 = BOF, m_rows.size() = EOF
    OdbcConnection::Handles* m_handles = nullptr;  // of the connection the set was opened on
    std::unique_ptr<OdbcStatement> m_statement;    // while a set read as used has rows to come
    bool m_streamed = false;                       // read as used
    bool m_sawRows = false;                        // read as used: the set held at least one row
    int m_streamedIndex = 0;                       // read as used: rows moved past
};

}  // namespace tarnwick
