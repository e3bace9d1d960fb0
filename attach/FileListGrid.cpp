#include "attach/FileListGrid.h"

#include "toolkit/Toolkit.h"

#include <QHeaderView>

#include <cmath>

namespace attach {

namespace {

int roundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) return static_cast<int>(lower) + 1;
    if (fraction < 0.5) return static_cast<int>(lower);
    const int even = static_cast<int>(lower);
    return even % 2 == 0 ? even : even + 1;
}

}  // namespace

std::array<int, 3> fileListColumnWidths(int gridWidthTwips) {
    const double w = gridWidthTwips;
    const int status = roundHalfEven(w / 6);
    const int name = roundHalfEven((w - status) / 3);
    const int location = roundHalfEven(w - status - name - 10);
    return {status, name, location};
}

FileListGrid::FileListGrid(int widthTwips, QWidget* parent)
    : QTableWidget(1, 3, parent), m_widthTwips(widthTwips) {
    verticalHeader()->hide();
    // A row as high as the grid's default of 240 twips, the header row too.
    const int rowHeight = tarnwick::toolkit().twipsToPixelsY(240);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(rowHeight);
    header->setMinimumSectionSize(1);
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(false);
    // The widths fill the grid to within its border; a pixel lost to rounding needs no scroll bar.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int column = 0; column < columnCount(); ++column)
        setHorizontalHeaderItem(column, new QTableWidgetItem);
}

int FileListGrid::rows() const {
    return rowCount() + 1;
}

void FileListGrid::setRows(int count) {
    // Like the grid it stands for: rows beyond the count go, the rows that stay keep their texts.
    setRowCount(qMax(count, 1) - 1);
}

int FileListGrid::colWidth(int column) const {
    return m_colWidthTwips.at(static_cast<size_t>(column));
}

void FileListGrid::setColWidth(int column, int twips) {
    m_colWidthTwips.at(static_cast<size_t>(column)) = twips;
    setColumnWidth(column, tarnwick::toolkit().twipsToPixelsX(twips));
}

QString FileListGrid::textMatrix(int row, int column) const {
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
    return cell ? cell->text() : QString();
}

void FileListGrid::setTextMatrix(int row, int column, const QString& text) {
    if (row == 0) {
        if (QTableWidgetItem* cell = horizontalHeaderItem(column)) cell->setText(text);
        return;
    }
    QTableWidgetItem* cell = item(row - 1, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row - 1, column, cell);
    }
    cell->setText(text);
}

}  // namespace attach
