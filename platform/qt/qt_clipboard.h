#pragma once
// The system clipboard's text over QClipboard, callable from any thread: each call is carried
// out on the user-interface thread while the caller waits.
#include <memory>
#include <string>

#include "platform/clipboard.h"

class UiGate;

class QtClipboard : public platform::Clipboard {
public:
    // Create on the user-interface thread, after the QApplication.
    QtClipboard();
    ~QtClipboard() override;

    void setText(const std::string& text) override;
    std::string text() override;

private:
    std::unique_ptr<UiGate> m_gate;
};
