// The results grid: fixed rows and columns as headings that stay in view, widths, editing
// and the focused cell.
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "app/control_names.h"
#include "platform/qt/grid_model.h"
#include "platform/qt/grid_view.h"
#include "qt_form_fixture.h"

namespace {

const char* const kGrid = ctl::高级表格1;

}  // namespace

class QtGridTest : public QtFormTest {
protected:
    void SetUp() override {
        QtFormTest::SetUp();
        showPage(1);
        m_grid = widgetAs<GridView>(kGrid);
        ASSERT_NE(m_grid, nullptr);
    }
    // The recognition layout: a heading row, the row-number and field-name columns fixed.
    void makeTable(int rows, int columns) {
        m_form->setRowCount(kGrid, rows);
        m_form->setColumnCount(kGrid, columns);
        m_form->setFixedRowCount(kGrid, 1);
        m_form->setFixedColumnCount(kGrid, 2);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                m_form->setCell(kGrid, r, c, std::to_string(r) + "," + std::to_string(c));
        pumpEvents();
    }
    bool shownIn(QTableView* part, int row, int column) const {
        const QRect cell = part->visualRect(m_grid->gridModel()->index(row, column));
        return part->isVisible() && cell.isValid() && part->viewport()->rect().intersects(cell);
    }

    GridView* m_grid = nullptr;
};

TEST_F(QtGridTest, CountsCellsAndWidthsFollowEveryChange) {
    EXPECT_EQ(m_form->rowCount(kGrid), 0);
    makeTable(3, 3);
    EXPECT_EQ(m_form->cell(kGrid, 2, 1), "2,1");
    EXPECT_EQ(m_form->columnWidth(kGrid, 2), GridView::kDefaultColumnWidth);
    m_form->insertRow(kGrid, 1);
    EXPECT_EQ(m_form->rowCount(kGrid), 4);
    EXPECT_EQ(m_form->cell(kGrid, 1, 0), "");
    EXPECT_EQ(m_form->cell(kGrid, 2, 0), "1,0");
    m_form->insertColumn(kGrid, 3);
    m_form->setColumnWidth(kGrid, 3, 100);
    EXPECT_EQ(m_form->columnCount(kGrid), 4);
    EXPECT_EQ(m_form->columnWidth(kGrid, 3), 100);
    m_form->removeColumn(kGrid, 0);
    EXPECT_EQ(m_form->cell(kGrid, 0, 0), "0,1");
    EXPECT_EQ(m_form->columnWidth(kGrid, 2), 100);
    m_form->removeRow(kGrid, 0);
    EXPECT_EQ(m_form->cell(kGrid, 0, 0), "");
    EXPECT_EQ(m_form->cell(kGrid, 1, 0), "1,1");
    // Cells and columns outside the table.
    m_form->setCell(kGrid, 9, 9, "x");
    EXPECT_EQ(m_form->cell(kGrid, 9, 9), "");
    EXPECT_EQ(m_form->columnWidth(kGrid, 9), 0);
    m_form->setCell(kGrid, 1, 1, "多行\r\n文字");
    EXPECT_EQ(m_form->cell(kGrid, 1, 1), "多行\r\n文字");
}

TEST_F(QtGridTest, ShrinkingBelowTheFixedCountsShrinksThem) {
    makeTable(3, 3);
    const struct {
        int rows, columns, fixedRows, fixedColumns;
    } steps[] = {{3, 1, 1, 1}, {0, 1, 0, 1}, {0, 0, 0, 0}};
    for (const auto& s : steps) {
        m_form->setRowCount(kGrid, s.rows);
        m_form->setColumnCount(kGrid, s.columns);
        EXPECT_EQ(m_form->fixedRowCount(kGrid), s.fixedRows);
        EXPECT_EQ(m_form->fixedColumnCount(kGrid), s.fixedColumns);
    }
}

