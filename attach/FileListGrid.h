#pragma once
// The file list of the primary-file window: a grid addressed by row and column with row 0 as the
// header row, its column widths kept in twips as the window sets and reads them. Row 0 is the
// table's own header, so it stays in place while the file rows scroll.

#include <QTableWidget>

#include <array>

namespace attach {

// Column widths for a grid width in twips: a sixth, a third of the rest, and what remains less 10,
// each rounded to the nearest twip with halves to the even neighbour.
std::array<int, 3> fileListColumnWidths(int gridWidthTwips);

class FileListGrid final : public QTableWidget {
    Q_OBJECT
public:
    FileListGrid(int widthTwips, QWidget* parent);

    int widthTwips() const { return m_widthTwips; }
    int rows() const;  // the header row included
    void setRows(int count);
    int colWidth(int column) const;
    void setColWidth(int column, int twips);
    // An empty text for a cell outside the grid.
    QString textMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString& text);

private:
    int m_widthTwips;
    std::array<int, 3> m_colWidthTwips{};
};

}  // namespace attach
