#pragma once
// The main window on Qt widgets, built from the layout table. Every call may come from any
// thread: it is carried out on the user-interface thread while the caller waits (a worker's
// status text is queued without waiting, in the same order). After the
// window has closed, calls do nothing and reads give empty values.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"

class FormControls;
class FormWindow;
class QWidget;
class UiGate;

class QtForm : public platform::Form {
public:
    // Create on the user-interface thread, after the QApplication.
    QtForm();
    ~QtForm() override;

    void setEvents(platform::FormEvents* events);
    // Fetches the web addresses the HTML view is sent to; without one they show nothing.
    void setFetcher(std::function<std::string(const std::string& url)> fetcher);
    // Shows the window at its design place, then calls onCreated and the first onResized.
    void show();
    // The top-level widget, for the program's wiring and for tests.
    QWidget* window() const;
    bool isClosed() const;

    std::string text(const std::string& control) override;
    void setText(const std::string& control, const std::string& text) override;
    std::string selectedText(const std::string& control) override;
    bool checked(const std::string& control) override;
    void setChecked(const std::string& control, bool checked) override;
    int selectedIndex(const std::string& control) override;
    void setSelectedIndex(const std::string& control, int index) override;
    std::vector<platform::ListItem> items(const std::string& control) override;
    void addItem(const std::string& control, const platform::ListItem& item) override;
    void clearItems(const std::string& control) override;
    bool enabled(const std::string& control) override;
    void setEnabled(const std::string& control, bool enabled) override;
    bool visible(const std::string& control) override;
    void setVisible(const std::string& control, bool visible) override;
    platform::Rect geometry(const std::string& control) override;
    void setGeometry(const std::string& control, const platform::Rect& rect) override;
    platform::Size clientSize(const std::string& control) override;
    int currentPage(const std::string& control) override;
    void setCurrentPage(const std::string& control, int page) override;
    std::string statusText(const std::string& control, int part) override;
    void setStatusText(const std::string& control, int part, const std::string& text) override;

    int rowCount(const std::string& grid) override;
    int columnCount(const std::string& grid) override;
    void setRowCount(const std::string& grid, int rows) override;
    void setColumnCount(const std::string& grid, int columns) override;
    int fixedRowCount(const std::string& grid) override;
    int fixedColumnCount(const std::string& grid) override;
    void setFixedRowCount(const std::string& grid, int rows) override;
    void setFixedColumnCount(const std::string& grid, int columns) override;
    void insertRow(const std::string& grid, int before) override;
    void insertColumn(const std::string& grid, int before) override;
    void removeRow(const std::string& grid, int row) override;
    void removeColumn(const std::string& grid, int column) override;
    std::string cell(const std::string& grid, int row, int column) override;
    void setCell(const std::string& grid, int row, int column, const std::string& text) override;
    void setCells(const std::string& grid, int row, int column,
                  const std::vector<std::vector<std::string>>& texts) override;
    int columnWidth(const std::string& grid, int column) override;
    void setColumnWidth(const std::string& grid, int column, int width) override;
    int focusRow(const std::string& grid) override;
    int focusColumn(const std::string& grid) override;
    void setFocusCell(const std::string& grid, int row, int column) override;

    void popupMenu(const std::string& menu) override;

    std::string title() override;
    void setTitle(const std::string& title) override;
    platform::WindowState windowState() override;
    void setWindowState(platform::WindowState state) override;
    void raise() override;
    void hideForCapture(int timeoutMs) override;
    void suspendRedraw() override;
    void resumeRedraw() override;
    void messageBox(const std::string& text, const std::string& title) override;

    void setPicture(const std::string& control, const std::string& imageBytes) override;
    void navigate(const std::string& control, const std::string& address) override;

private:
    // Runs the call on the user-interface thread unless the window has closed.
    void run(const std::function<void()>& call);
    template <class Result, class Call>
    Result read(Call call);
    template <class Call>
    void onGrid(const std::string& grid, Call call);
    template <class Result, class Call>
    Result fromGrid(const std::string& grid, Call call);

    std::unique_ptr<UiGate> m_gate;
    std::unique_ptr<FormWindow> m_window;
    std::unique_ptr<FormControls> m_controls;
};
