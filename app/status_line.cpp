#include "app/status_line.h"

#include "app/control_names.h"

namespace {
constexpr int kStatusPart = 1;
}

StatusLine::StatusLine(platform::Form& form) : m_form(form) {}

void StatusLine::setText(const Text& text) { m_form.setStatusText(ctl::状态条1, kStatusPart, text); }

Text StatusLine::text() const { return m_form.statusText(ctl::状态条1, kStatusPart); }

void StatusLine::append(const Text& text) { setText(this->text() + text); }
