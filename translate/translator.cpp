#include "translate/translator.h"

#include <thread>

#include "app/control_names.h"
#include "json/json_document.h"
#include "net/text_encoding.h"
#include "net/url_encode.h"
#include "translate/google_token.h"

namespace {

constexpr int kYoudao = 0;
constexpr int kGoogleToEnglish = 1;
constexpr int kGoogleToChinese = 2;

constexpr std::string_view kYoudaoMarker = "result=";

TranslatorHosts hostsOf(const ServicePieces& pieces) {
    return {pieces.youdaoHost, pieces.googleHost};
}

}  // namespace

Text TextAfterLast(std::string_view text, std::string_view marker) {
    if (marker.empty()) return {};
    const size_t at = text.rfind(marker);
    if (at == std::string_view::npos) return {};
    return Text(text.substr(at + marker.size()));
}

Translator::Translator(const AppState& state, platform::Form& form, platform::Clipboard& clipboard,
                       HttpClient& http)
    : m_state(&state), m_form(form), m_clipboard(clipboard), m_http(http), m_status(form) {}

Translator::Translator(TranslatorHosts hosts, platform::Form& form, platform::Clipboard& clipboard,
                       HttpClient& http)
    : m_hosts(std::move(hosts)),
      m_form(form),
      m_clipboard(clipboard),
      m_http(http),
      m_status(form) {}

void Translator::start() const {
    // The copy is the worker's own: its hosts are taken here, on the calling thread.
    Translator worker(m_state ? hostsOf(m_state->servicePieces) : m_hosts, m_form, m_clipboard,
                      m_http);
    std::thread([worker]() mutable { worker.Translate(); }).detach();
}

void Translator::Translate() {
    m_status.setText("状态：翻译中……");
    // Read from the box itself, so the user's clipboard is never borrowed for the copy.
    Text source = m_form.selectedText(ctl::编辑框_源);
    if (source.empty()) source = m_form.text(ctl::编辑框_源);
    if (source.empty()) return;

    std::optional<Text> result;
    switch (m_form.selectedIndex(ctl::组合框翻译)) {
        case kYoudao:
            result = TranslateYoudao(source);
            break;
        case kGoogleToEnglish:
            result = TranslateGoogle(source, {}, {});
            break;
        case kGoogleToChinese:
            result = TranslateGoogle(source, {}, "zh-CN");
            break;
        default:
            // No translator chosen: nothing was translated, so nothing is replaced.
            m_status.setText("状态：翻译完毕");
            return;
    }
    if (!result) {
        m_status.setText("状态：翻译失败");
        return;
    }
    m_form.setText(ctl::编辑框_翻译, *result);
    if (m_form.checked(ctl::选择框同步剪切板)) m_clipboard.setText(*result);
    m_status.setText("状态：翻译完毕");
}

std::optional<Text> Translator::TranslateYoudao(const Text& text) {
    const Text host = m_hosts.youdao;
    const Text url = "http://" + host + "/translate?i=" + UrlEncode(text, true, true) +
                     "&type=AUTO&doctype=text&xmlVersion=1.1&keyfrom=360se";
    Text headers = "Referer: http://" + host + "/translate";
    const Text body = Utf8ToGbk(
        m_http.Request(url, static_cast<int>(HttpMethod::Get), {}, nullptr, nullptr, &headers));
    if (body.find(kYoudaoMarker) == Text::npos) return std::nullopt;
    return TextAfterLast(body, kYoudaoMarker) + "\r\n";
}

std::optional<Text> Translator::TranslateGoogle(const Text& text, Text sourceLanguage,
                                                Text targetLanguage) {
    if (sourceLanguage.empty()) sourceLanguage = "auto";
    if (targetLanguage.empty()) targetLanguage = "en";
    const Text url =
        "https://" + m_hosts.google + "/translate_a/single?client=t&sl=" + sourceLanguage +
        "&tl=" + targetLanguage + "&hl=" + targetLanguage +
        "&dt=at&dt=bd&dt=ex&dt=ld&dt=md&dt=qca&dt=rw&dt=rm&dt=ss&dt=t&ie=UTF-8&oe=UTF-8"
        "&source=bh&ssel=0&tsel=0&kc=1&tk=" +
        GoogleToken::tk(text);
    const Text body = "q=" + UrlEncode(text, true, true);
    JsonDocument answer;
    if (!answer.Parse(Utf8ToGbk(m_http.Request(url, static_cast<int>(HttpMethod::Post), body))))
        return std::nullopt;
    // The translation is the first item of each element of the first array.
    const int n = answer.TypeOf("[0]") == JsonKind::Array ? answer.GetCount("[0]") : 0;
    if (n < 1) return std::nullopt;
    Text joined;
    for (int i = 0; i < n; ++i) joined += answer.GetText("[0][" + text::fromInt(i) + "][0]");
    return joined;
}
