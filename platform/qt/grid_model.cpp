#include "platform/qt/grid_model.h"

#include <QApplication>
#include <QPalette>
#include <climits>
#include <cstdint>

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_cells.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

bool GridModel::contains(int row, int column) const {
    return row >= 0 && column >= 0 && row < rowCount() && column < m_columns;
}

bool GridModel::isFixed(int row, int column) const {
    return row < m_fixedRows || column < m_fixedColumns;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !contains(index.row(), index.column())) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return m_cells[index.row()][index.column()];
        case Qt::TextAlignmentRole:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            if (isFixed(index.row(), index.column())) return QApplication::palette().button();
            return {};
        case Qt::ForegroundRole:
            if (isFixed(index.row(), index.column())) return QApplication::palette().buttonText();
            return {};
        default:
            return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !contains(index.row(), index.column()))
        return false;
    setCell(index.row(), index.column(), value.toString());
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (isFixed(index.row(), index.column())) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void GridModel::resize(int rows, int columns) {
    rows = qMax(0, rows);
    columns = qMax(0, columns);
    const int oldRows = rowCount();
    if (rows < oldRows) {
        beginRemoveRows({}, rows, oldRows - 1);
        m_cells.resize(rows);
        endRemoveRows();
    }
    if (columns < m_columns) {
        beginRemoveColumns({}, columns, m_columns - 1);
        for (auto& row : m_cells) row.resize(columns);
        m_columns = columns;
        endRemoveColumns();
    } else if (columns > m_columns) {
        beginInsertColumns({}, m_columns, columns - 1);
        for (auto& row : m_cells) row.resize(columns);
        m_columns = columns;
        endInsertColumns();
    }
    if (rows > rowCount()) {
        beginInsertRows({}, rowCount(), rows - 1);
        m_cells.resize(rows, std::vector<QString>(m_columns));
        endInsertRows();
    }
}

void GridModel::insertRowAt(int before) {
    before = qBound(0, before, rowCount());
    beginInsertRows({}, before, before);
    m_cells.insert(m_cells.begin() + before, std::vector<QString>(m_columns));
    endInsertRows();
}

void GridModel::insertColumnAt(int before) {
    before = qBound(0, before, m_columns);
    beginInsertColumns({}, before, before);
    for (auto& row : m_cells) row.insert(row.begin() + before, QString());
    ++m_columns;
    endInsertColumns();
}

void GridModel::removeRowAt(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    m_cells.erase(m_cells.begin() + row);
    endRemoveRows();
}

void GridModel::removeColumnAt(int column) {
    if (column < 0 || column >= m_columns) return;
    beginRemoveColumns({}, column, column);
    for (auto& row : m_cells) row.erase(row.begin() + column);
    --m_columns;
    endRemoveColumns();
}

QString GridModel::cell(int row, int column) const {
    return contains(row, column) ? m_cells[row][column] : QString();
}

void GridModel::setCell(int row, int column, const QString& text) {
    if (!contains(row, column)) return;
    m_cells[row][column] = text;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void GridModel::setCells(int row, int column, std::vector<std::vector<QString>> texts) {
    int lastRow = -1, lastColumn = -1;
    for (int r = 0; r < static_cast<int>(texts.size()); ++r) {
        for (int c = 0; c < static_cast<int>(texts[r].size()); ++c) {
            // Summed in 64 bits: a far-off start must not wrap into the table.
            const int64_t at = int64_t{row} + r, to = int64_t{column} + c;
            if (at > INT_MAX || to > INT_MAX || !contains(int(at), int(to))) continue;
            m_cells[at][to] = std::move(texts[r][c]);
            lastRow = qMax(lastRow, int(at));
            lastColumn = qMax(lastColumn, int(to));
        }
    }
    if (lastRow < 0) return;
    emit dataChanged(index(qMax(row, 0), qMax(column, 0)), index(lastRow, lastColumn),
                     {Qt::DisplayRole, Qt::EditRole});
}

void GridModel::setFixed(int rows, int columns) {
    if (rows == m_fixedRows && columns == m_fixedColumns) return;
    m_fixedRows = rows;
    m_fixedColumns = columns;
    if (rowCount() > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, m_columns - 1));
}
