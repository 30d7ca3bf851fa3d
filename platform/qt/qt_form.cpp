#include "platform/qt/qt_form.h"

#include "platform/qt/form_controls.h"
#include "platform/qt/form_window.h"
#include "platform/qt/grid_view.h"
#include "platform/qt/html_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/ui_gate.h"

using platform::Rect;
using platform::Size;

QtForm::QtForm()
    : m_gate(std::make_unique<UiGate>()),
      m_window(std::make_unique<FormWindow>()),
      m_controls(std::make_unique<FormControls>(m_window->controls())) {
    // Once the user has closed the window nothing touches it again, and workers waiting
    // for it are released.
    QObject::connect(m_window.get(), &FormWindow::closed, m_gate.get(), &UiGate::close);
}

QtForm::~QtForm() {
    m_gate->close();
    m_controls.reset();
    m_window.reset();
}

void QtForm::run(const std::function<void()>& call) {
    m_gate->run([&] {
        if (!m_window->isClosed()) call();
    });
}

template <class Result, class Call>
Result QtForm::read(Call call) {
    Result result{};
    run([&] { result = call(); });
    return result;
}

template <class Call>
void QtForm::onGrid(const std::string& grid, Call call) {
    run([&] {
        if (GridView* g = m_controls->grid(grid)) call(*g);
    });
}

template <class Result, class Call>
Result QtForm::fromGrid(const std::string& grid, Call call) {
    Result result{};
    onGrid(grid, [&](GridView& g) { result = call(g); });
    return result;
}

void QtForm::setEvents(platform::FormEvents* events) {
    m_gate->run([&] { m_window->setEvents(events); });
}

void QtForm::setFetcher(std::function<std::string(const std::string& url)> fetcher) {
    run([&] {
        for (const auto& [name, entry] : m_window->controls())
            if (HtmlView* view = m_controls->htmlView(name)) view->setFetcher(fetcher);
    });
}

void QtForm::show() {
    run([&] { m_window->showFirst(); });
}

QWidget* QtForm::window() const {
    return m_window.get();
}

bool QtForm::isClosed() const {
    return m_gate->isClosed();
}

std::string QtForm::text(const std::string& control) {
    return read<std::string>([&] { return m_controls->text(control); });
}

void QtForm::setText(const std::string& control, const std::string& text) {
    run([&] { m_controls->setText(control, text); });
}

std::string QtForm::selectedText(const std::string& control) {
    return read<std::string>([&] { return m_controls->selectedText(control); });
}

bool QtForm::checked(const std::string& control) {
    return read<bool>([&] { return m_controls->checked(control); });
}

void QtForm::setChecked(const std::string& control, bool checked) {
    run([&] { m_controls->setChecked(control, checked); });
}

int QtForm::selectedIndex(const std::string& control) {
    int index = -1;
    run([&] { index = m_controls->selectedIndex(control); });
    return index;
}

void QtForm::setSelectedIndex(const std::string& control, int index) {
    run([&] { m_controls->setSelectedIndex(control, index); });
}

std::vector<platform::ListItem> QtForm::items(const std::string& control) {
    return read<std::vector<platform::ListItem>>([&] { return m_controls->items(control); });
}

void QtForm::addItem(const std::string& control, const platform::ListItem& item) {
    run([&] { m_controls->addItem(control, item); });
}

void QtForm::clearItems(const std::string& control) {
    run([&] { m_controls->clearItems(control); });
}

bool QtForm::enabled(const std::string& control) {
    return read<bool>([&] { return m_controls->enabled(control); });
}

void QtForm::setEnabled(const std::string& control, bool enabled) {
    run([&] { m_controls->setEnabled(control, enabled); });
}

bool QtForm::visible(const std::string& control) {
    return read<bool>([&] { return m_controls->visible(control); });
}

void QtForm::setVisible(const std::string& control, bool visible) {
    run([&] { m_controls->setVisible(control, visible); });
}

Rect QtForm::geometry(const std::string& control) {
    return read<Rect>([&] { return m_controls->geometry(control); });
}

void QtForm::setGeometry(const std::string& control, const Rect& rect) {
    run([&] { m_controls->setGeometry(control, rect); });
}

Size QtForm::clientSize(const std::string& control) {
    return read<Size>([&] {
        if (!control.empty()) return m_controls->size(control);
        return Size{m_window->width(), m_window->height()};
    });
}

int QtForm::currentPage(const std::string& control) {
    int page = -1;
    run([&] { page = m_controls->currentPage(control); });
    return page;
}

void QtForm::setCurrentPage(const std::string& control, int page) {
    run([&] { m_controls->setCurrentPage(control, page); });
}

std::string QtForm::statusText(const std::string& control, int part) {
    return read<std::string>([&] { return m_controls->statusText(control, part); });
}

