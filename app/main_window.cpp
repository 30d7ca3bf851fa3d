#include "app/main_window.h"

#include <stdexcept>

#include "app/control_names.h"
#include "app/language_codes.h"
#include "export/excel_exporter.h"
#include "platform/charset.h"
#include "platform/files.h"

namespace {

const char* const kCheckBoxes[] = {ctl::选择框文本合并, ctl::选择框同步剪切板, ctl::选择框坐标同步,
                                   ctl::选择框坐标同步正, ctl::选择框坐标同步副};
const char* const kIndexLists[] = {ctl::组合框识别, ctl::组合框文字, ctl::组合框翻译, ctl::组合框证件};
constexpr int kMaxExportProfiles = 100;

int atLeastZero(int v) { return v < 0 ? 0 : v; }

}  // namespace

MainWindow::MainWindow(AppState& state, platform::Form& form, platform::Clipboard& clipboard)
    : m_state(state), m_form(form), m_clipboard(clipboard), m_status(form), m_table(form) {
    m_settings.setFailureHandler([this](const Text& file) { m_status.reportUnsaved(file); });
}

const layout::Control& MainWindow::findByTag(int tag, layout::Kind expected) const {
    return layout::findByTag(tag, expected);
}

void MainWindow::onCreated() {
    m_state.hotkeyCount = 5;
    if (m_services.loadServicePieces) m_services.loadServicePieces();
    const auto& languages = layout::languages();
    for (size_t i = 0; i < m_state.languageCodes.size() && i < languages.size(); ++i)
        m_state.languageCodes[i] = languages[i].code;
    restoreSettings();
    if (m_services.registerHotkeys) m_services.registerHotkeys();
    m_table.resetLayout();
    loadKeyProfiles();
    chooseFirstStartKind();
    updateTextCaptureButtons();
    // The update notice and the token step wait on the network: each waits on a worker and
    // the next step starts when it has finished, so the window paints and answers meanwhile.
    m_beforeStartupToken = true;
    showUpdateNotice([this] {
        m_beforeStartupToken = false;
        fetchToken([this] {
            pointToKeyFile();
            finishStartup();
        });
    });
}

void MainWindow::finishStartup() {
    computeExportProfilePath();
    if (m_services.loadExportProfile) m_services.loadExportProfile();
}

void MainWindow::restoreSettings() {
    m_state.settingsPath = m_state.pathOf("windows data.ini");
    m_settings.setSettingsPath(m_state.settingsPath);
    if (!files::canCreateIn(m_state.pathOf("."))) m_status.reportReadOnlyFolder();
    m_restoring = true;
    for (const char* box : kCheckBoxes) m_form.setChecked(box, m_settings.readBool(box, "选中"));
    restoreExportList();
    for (const char* list : kIndexLists)
        m_form.setSelectedIndex(list, m_settings.readIndex(list, "现行选中项"));
    m_form.setText(ctl::编辑框坐标, m_settings.readText(ctl::编辑框坐标, "内容"));
    m_form.setText(ctl::编辑框_同步设置, m_settings.readText(ctl::编辑框_同步设置, "内容"));
    restoreCardCoordinates();
    m_form.setCurrentPage(ctl::选择夹1, m_settings.readIndex(ctl::选择夹1, "现行子夹"));
    restoreUsageText();
    restoreHotkeyRows();
    m_restoring = false;
}

void MainWindow::restoreExportList() {
    int count = 0;
    for (int n = 1; n <= kMaxExportProfiles; ++n) {
        if (!files::exists(m_state.pathOf("导出" + text::fromInt(n) + ".ini"))) break;
        m_form.addItem(ctl::组合框导出选项, {"导出" + text::fromInt(n), n - 1});
        count = n;
    }
    const int saved = m_settings.readIndex(ctl::组合框导出选项, "现行选中项");
    m_form.setSelectedIndex(ctl::组合框导出选项, saved < count + 1 ? saved : -1);
}

