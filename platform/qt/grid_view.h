#pragma once
// The results grid: a table whose fixed rows (at the top) and fixed columns (at the left) are
// drawn as headings and stay in view while the rest scrolls. The fixed parts are three
// views over the same model laid over the main view's header areas, which reserve their
// room and follow its scrolling.
#include <QTableView>
#include <string>
#include <vector>

class GridModel;

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent);

    static constexpr int kDefaultColumnWidth = 64;

    int rows() const;
    int columns() const;
    // Shrinking below the fixed counts shrinks them too; a fixed count beyond the table is
    // kept and applies as far as the table reaches.
    void setRows(int rows);
    void setColumns(int columns);
    int fixedRows() const { return m_fixedRows; }
    int fixedColumns() const { return m_fixedColumns; }
    void setFixedRows(int rows);
    void setFixedColumns(int columns);
    void insertRowAt(int before);
    void insertColumnAt(int before);
    void removeRowAt(int row);
    void removeColumnAt(int column);

    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    // A block of UTF-8 texts, row by row from (row, column), with one repaint.
    void setCellTexts(int row, int column, const std::vector<std::vector<std::string>>& texts);
    // Width 0 hides the column; a column that does not exist reads as 0 and ignores writes.
    int width(int column) const;
    void setWidth(int column, int width);

    // The focused cell; -1 when there is none.
    int focusRow() const;
    int focusColumn() const;
    void setFocusCell(int row, int column);

    // The heading views: the corner, the fixed rows and the fixed columns.
    QTableView* cornerPart() const { return m_corner; }
    QTableView* topPart() const { return m_top; }
    QTableView* leftPart() const { return m_left; }
    GridModel* gridModel() const { return m_model; }

signals:
    void rightButtonReleased();

protected:
    void updateGeometries() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QTableView* makePart();
    void applyLayout();
    void placeParts();
    int shownFixedRows() const;
    int shownFixedColumns() const;

    GridModel* m_model = nullptr;
    QTableView* m_corner = nullptr;
    QTableView* m_top = nullptr;
    QTableView* m_left = nullptr;
    std::vector<int> m_widths;
    int m_fixedRows = 0;
    int m_fixedColumns = 0;
    int m_rowHeight = 20;
};