void QtForm::setStatusText(const std::string& control, int part, const std::string& text) {
    // A worker reports progress without waiting for the user-interface thread, which may be
    // busy with the capture's preview; later calls queue behind it, so the order holds.
    if (!m_gate->onUiThread()) {
        m_gate->post([this, control, part, text] {
            if (!m_window->isClosed()) m_controls->setStatusText(control, part, text);
        });
        return;
    }
    run([&] { m_controls->setStatusText(control, part, text); });
}

int QtForm::rowCount(const std::string& grid) {
    return fromGrid<int>(grid, [](GridView& g) { return g.rows(); });
}

int QtForm::columnCount(const std::string& grid) {
    return fromGrid<int>(grid, [](GridView& g) { return g.columns(); });
}

void QtForm::setRowCount(const std::string& grid, int rows) {
    onGrid(grid, [&](GridView& g) { g.setRows(rows); });
}

void QtForm::setColumnCount(const std::string& grid, int columns) {
    onGrid(grid, [&](GridView& g) { g.setColumns(columns); });
}

int QtForm::fixedRowCount(const std::string& grid) {
    return fromGrid<int>(grid, [](GridView& g) { return g.fixedRows(); });
}

int QtForm::fixedColumnCount(const std::string& grid) {
    return fromGrid<int>(grid, [](GridView& g) { return g.fixedColumns(); });
}

void QtForm::setFixedRowCount(const std::string& grid, int rows) {
    onGrid(grid, [&](GridView& g) { g.setFixedRows(rows); });
}

void QtForm::setFixedColumnCount(const std::string& grid, int columns) {
    onGrid(grid, [&](GridView& g) { g.setFixedColumns(columns); });
}

void QtForm::insertRow(const std::string& grid, int before) {
    onGrid(grid, [&](GridView& g) { g.insertRowAt(before); });
}

void QtForm::insertColumn(const std::string& grid, int before) {
    onGrid(grid, [&](GridView& g) { g.insertColumnAt(before); });
}

void QtForm::removeRow(const std::string& grid, int row) {
    onGrid(grid, [&](GridView& g) { g.removeRowAt(row); });
}

void QtForm::removeColumn(const std::string& grid, int column) {
    onGrid(grid, [&](GridView& g) { g.removeColumnAt(column); });
}

std::string QtForm::cell(const std::string& grid, int row, int column) {
    return fromGrid<std::string>(
        grid, [&](GridView& g) { return qttext::fromQt(g.cellText(row, column)); });
}

void QtForm::setCell(const std::string& grid, int row, int column, const std::string& text) {
    onGrid(grid, [&](GridView& g) { g.setCellText(row, column, qttext::toQt(text)); });
}

void QtForm::setCells(const std::string& grid, int row, int column,
                      const std::vector<std::vector<std::string>>& texts) {
    onGrid(grid, [&](GridView& g) { g.setCellTexts(row, column, texts); });
}

int QtForm::columnWidth(const std::string& grid, int column) {
    return fromGrid<int>(grid, [&](GridView& g) { return g.width(column); });
}

void QtForm::setColumnWidth(const std::string& grid, int column, int width) {
    onGrid(grid, [&](GridView& g) { g.setWidth(column, width); });
}

int QtForm::focusRow(const std::string& grid) {
    int row = -1;
    onGrid(grid, [&](GridView& g) { row = g.focusRow(); });
    return row;
}

int QtForm::focusColumn(const std::string& grid) {
    int column = -1;
    onGrid(grid, [&](GridView& g) { column = g.focusColumn(); });
    return column;
}

void QtForm::setFocusCell(const std::string& grid, int row, int column) {
    onGrid(grid, [&](GridView& g) { g.setFocusCell(row, column); });
}

void QtForm::popupMenu(const std::string& menu) {
    run([&] { m_window->popupMenu(menu); });
}

std::string QtForm::title() {
    return read<std::string>([&] { return qttext::fromQt(m_window->windowTitle()); });
}

void QtForm::setTitle(const std::string& title) {
    run([&] { m_window->setWindowTitle(qttext::toQt(title)); });
}

platform::WindowState QtForm::windowState() {
    return read<platform::WindowState>([&] { return m_window->state(); });
}

void QtForm::setWindowState(platform::WindowState state) {
    run([&] { m_window->setState(state); });
}

void QtForm::raise() {
    run([&] { m_window->bringToFront(); });
}

void QtForm::hideForCapture(int timeoutMs) {
    run([&] { m_window->hideForCapture(timeoutMs); });
}

void QtForm::suspendRedraw() {
    run([&] { m_window->suspendRedraw(); });
}

void QtForm::resumeRedraw() {
    run([&] { m_window->resumeRedraw(); });
}

void QtForm::messageBox(const std::string& text, const std::string& title) {
    run([&] { m_window->messageBox(qttext::toQt(text), qttext::toQt(title)); });
}

void QtForm::setPicture(const std::string& control, const std::string& imageBytes) {
    run([&] { m_controls->setPicture(control, imageBytes); });
}

void QtForm::navigate(const std::string& control, const std::string& address) {
    run([&] { m_controls->navigate(control, address); });
}