TEST_F(QtGridTest, FixedRowsAndColumnsAreHeadingsThatStayInView) {
    makeTable(60, 12);
    for (int c = 2; c < 12; ++c) m_form->setColumnWidth(kGrid, c, 150);
    pumpEvents();
    ASSERT_TRUE(m_grid->topPart()->isVisible());
    ASSERT_TRUE(m_grid->leftPart()->isVisible());
    ASSERT_TRUE(m_grid->cornerPart()->isVisible());
    // The heading parts cover exactly the room the fixed cells need.
    EXPECT_EQ(m_grid->leftPart()->width(), 2 * GridView::kDefaultColumnWidth);
    EXPECT_EQ(m_grid->topPart()->height(), m_grid->leftPart()->rowHeight(1));
    EXPECT_EQ(m_grid->viewport()->geometry().left(), m_grid->leftPart()->geometry().right() + 1);
    EXPECT_FALSE(m_grid->gridModel()->flags(m_grid->gridModel()->index(0, 5)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m_grid->gridModel()->flags(m_grid->gridModel()->index(5, 1)) & Qt::ItemIsEditable);

    m_grid->horizontalScrollBar()->setValue(m_grid->horizontalScrollBar()->maximum());
    m_grid->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->maximum());
    pumpEvents();
    ASSERT_GT(m_grid->horizontalScrollBar()->value(), 0);
    const struct {
        QTableView* part;
        int row, column;
        bool shown;
    } cases[] = {
        // The corner and the headings of the rows and columns now in view stay visible.
        {m_grid->cornerPart(), 0, 0, true},
        {m_grid->topPart(), 0, 11, true},
        {m_grid->leftPart(), 59, 1, true},
        // What scrolled away is gone from every part.
        {m_grid->topPart(), 0, 2, false},
        {m_grid->leftPart(), 1, 0, false},
        {m_grid, 1, 2, false},
        {m_grid, 59, 11, true},
        // The main part never shows a fixed cell under the headings.
        {m_grid, 0, 11, false},
        {m_grid, 59, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownIn(c.part, c.row, c.column), c.shown) << c.row << "," << c.column;
}

TEST_F(QtGridTest, WidthZeroHidesAColumn) {
    makeTable(3, 4);
    m_form->setColumnWidth(kGrid, 3, 0);
    pumpEvents();
    EXPECT_TRUE(m_grid->isColumnHidden(3));
    EXPECT_EQ(m_form->columnWidth(kGrid, 3), 0);
    m_form->setColumnWidth(kGrid, 3, 80);
    EXPECT_FALSE(m_grid->isColumnHidden(3));
    EXPECT_EQ(m_grid->columnWidth(3), 80);
    m_form->setColumnWidth(kGrid, 0, 0);
    EXPECT_EQ(m_grid->leftPart()->width(), GridView::kDefaultColumnWidth);
}

TEST_F(QtGridTest, TheUserEditsCellsAndMovesTheFocus) {
    makeTable(4, 3);
    const QModelIndex target = m_grid->gridModel()->index(2, 2);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, m_grid->visualRect(target).center());
    EXPECT_EQ(m_form->focusRow(kGrid), 2);
    EXPECT_EQ(m_form->focusColumn(kGrid), 2);
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, m_grid->visualRect(target).center());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Li ");
    // Typed through an input method.
    editor->insert(QString::fromUtf8("张三"));
    QTest::keyClick(editor, Qt::Key_Return);
    pumpEvents();
    EXPECT_EQ(m_form->cell(kGrid, 2, 2), "Li 张三");
    QTest::keyClick(m_grid, Qt::Key_Down);
    EXPECT_EQ(m_form->focusRow(kGrid), 3);
    m_form->setFocusCell(kGrid, 1, 2);
    EXPECT_EQ(m_form->focusRow(kGrid), 1);
    EXPECT_EQ(m_form->focusColumn(kGrid), 2);
    m_form->setFocusCell(kGrid, -1, -1);
    EXPECT_EQ(m_form->focusRow(kGrid), -1);
}

TEST_F(QtGridTest, GeometryIsClampedAndSizesRead) {
    m_form->setGeometry(kGrid, {5, 6, -10, 40});
    EXPECT_EQ(m_form->geometry(kGrid), (platform::Rect{5, 6, 0, 40}));
    m_form->setGeometry(ctl::按钮_导出, {1, 2, 30, -1});
    EXPECT_EQ(m_form->clientSize(ctl::按钮_导出).width, 30);
    EXPECT_EQ(m_form->clientSize(ctl::按钮_导出).height, 0);
}

TEST_F(QtGridTest, ABlockOfCellsLandsInPlaceAndWhatFallsOutsideIsLeftOut) {
    makeTable(4, 3);
    const std::vector<std::vector<std::string>> block = {
        {"a", "b", "past the last column"}, {"c\r\nd"}, {}, {"past the last row"}};
    m_form->setCells(kGrid, 1, 1, block);
    m_form->setCells(kGrid, -2147483647, 2147483647, block);  // names no cell at all
    pumpEvents();
    EXPECT_EQ(m_form->cell(kGrid, 1, 1), "a");
    EXPECT_EQ(m_form->cell(kGrid, 1, 2), "b");
    EXPECT_EQ(m_form->cell(kGrid, 2, 1), "c\r\nd");
    EXPECT_EQ(m_form->cell(kGrid, 2, 2), "2,2");  // a short line leaves the rest alone
    EXPECT_EQ(m_form->cell(kGrid, 3, 1), "3,1");
    EXPECT_EQ(m_form->cell(kGrid, 0, 0), "0,0");
    EXPECT_EQ(m_form->columnCount(kGrid), 3);
    EXPECT_EQ(m_form->rowCount(kGrid), 4);
    // The view shows the new texts without being told anything else.
    EXPECT_EQ(m_grid->model()->data(m_grid->model()->index(1, 1)).toString(), "a");
    EXPECT_TRUE(shownIn(m_grid, 1, 2));
}
