#pragma once
// The translate button: the selected part of 编辑框_源 (or its whole text) goes to the
// Youdao or the Google web translator, as chosen in 组合框翻译, and the answer replaces
// 编辑框_翻译 (and the clipboard's text when 同步剪切板 is ticked). Each click runs on its
// own worker thread, which touches only the form, the clipboard and the HTTP client.
#include <optional>
#include <string_view>

#include "app/app_state.h"
#include "app/status_line.h"
#include "net/http_client.h"
#include "platform/clipboard.h"
#include "platform/form.h"

// Host names (with an optional ":port") of the two web translators.
struct TranslatorHosts {
    Text youdao;
    Text google;
};

// Everything after the last occurrence of marker (exact case); empty when it does not occur.
Text TextAfterLast(std::string_view text, std::string_view marker);

class Translator {
public:
    // The hosts are read from the state's service pieces each time start() is called, so
    // a worker keeps the ones it started with.
    Translator(const AppState& state, platform::Form& form, platform::Clipboard& clipboard,
               HttpClient& http);
    // Fixed hosts, for a translator that is run directly.
    Translator(TranslatorHosts hosts, platform::Form& form, platform::Clipboard& clipboard,
               HttpClient& http);

    // Starts a worker thread that runs Translate and ends with it; never waits for it.
    void start() const;

    // One translation on the calling thread. A failed translation reports "状态：翻译失败"
    // and leaves 编辑框_翻译 and the clipboard as they were; an empty source stops after
    // "状态：翻译中……" without a request.
    void Translate();

    // The translation followed by CR LF; nothing when there was no answer or the answer
    // holds no "result=".
    std::optional<Text> TranslateYoudao(const Text& text);
    // The pieces of the answer's first array joined; nothing when there was no answer or
    // it is not JSON whose first element is a non-empty array. Empty language codes mean
    // "auto" (source) and "en" (target).
    std::optional<Text> TranslateGoogle(const Text& text, Text sourceLanguage, Text targetLanguage);

private:
    const AppState* m_state = nullptr;
    TranslatorHosts m_hosts;
    platform::Form& m_form;
    platform::Clipboard& m_clipboard;
    HttpClient& m_http;
    StatusLine m_status;
};
