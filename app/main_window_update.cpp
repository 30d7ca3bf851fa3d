// The update notice of the startup sequence.
#include "app/control_names.h"
#include "app/main_window.h"
#include "json/json_document.h"
#include "net/text_encoding.h"

void MainWindow::showUpdateNotice() {
    m_form.setTitle(AppState::kTitle);
    JsonDocument json;
    if (m_http && !m_state.updateInfoAddress.empty())
        json.Parse(Utf8ToGbk(m_http->Request(m_state.updateInfoAddress)));
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
