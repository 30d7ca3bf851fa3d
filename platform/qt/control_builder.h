#pragma once
// Builds the real widgets of the layout table inside the window, in table order, so a later
// control lies above an earlier sibling.
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <string>

#include "app/layout.h"

// The window's controls by layout name, as the builder made them.
struct ControlEntry {
    QPointer<QWidget> widget;
    layout::Kind kind = layout::Kind::Label;
};

using ControlRegistry = std::map<std::string, ControlEntry>;

class ControlBuilder {
public:
    // The named families rarely exist on Linux; the list falls back to installed CJK fonts.
    static QFont font(const layout::Font& wanted, const layout::Font& window);
    // What a screen reader announces: the caption, or the layout name where there is none.
    static QString accessibleName(layout::Kind kind, const std::string& name,
                                  const std::string& caption);
    // Whether the control's caption is a caption (and not its content or an address).
    static bool hasCaption(layout::Kind kind);

    static ControlRegistry build(QWidget* window);

private:
    static QWidget* create(const layout::Control& control, QWidget* parent);
    static QWidget* parentFor(const layout::Control& control, QWidget* window,
                              const ControlRegistry& made);
    static bool coversEarlierSibling(const layout::Control& control);
    static void fitCaption(QWidget* widget, layout::Kind kind);
};
