#pragma once
// The cells of the results grid: plain texts in a rectangle. Cells in the fixed rows and
// columns are headings, shown but not edited; the others the user may edit.
#include <QAbstractTableModel>
#include <QString>
#include <vector>

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void resize(int rows, int columns);
    // Indexes outside the table are clamped to its ends; removing one that does not exist
    // does nothing.
    void insertRowAt(int before);
    void insertColumnAt(int before);
    void removeRowAt(int row);
    void removeColumnAt(int column);

    // Cells outside the table read as empty and ignore writes.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    // A block of cells, row by row from (row, column), announced as one change.
    void setCells(int row, int column, std::vector<std::vector<QString>> texts);

    // The heading area: rows above and columns left of these counts.
    void setFixed(int rows, int columns);
    bool isFixed(int row, int column) const;

private:
    bool contains(int row, int column) const;

    std::vector<std::vector<QString>> m_cells;
    int m_columns = 0;
    int m_fixedRows = 0;
    int m_fixedColumns = 0;
};
