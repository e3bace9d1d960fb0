#pragma once
// A result set read whole on open: a true record count, EOF/BOF, moves, fields by zero-based index,
// and the whole-set text.

#include <QString>
#include <QVariant>
#include <QVector>

namespace tarnwick {

class OdbcConnection;

class RecordSet {
public:
    enum CursorType { adOpenDynamic = 2, adOpenStatic = 3 };
    enum LockType { adLockReadOnly = 1, adLockOptimistic = 3 };

    // Raises DbError on failure; the set is then closed.
    void open(const QString& query, OdbcConnection& connection, CursorType cursor = adOpenStatic,
              LockType lock = adLockOptimistic);
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

private:
    bool m_open = false;
    QVector<QVector<QVariant>> m_rows;
    int m_position = 0;  // -1 = BOF, m_rows.size() = EOF
};

}  // namespace tarnwick
