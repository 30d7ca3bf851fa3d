#pragma once
// The per-control operations of the form, on the user-interface thread: each reads or
// writes the widget the way its kind means it. Unknown names and operations that do not
// apply to a kind read as empty and change nothing.
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/qt/control_builder.h"

class GridView;
class HtmlView;
class StatusBar;
class TabControl;

class FormControls {
public:
    explicit FormControls(const ControlRegistry& controls);

    std::string text(const std::string& control) const;
    void setText(const std::string& control, const std::string& text);
    std::string selectedText(const std::string& control) const;

    bool checked(const std::string& control) const;
    void setChecked(const std::string& control, bool checked);

    int selectedIndex(const std::string& control) const;
    void setSelectedIndex(const std::string& control, int index);
    std::vector<platform::ListItem> items(const std::string& control) const;
    void addItem(const std::string& control, const platform::ListItem& item);
    void clearItems(const std::string& control);

    bool enabled(const std::string& control) const;
    void setEnabled(const std::string& control, bool enabled);
    bool visible(const std::string& control) const;
    void setVisible(const std::string& control, bool visible);
    platform::Rect geometry(const std::string& control) const;
    void setGeometry(const std::string& control, const platform::Rect& rect);
    platform::Size size(const std::string& control) const;

    int currentPage(const std::string& control) const;
    void setCurrentPage(const std::string& control, int page);
    std::string statusText(const std::string& control, int part) const;
    void setStatusText(const std::string& control, int part, const std::string& text);

    void setPicture(const std::string& control, const std::string& imageBytes);
    void navigate(const std::string& control, const std::string& address);

    // The widget of a kind, nullptr when the name is unknown or of another kind.
    GridView* grid(const std::string& control) const;
    HtmlView* htmlView(const std::string& control) const;
    TabControl* tabControl(const std::string& control) const;
    StatusBar* statusBar(const std::string& control) const;

private:
    const ControlEntry* find(const std::string& control) const;
    template <class Widget>
    Widget* as(const std::string& control, layout::Kind kind) const;

    const ControlRegistry& m_controls;
};
