#pragma once
// The status text in the second part of 状态条1. Every message replaces it, except the
// results of a sequence (startup, hotkey registration, export), which are appended.
#include "text/text_tools.h"
#include "platform/form.h"

class StatusLine {
public:
    explicit StatusLine(platform::Form& form);

    void setText(const Text& text);
    Text text() const;
    void append(const Text& text);
    // A settings or profile file that could not be written, named by its file name.
    void reportUnsaved(const Text& path);
    // At start: the program folder cannot be written, so no change will be kept.
    void reportReadOnlyFolder();
    // At start without a key profile: where key.ini goes (its full path, the home folder as
    // "~") and that the offline item needs none. Appended, so the startup's own texts stay in
    // front of it.
    void reportMissingKey(const Text& keyFilePath);

private:
    platform::Form& m_form;
};
