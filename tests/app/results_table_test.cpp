#include "app/results_table.h"

#include <gtest/gtest.h>

#include "support/fake_form.h"

namespace {

class ResultsTableTest : public ::testing::Test {
protected:
    FakeForm form;
    ResultsTable table{form};

    // A table in the card layout: header and `rows` field rows in column 1, values in 2.
    void cardLayout(int rows) {
        table.resetLayout();
        table.insertColumn("内容", 2);
        for (int i = 1; i <= rows; ++i) {
            table.insertRow(std::nullopt, i);
            table.setCell(i, 1, "f" + std::to_string(i));
            table.setCell(i, 2, "v" + std::to_string(i));
        }
        table.deleteRow(table.rowCount() - 1);
    }
};

TEST_F(ResultsTableTest, ResetLayoutGivesTheEmptyRecognitionLayoutFromAnyTable) {
    for (int rows : {0, 1, 7}) {
        table.setColumnCount(5);
        table.setRowCount(rows);
        table.setFixedRowCount(rows > 0 ? 1 : 0);
        table.resetLayout();
        EXPECT_EQ(table.rowCount(), 2);
        EXPECT_EQ(table.columnCount(), 2);
        EXPECT_EQ(table.fixedRowCount(), 1);
        EXPECT_EQ(table.fixedColumnCount(), 2);
        EXPECT_EQ(table.cell(0, 0), "行号");
        EXPECT_EQ(table.cell(1, 0), "");
        EXPECT_EQ(table.columnWidth(1), 100);
    }
}

TEST_F(ResultsTableTest, InsertRowOnEmptyTableCreatesTheFirstFixedCell) {
    table.insertRow("h", 0);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.columnCount(), 1);
    EXPECT_EQ(table.fixedRowCount(), 1);
    EXPECT_EQ(table.fixedColumnCount(), 1);
    EXPECT_EQ(table.cell(1, 0), "h");
}

TEST_F(ResultsTableTest, InsertRowPositions) {
    struct Case {
        std::optional<int> position;
        int expectedRow;
    };
    // Layout: rows 0 (fixed), 1 "a", 2 "b".
    for (const Case& c : {Case{std::nullopt, 3}, Case{0, 3}, Case{1, 1}, Case{2, 2}, Case{3, 3},
                          Case{99, 3}}) {
        table.resetLayout();
        table.setCell(1, 0, "a");
        table.insertRow("b");
        table.insertRow("new", c.position);
        ASSERT_EQ(table.rowCount(), 4);
        EXPECT_EQ(table.cell(c.expectedRow, 0), "new") << c.expectedRow;
    }
}

TEST_F(ResultsTableTest, InsertColumnSetsHeaderAndAppendsInsideFixedColumns) {
    table.resetLayout();
    table.insertColumn("内容", 2);
    table.insertColumn("x", 0);  // inside the fixed columns: appended
    ASSERT_EQ(table.columnCount(), 4);
    EXPECT_EQ(table.cell(0, 2), "内容");
    EXPECT_EQ(table.cell(0, 3), "x");
}

TEST_F(ResultsTableTest, CellsOutsideTheTableAreIgnored) {
    table.resetLayout();
    table.setCell(5, 5, "x");
    table.setCell(-1, 0, "x");
    EXPECT_FALSE(table.cell(5, 5).has_value());
    EXPECT_FALSE(table.cell(0, -1).has_value());
    table.setColumnWidth(9, 50);  // no crash, no column
    EXPECT_EQ(table.columnCount(), 2);
    table.deleteRow(9);
    table.deleteColumn(-1);
    EXPECT_EQ(table.rowCount(), 2);
}

TEST_F(ResultsTableTest, ClearRangeReducesItsEndAndRefusesBadCorners) {
    struct Case {
        int r1, c1, r2, c2;
        bool clears;
    };
    for (const Case& c : {Case{1, 2, 99, 99, true}, Case{1, 2, 3, 2, true}, Case{-1, 2, 3, 2, false},
                          Case{2, 2, 1, 2, false}, Case{1, 3, 3, 2, false}, Case{4, 2, 9, 2, false}}) {
        cardLayout(3);
        table.clearRange(c.r1, c.c1, c.r2, c.c2);
        EXPECT_EQ(table.cell(1, 2) == "", c.clears) << c.r1 << "," << c.c1 << "," << c.r2 << "," << c.c2;
        EXPECT_EQ(table.cell(0, 2), "内容");
        EXPECT_EQ(table.cell(1, 1), "f1");
    }
}

TEST_F(ResultsTableTest, ClearContentsEmptiesColumnTwoOnly) {
    cardLayout(6);
    table.clearContents();
    EXPECT_EQ(table.cell(0, 2), "内容");
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(table.cell(i, 2), "");
        EXPECT_EQ(table.cell(i, 1), "f" + std::to_string(i));
    }
    table.resetLayout();  // two columns: nothing to clear, nothing breaks
    table.setCell(1, 1, "keep");
    table.clearContents();
    EXPECT_EQ(table.cell(1, 1), "keep");
}

}  // namespace
