#pragma once
// The system clipboard's text (UTF-8, CR LF line breaks inside the program).
#include <string>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's content with the text.
    virtual void setText(const std::string& text) = 0;
    // The clipboard's text, empty when it holds none.
    virtual std::string text() = 0;
};

}  // namespace platform
