#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/qt/qt_text.h"
#include "platform/qt/ui_gate.h"

QtClipboard::QtClipboard() : m_gate(std::make_unique<UiGate>()) {}

QtClipboard::~QtClipboard() = default;

void QtClipboard::setText(const std::string& text) {
    m_gate->run([&] { QGuiApplication::clipboard()->setText(qttext::toQt(text)); });
}

std::string QtClipboard::text() {
    std::string result;
    m_gate->run([&] { result = qttext::fromQt(QGuiApplication::clipboard()->text()); });
    return result;
}
