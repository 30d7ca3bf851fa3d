#pragma once
// The window's controls by layout name, as the builder made them.
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "app/layout.h"

struct ControlEntry {
    QPointer<QWidget> widget;
    layout::Kind kind = layout::Kind::Label;
};

using ControlRegistry = std::map<std::string, ControlEntry>;