void MainWindow::restoreUsageText() {
    Bytes bytes;
    if (!files::readFile(m_state.pathOf("使用说明.txt"), bytes)) {
        m_form.setText(ctl::编辑框_翻译, Text());
        return;
    }
    // Code page 936 unless a byte order mark or the text itself shows UTF-8 or UTF-16.
    const Text body = charset::fileTextToUtf8(bytes);
    m_form.setText(ctl::编辑框_翻译, text::lfToCrlf(text::crlfToLf(body)));
}

void MainWindow::restoreHotkeyRows() {
    for (int n = 1; n <= m_state.hotkeyCount; ++n) {
        const Text row = text::fromInt(n);
        m_form.setSelectedIndex(findByTag(n, layout::Kind::DropDownList).name,
                                m_settings.readIndex("组合框" + row, "现行选中项"));
        m_form.setText(findByTag(n + 10, layout::Kind::LineEdit).name,
                       m_settings.readText("快捷键" + row, "键码"));
    }
}

void MainWindow::restoreCardCoordinates() {
    const Text key = text::fromInt(m_form.selectedIndex(ctl::组合框证件));
    m_form.setText(ctl::编辑框坐标正, m_settings.readText(ctl::编辑框坐标正, key));
    const Text key2 = text::fromInt(m_form.selectedIndex(ctl::组合框证件));
    m_form.setText(ctl::编辑框坐标副, m_settings.readText(ctl::编辑框坐标副, key2));
}

void MainWindow::loadKeyProfiles() {
    m_state.keyFilePath = m_state.pathOf("key.ini");
    m_form.clearItems(ctl::组合框key);
    int n = 0;
    for (const Text& name : SettingsStore::sectionNames(m_state.keyFilePath))
        m_form.addItem(ctl::组合框key, {name, n++});
    m_form.setSelectedIndex(ctl::组合框key, n > 0 ? 0 : -1);
}

void MainWindow::computeExportProfilePath() { ExportProfile::path(m_state, m_form); }

void MainWindow::onResized() {
    using platform::Rect;
    const char* tab = ctl::选择夹1;
    const platform::Size client = m_form.clientSize("");
    const int W = client.width;
    const int H = client.height;
    auto TW = [&] { return m_form.clientSize(tab).width; };
    auto TH = [&] { return m_form.clientSize(tab).height; };
    auto geo = [&](const char* name) { return m_form.geometry(name); };
    auto set = [&](const char* name, Rect r) {
        r.width = atLeastZero(r.width);
        r.height = atLeastZero(r.height);
        m_form.setGeometry(name, r);
    };

    m_form.suspendRedraw();
    set(ctl::状态条1, {100, H - 20, W - 100, 20});
    Rect key = geo(ctl::组合框key);
    set(ctl::组合框key, {key.left, H - 20, key.width, key.height});
    Rect r = geo(ctl::标签提示);
    set(ctl::标签提示, {r.left, r.top, W, r.height});
    r = geo(ctl::图片框1);
    set(ctl::图片框1, {r.left, r.top, W, r.height});
    r = geo(ctl::超文本浏览框1);
    set(ctl::超文本浏览框1, {r.left, r.top, geo(ctl::图片框1).width, r.height});
    r = geo(tab);
    set(tab, {r.left, r.top, W, H - 314});

    r = geo(ctl::分组框1);
    set(ctl::分组框1, {TW() - r.width, r.top, r.width, TH() - 14});
    const int column1 = geo(ctl::分组框1).left;
    set(ctl::编辑框_源, {0, 22, column1, (TH() - 20) / 2});
    const Rect source = geo(ctl::编辑框_源);
    set(ctl::编辑框_翻译, {0, source.top + source.height, column1, TH() - source.top - source.height});
    r = geo(ctl::分组框4);
    set(ctl::分组框4, {(source.width - r.width) / 2, (TH() - 20 - r.height) / 2, r.width, r.height});

    r = geo(ctl::分组框2);
    set(ctl::分组框2, {TW() - r.width, r.top, r.width, TH() - 14});
    set(ctl::高级表格1, {0, 22, geo(ctl::分组框2).left, TH() - 22});
    r = geo(ctl::按钮保存);
    set(ctl::按钮保存, {TW() - 108, TH() - 48, r.width, r.height});
    m_form.resumeRedraw();
}

void MainWindow::onClosing() {}
