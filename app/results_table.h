#pragma once
// The grid of the card page: card recognitions and export profiles. The rules of inserting,
// clearing and resetting live here; the form's grid only stores cells.
#include <optional>
#include <vector>

#include "text/text_tools.h"
#include "platform/form.h"

class ResultsTable {
public:
    explicit ResultsTable(platform::Form& form);

    int rowCount() const;
    int columnCount() const;
    int fixedRowCount() const;
    int fixedColumnCount() const;
    void setRowCount(int rows);
    void setColumnCount(int columns);
    void setFixedRowCount(int rows);
    void setFixedColumnCount(int columns);

    // Inserts an empty row before position; a missing position, one inside the fixed rows,
    // or one at or beyond the row count appends. An empty table without fixed rows and
    // columns first gets one fixed row and one fixed column.
    void insertRow(const std::optional<Text>& heading = std::nullopt,
                   std::optional<int> position = std::nullopt);
    void insertColumn(const std::optional<Text>& heading = std::nullopt,
                      std::optional<int> position = std::nullopt);
    // An invalid index does nothing.
    void deleteRow(int row);
    void deleteColumn(int column);

    bool hasCell(int row, int column) const;
    // Setting a cell that does not exist does nothing; reading one gives std::nullopt.
    void setCell(int row, int column, const Text& text);
    std::optional<Text> cell(int row, int column) const;
    // Ignored for a column that does not exist.
    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;
    int focusRow() const;

    void clearRange(int row1, int column1, int row2, int column2);
    // Rows 0 (header, "行号") and 1 (empty), columns 0 and 1, both fixed; one fixed row.
    void resetLayout();
    // Empties column 2 of every row but the header.
    void clearContents();

    // A card recognition's fields, as the reply names them, with their recognized text.
    struct Field {
        Text name;
        Text value;
    };
    // The recognition layout holding the fields: the header "行号", "类型", "内容" and one
    // numbered row per field, in order.
    void showFields(const std::vector<Field>& fields);

private:
    void ensureFirstCell();
    platform::Form& m_form;
};
