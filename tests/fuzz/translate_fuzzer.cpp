// The translate button with any source text and any answer, through the program's own
// Translator, HttpClient and form port (the in-memory window of the tests): the request
// always reaches the wire clean, whatever the text; a Youdao answer gives what follows its
// last "result=" plus CR LF, or fails; a Google answer that is plain JSON of the usual shape
// gives its first pieces joined (nlohmann/json, read here on its own, says what they are);
// a failure leaves the window and the clipboard as they were.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "app/control_names.h"
#include "net/http_client.h"
#include "net/text_encoding.h"
#include "platform/charset.h"
#include "support/fake_form.h"
#include "support/scripted_transport.h"
#include "translate/translator.h"

namespace {

constexpr char kEarlier[] = "an earlier translation";
constexpr char kUsersClipboard[] = "the user's clipboard";

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, detail.c_str());
    std::abort();
}

bool cleanTarget(const std::string& path) {
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F) return false;
    }
    return true;
}

// The joined first pieces when the answer is plain JSON whose first element is a non-empty
// array of arrays that each start with a string; nothing otherwise.
std::optional<std::string> expectedGoogle(const std::string& body) {
    if (!charset::isValidUtf8(body) || body.find('\0') != std::string::npos) return std::nullopt;
    const auto json = nlohmann::ordered_json::parse(body, nullptr, false);
    if (json.is_discarded() || !json.is_array() || json.empty() || !json[0].is_array() ||
        json[0].empty())
        return std::nullopt;
    std::string joined;
    for (const auto& piece : json[0]) {
        if (!piece.is_array() || piece.empty() || !piece[0].is_string()) return std::nullopt;
        const std::string text = piece[0].get<std::string>();
        if (text.find('\0') != std::string::npos) return std::nullopt;
        joined += text;
    }
    return joined;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int item = input.ConsumeIntegralInRange(0, 2);
    // The source comes from an edit box, so it is always UTF-8.
    const std::string source = charset::sanitizeUtf8(input.ConsumeRandomLengthString(200));
    const std::string body = input.ConsumeRemainingBytesAsString();

    // One window for every run (building it from the layout is most of a run's time); each
    // run sets every control the command reads or writes.
    static FakeForm form;
    static FakeClipboard clipboard;
    ScriptedTransport transport;
    transport.reply("fanyi.test/translate", body);
    transport.reply("translate.test/translate_a/single", body);
    HttpClient http(transport);
    Translator translator(TranslatorHosts{"fanyi.test", "translate.test"}, form, clipboard, http);
    form.setText(ctl::编辑框_翻译, kEarlier);
    clipboard.value = kUsersClipboard;
    form.userSelect(ctl::组合框翻译, item);
    form.userType(ctl::编辑框_源, source);
    form.setChecked(ctl::选择框同步剪切板, true);

    translator.Translate();

    const std::string status = form.statusText(ctl::状态条1, 1);
    const std::string shown = form.text(ctl::编辑框_翻译);
    if (source.empty()) {
        if (!transport.requests().empty()) fail("an empty source was sent", status);
        return 0;
    }
    const auto requests = transport.requests();
    if (requests.size() != 1) fail("the request did not reach the wire", source);
    if (!cleanTarget(requests[0].path)) fail("request target not clean", requests[0].path);

    if (status == "状态：翻译失败") {
        if (shown != kEarlier || clipboard.value != kUsersClipboard)
            fail("a failed translation changed the window or the clipboard", shown);
    } else if (status == "状态：翻译完毕") {
        if (clipboard.value != shown) fail("the clipboard differs from the window", shown);
    } else {
        fail("unexpected status", status);
    }
    const bool done = status == "状态：翻译完毕";

    if (item == 0) {
        const std::string decoded = Utf8ToGbk(body);
        const size_t at = decoded.rfind("result=");
        if (done != (at != std::string::npos))
            fail("Youdao: success disagrees with the marker", decoded);
        if (done && shown != decoded.substr(at + 7) + "\r\n") fail("Youdao: wrong text", shown);
    } else if (const auto expected = expectedGoogle(body)) {
        if (!done) fail("Google: a well-formed answer failed", body);
        if (shown != *expected) fail("Google: wrong text", shown);
    }
    if (done && !charset::isValidUtf8(shown)) fail("translation is not UTF-8", shown);
    return 0;
}
