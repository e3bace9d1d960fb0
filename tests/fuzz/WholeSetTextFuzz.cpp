// Fuzzes the whole-set text of a result set: the input is cut into rows and cells (a NUL byte ends
// a cell, a byte 0x01 a row, a cell "\x02" stands for SQL NULL) and the text is taken with
// delimiters from the input's first bytes. The text must hold exactly one row delimiter per row
// when the delimiters do not occur in the cells.

#include "connection/RecordSet.h"

#include <QVariant>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const QString columnDelimiter = QString(QChar(u'\x10' + (data[0] & 0x0f)));
    const QString rowDelimiter = data[1] & 1 ? u"\r"_s : u"\r\n"_s;
    const QByteArray body(reinterpret_cast<const char*>(data + 2),
                          static_cast<qsizetype>(size - 2));

    QVector<QVector<QVariant>> rows;
    bool delimitersInCells = false;
    for (const QByteArray& rowBytes : body.split('\x01')) {
        QVector<QVariant> row;
        for (const QByteArray& cellBytes : rowBytes.split('\0')) {
            if (cellBytes == "\x02") {
                row.push_back(QVariant());
                continue;
            }
            const QString cell = QString::fromUtf8(cellBytes);
            delimitersInCells =
                delimitersInCells || cell.contains(columnDelimiter) || cell.contains(u'\r');
            row.push_back(cell);
        }
        rows.push_back(row);
    }
    const qsizetype rowCount = rows.size();
    tarnwick::RecordSet set = tarnwick::RecordSet::fromRows(std::move(rows));
    const QString text = set.getString(columnDelimiter, rowDelimiter, u"<null>"_s);
    if (!set.eof()) std::abort();
    if (!delimitersInCells && text.count(rowDelimiter) != rowCount) std::abort();
    return 0;
}
