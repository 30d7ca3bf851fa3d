#include "platform/qt/grid_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include "platform/qt/grid_model.h"
#include "platform/qt/qt_text.h"

namespace {

void setUpRows(QTableView* view, int height) {
    QHeaderView* rows = view->verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(height);
    rows->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

GridView::GridView(QWidget* parent) : QTableView(parent), m_model(new GridModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    viewport()->installEventFilter(this);

    m_corner = makePart();
    m_top = makePart();
    m_left = makePart();
    // The fixed rows scroll sideways with the table, the fixed columns up and down.
    auto follow = [](QScrollBar* a, QScrollBar* b) {
        connect(a, &QScrollBar::valueChanged, b, &QScrollBar::setValue);
        connect(b, &QScrollBar::valueChanged, a, &QScrollBar::setValue);
    };
    follow(horizontalScrollBar(), m_top->horizontalScrollBar());
    follow(verticalScrollBar(), m_left->verticalScrollBar());
    m_rowHeight = fontMetrics().height() + 4;
    applyLayout();
}

QTableView* GridView::makePart() {
    auto* part = new QTableView(this);
    part->setModel(m_model);
    part->setSelectionModel(selectionModel());
    part->setFrameShape(QFrame::NoFrame);
    part->setFocusPolicy(Qt::NoFocus);
    part->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    part->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    part->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    part->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    part->setEditTriggers(QAbstractItemView::NoEditTriggers);
    part->setWordWrap(false);
    part->horizontalHeader()->hide();
    part->verticalHeader()->hide();
    part->horizontalHeader()->setMinimumSectionSize(0);
    part->viewport()->installEventFilter(this);
    part->hide();
    return part;
}

int GridView::rows() const {
    return m_model->rowCount();
}
int GridView::columns() const {
    return m_model->columnCount();
}
int GridView::shownFixedRows() const {
    return qMin(m_fixedRows, rows());
}
int GridView::shownFixedColumns() const {
    return qMin(m_fixedColumns, columns());
}

void GridView::setRows(int count) {
    m_model->resize(count, columns());
    m_fixedRows = qMin(m_fixedRows, rows());
    applyLayout();
}

void GridView::setColumns(int count) {
    m_model->resize(rows(), count);
    m_widths.resize(columns(), kDefaultColumnWidth);
    m_fixedColumns = qMin(m_fixedColumns, columns());
    applyLayout();
}

void GridView::setFixedRows(int count) {
    m_fixedRows = qMax(0, count);
    applyLayout();
}

void GridView::setFixedColumns(int count) {
    m_fixedColumns = qMax(0, count);
    applyLayout();
}

void GridView::insertRowAt(int before) {
    m_model->insertRowAt(before);
    applyLayout();
}

void GridView::insertColumnAt(int before) {
    before = qBound(0, before, columns());
    m_model->insertColumnAt(before);
    m_widths.insert(m_widths.begin() + before, kDefaultColumnWidth);
    applyLayout();
}

void GridView::removeRowAt(int row) {
    m_model->removeRowAt(row);
    applyLayout();
}

void GridView::removeColumnAt(int column) {
    if (column < 0 || column >= columns()) return;
    m_model->removeColumnAt(column);
    m_widths.erase(m_widths.begin() + column);
    applyLayout();
}

QString GridView::cellText(int row, int column) const {
    return m_model->cell(row, column);
}

void GridView::setCellText(int row, int column, const QString& text) {
    m_model->setCell(row, column, text);
}

void GridView::setCellTexts(int row, int column,
                            const std::vector<std::vector<std::string>>& texts) {
    std::vector<std::vector<QString>> converted;
    converted.reserve(texts.size());
    for (const auto& line : texts) {
        std::vector<QString>& out = converted.emplace_back();
        out.reserve(line.size());
        for (const std::string& text : line) out.push_back(qttext::toQt(text));
    }
    m_model->setCells(row, column, std::move(converted));
}

int GridView::width(int column) const {
    return column >= 0 && column < columns() ? m_widths[column] : 0;
}

void GridView::setWidth(int column, int w) {
    if (column < 0 || column >= columns()) return;
    m_widths[column] = qMax(0, w);
    applyLayout();
}

int GridView::focusRow() const {
    const QModelIndex i = selectionModel()->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int GridView::focusColumn() const {
    const QModelIndex i = selectionModel()->currentIndex();
    return i.isValid() ? i.column() : -1;
}

void GridView::setFocusCell(int row, int column) {
    const QModelIndex i = m_model->index(row, column);
    if (!i.isValid()) {
        selectionModel()->clearCurrentIndex();
        return;
    }
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

void GridView::applyLayout() {
    const int fr = shownFixedRows();
    const int fc = shownFixedColumns();
    m_model->setFixed(fr, fc);
    struct Part {
        QTableView* view;
        bool fixedRows;
        bool fixedColumns;
    };
    const Part parts[] = {
        {this, false, false}, {m_corner, true, true}, {m_top, true, false}, {m_left, false, true}};
    int fixedWidth = 0;
    for (int c = 0; c < fc; ++c) fixedWidth += m_widths[c];
    for (const Part& p : parts) {
        setUpRows(p.view, m_rowHeight);
        {
            // A header that may repaint works out each hidden row's position from the
            // first row on, and the view asks for them again: thousands of rows took
            // seconds. The header is quiet while the rows change; the view is brought up
            // to date once, below.
            QHeaderView* header = p.view->verticalHeader();
            const QSignalBlocker quiet(header);
            header->setUpdatesEnabled(false);
            for (int r = 0; r < rows(); ++r) p.view->setRowHidden(r, (r < fr) != p.fixedRows);
            header->setUpdatesEnabled(true);
        }
        if (p.view != this) {
            QMetaObject::invokeMethod(p.view, "updateGeometries");
            p.view->viewport()->update();
        }
        for (int c = 0; c < columns(); ++c) {
            if (m_widths[c] > 0) p.view->setColumnWidth(c, m_widths[c]);
            p.view->setColumnHidden(c, m_widths[c] == 0 || (c < fc) != p.fixedColumns);
        }
    }
    // The main view's own headers reserve the room that the fixed parts cover.
    const int fixedHeight = fr * m_rowHeight;
    horizontalHeader()->setFixedHeight(fixedHeight);
    horizontalHeader()->setVisible(fixedHeight > 0);
    verticalHeader()->setFixedWidth(fixedWidth);
    verticalHeader()->setVisible(fixedWidth > 0);
    m_corner->setVisible(fixedHeight > 0 && fixedWidth > 0);
    m_top->setVisible(fixedHeight > 0);
    m_left->setVisible(fixedWidth > 0);
    updateGeometries();
    viewport()->update();
}

void GridView::updateGeometries() {
    QTableView::updateGeometries();
    placeParts();
}

void GridView::placeParts() {
    if (!m_corner) return;
    const QRect top = horizontalHeader()->geometry();
    const QRect left = verticalHeader()->geometry();
    const QRect corner(left.x(), top.y(), left.width(), top.height());
    m_top->setGeometry(top);
    m_left->setGeometry(left);
    m_corner->setGeometry(corner);
    m_top->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    m_left->verticalScrollBar()->setValue(verticalScrollBar()->value());
    for (QTableView* part : {m_corner, m_top, m_left}) part->raise();
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
        emit rightButtonReleased();
    return QTableView::eventFilter(watched, event);
}

void GridView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    // Rows are as high as the font needs.
    if (event->type() == QEvent::FontChange && m_corner) {
        m_rowHeight = fontMetrics().height() + 4;
        applyLayout();
    }
}
