// The offline item of 组合框识别: a new user without a cloud key starts with it, and it
// makes the text page's capture buttons usable without a token. The status line says where
// the key goes.
#include "app/control_names.h"
#include "app/main_window.h"

namespace {

// "离线文字识别(本机)", RecognitionKind 5.
constexpr int kOfflineItem = 4;
// 按钮截图 and 按钮坐标截图; the card page's buttons stay with the token step.
constexpr int kTextCaptureTags[] = {21, 22};

}  // namespace

void MainWindow::chooseFirstStartKind() {
    // Only a first start: a saved choice, or a key to use, keeps the list as it was restored.
    if (!m_form.items(ctl::组合框key).empty()) return;
    if (!m_settings.readText(ctl::组合框识别, "现行选中项").empty()) return;
    m_form.setSelectedIndex(ctl::组合框识别, kOfflineItem);
}

void MainWindow::pointToKeyFile() {
    // Only where a token step ran: it is what the key is for.
    if (m_services.fetchToken && m_form.items(ctl::组合框key).empty())
        m_status.reportMissingKey(m_state.keyFilePath);
}

void MainWindow::updateTextCaptureButtons() {
    // The token step builds the addresses only when it succeeds and keeps them after a later
    // failure, as it keeps the buttons enabled.
    const bool cloudReady = !m_state.recognitionEndpoints()[0].empty();
    const bool offline = m_form.selectedIndex(ctl::组合框识别) == kOfflineItem &&
                         m_services.offlineUsable && m_services.offlineUsable();
    for (int tag : kTextCaptureTags)
        m_form.setEnabled(findByTag(tag, layout::Kind::Button).name, cloudReady || offline);
}
