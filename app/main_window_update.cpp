// The startup steps that wait on the network: the update notice and the token step.
#include <memory>

#include "app/control_names.h"
#include "app/main_window.h"
#include "json/json_document.h"
#include "net/text_encoding.h"

void MainWindow::runInBackground(std::function<void()> wait, std::function<void()> finish) {
    if (m_services.background) {
        m_services.background(std::move(wait), std::move(finish));
        return;
    }
    wait();
    finish();
}

void MainWindow::showUpdateNotice(std::function<void()> then) {
    m_form.setTitle(AppState::kTitle);
    auto reply = std::make_shared<Text>();
    HttpClient* http = m_state.updateInfoAddress.empty() ? nullptr : m_http;
    auto fetch = [http, reply, address = m_state.updateInfoAddress] {
        if (http) *reply = Utf8ToGbk(http->Request(address));
    };
    runInBackground(std::move(fetch), [this, reply, then = std::move(then)] {
        applyUpdateNotice(*reply);
        if (then) then();
    });
}

void MainWindow::applyUpdateNotice(const Text& document) {
    JsonDocument json;
    json.Parse(document);
    const Text version = json.GetText("update.v");
    if (version.empty()) {
        m_status.append("状态：获取版本信息失败");
        return;
    }
    // Compared as 32-bit floats, as the notice always was: "3.10" reads as 3.1, older than 3.9.
    const bool newer = static_cast<float>(text::toNumber(version)) >
                       static_cast<float>(text::toNumber(AppState::kVersion));
    m_form.setText(ctl::标签提示, json.GetText(newer ? "update.gxts" : "update.byts"));
    const Text page = json.GetText("update.gu");
    if (!page.empty()) m_form.navigate(ctl::超文本浏览框1, page);
    const Text usage = json.GetText("update.fu");
    if (!usage.empty()) m_form.setText(ctl::编辑框_翻译, text::lfToCrlf(text::crlfToLf(usage)));
}

void MainWindow::fetchToken(std::function<void()> then) {
    if (!m_services.fetchToken) {
        if (then) then();
        return;
    }
    NetworkStep step = m_services.fetchToken();
    const unsigned generation = ++m_tokenGeneration;
    // A later key choice starts its own exchange: only the latest one sets the token.
    auto end = [this, generation, finish = std::move(step.finish), then = std::move(then)] {
        if (generation == m_tokenGeneration && finish) finish();
        if (then) then();
    };
    runInBackground(std::move(step.wait), std::move(end));
}
