// The main window's commands and the handlers that save a setting the moment it changes.
#include <map>

#include "app/control_names.h"
#include "app/main_window.h"

namespace {

enum class Command {
    Copy,
    Clear,
    FullWidth,
    HalfWidth,
    ShowSync,
    SaveSync,
    CancelSync,
    ClearItems,
    SaveHotkeys,
    Translate,
    Export,
};

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> m{
        {ctl::按钮_复制, Command::Copy},          {ctl::按钮_清除, Command::Clear},
        {ctl::按钮_全角符号, Command::FullWidth}, {ctl::按钮_半角符号, Command::HalfWidth},
        {ctl::按钮同步, Command::ShowSync},       {ctl::按钮同步保存, Command::SaveSync},
        {ctl::按钮同步保存1, Command::CancelSync}, {ctl::按钮_清除表项, Command::ClearItems},
        {ctl::按钮保存, Command::SaveHotkeys},    {ctl::按钮_翻译, Command::Translate},
        {ctl::按钮_导出, Command::Export},
    };
    return m;
}

bool isSavedCheckBox(const std::string& name) {
    return name == ctl::选择框文本合并 || name == ctl::选择框同步剪切板 || name == ctl::选择框坐标同步 ||
           name == ctl::选择框坐标同步正 || name == ctl::选择框坐标同步副;
}

// The menu items of 表格菜单, in layout order (4 is the separator).
enum MenuItem { Cut = 0, CopyItem = 1, Paste = 2, Delete = 3, SaveAll = 5, SaveExport = 6 };

constexpr int kContentColumn = 2;

}  // namespace

void MainWindow::onClicked(const std::string& control) {
    if (isSavedCheckBox(control)) {
        m_settings.writeBool(control, "选中", m_form.checked(control));
        return;
    }
    for (const layout::Control& c : layout::controls()) {
        if (c.name == control && c.tag >= 21 && c.tag <= 25) {
            if (m_services.startCaptureCommand) m_services.startCaptureCommand(c.tag - 20);
            return;
        }
    }
    auto it = commands().find(control);
    if (it == commands().end()) return;
    switch (it->second) {
        case Command::Copy: copySource(); break;
        case Command::Clear: clearTexts(); break;
        case Command::FullWidth: convertWidth(true); break;
        case Command::HalfWidth: convertWidth(false); break;
        case Command::ShowSync: m_form.setVisible(ctl::分组框4, true); break;
        case Command::SaveSync: saveSyncSettings(); break;
        case Command::CancelSync: m_form.setVisible(ctl::分组框4, false); break;
        case Command::ClearItems: m_table.clearContents(); break;
        case Command::SaveHotkeys: saveHotkeyRows(); break;
        case Command::Translate:
            if (m_services.translate) m_services.translate();
            break;
        case Command::Export:
            if (m_services.exportAll) m_services.exportAll();
            break;
    }
}

void MainWindow::onItemSelected(const std::string& control) {
    const int index = m_form.selectedIndex(control);
    if (control == ctl::组合框识别 || control == ctl::组合框文字 || control == ctl::组合框翻译) {
        m_settings.writeIndex(control, "现行选中项", index);
    } else if (control == ctl::组合框证件) {
        m_settings.writeIndex(control, "现行选中项", index);
        restoreCardCoordinates();
    } else if (control == ctl::组合框导出选项) {
        m_settings.writeIndex(control, "现行选中项", index);
        computeExportProfilePath();
    } else if (control == ctl::组合框key) {
        // Before the startup's own token step the choice is simply the key that step reads.
        if (!m_beforeStartupToken) fetchToken(nullptr);
    }
}

void MainWindow::onTextChanged(const std::string& control) {
    if (m_restoring) return;
    if (control == ctl::编辑框坐标) {
        writeIfChanged(control, "内容", m_form.text(control));
    } else if (control == ctl::编辑框坐标正 || control == ctl::编辑框坐标副) {
        saveCardCoordinate(control);
    }
}

void MainWindow::saveCardCoordinate(const std::string& control) {
    const Text key = text::fromInt(m_form.selectedIndex(ctl::组合框证件));
    writeIfChanged(control, key, m_form.text(control));
}

// Restoring a box raises its change notification; writing the value it already has would
// only rewrite the file, so such writes are skipped.
void MainWindow::writeIfChanged(const Text& section, const Text& key, const Text& value) {
    if (m_settings.readText(section, key) == value) return;
    m_settings.writeText(section, key, value);
}

void MainWindow::onKeyReleased(const std::string& control, int keyCode) {
    for (int n = 1; n <= m_state.hotkeyCount; ++n) {
        if (findByTag(n + 10, layout::Kind::LineEdit).name == control) {
            if (m_services.keyBoxReleased) m_services.keyBoxReleased(n, keyCode);
            return;
        }
    }
}

void MainWindow::onPageChanged(const std::string& control) {
    if (m_restoring) return;  // restoring the saved page would only write it back
    if (control == ctl::选择夹1) m_settings.writeIndex(control, "现行子夹", m_form.currentPage(control));
}

void MainWindow::onGridRightButtonUp(const std::string& control) {
    if (control == ctl::高级表格1) m_form.popupMenu(ctl::表格菜单);
}

void MainWindow::onMenuItem(const std::string& menu, int item) {
    if (menu != ctl::表格菜单) return;
    switch (item) {
        case Cut: gridCopy(true); break;
        case CopyItem: gridCopy(false); break;
        case Paste: gridPaste(); break;
        case Delete: gridDelete(); break;
        case SaveAll: saveAllContent(); break;
        case SaveExport: saveExportSettings(); break;
        default: break;  // "表格设置" has no action
    }
}

void MainWindow::copySource() { m_clipboard.setText(m_form.text(ctl::编辑框_源)); }

void MainWindow::clearTexts() {
    m_form.setText(ctl::编辑框_源, Text());
    m_form.setText(ctl::编辑框_翻译, Text());
}

void MainWindow::convertWidth(bool toFull) {
    auto convert = [toFull](const Text& t) {
        return toFull ? TextTools::toFullWidth(t) : TextTools::toHalfWidth(t);
    };
    m_form.setText(ctl::编辑框_源, convert(m_form.text(ctl::编辑框_源)));
    m_form.setText(ctl::编辑框_翻译, convert(m_form.text(ctl::编辑框_翻译)));
    m_clipboard.setText(m_form.text(ctl::编辑框_源));
}

void MainWindow::saveSyncSettings() {
    m_settings.writeText(ctl::编辑框_同步设置, "内容", m_form.text(ctl::编辑框_同步设置));
    m_form.setVisible(ctl::分组框4, false);
}

void MainWindow::saveHotkeyRows() {
    for (int n = 1; n <= m_state.hotkeyCount; ++n) {
        const Text row = text::fromInt(n);
        const std::string& modifier = findByTag(n, layout::Kind::DropDownList).name;
        m_settings.writeIndex("组合框" + row, "现行选中项", m_form.selectedIndex(modifier));
        const std::string& key = findByTag(n + 10, layout::Kind::LineEdit).name;
        m_settings.writeText("快捷键" + row, "键码", m_form.text(key));
    }
    if (m_services.registerHotkeys) m_services.registerHotkeys();
    m_form.setCurrentPage(ctl::选择夹1, 0);
}

// A cell that does not exist leaves the clipboard and the table as they are.
void MainWindow::gridCopy(bool cut) {
    const int row = m_table.focusRow();
    const auto value = m_table.cell(row, kContentColumn);
    if (!value) return;
    m_clipboard.setText(*value);
    if (cut) m_table.setCell(row, kContentColumn, Text());
}

void MainWindow::gridPaste() {
    const int row = m_table.focusRow();
    if (!m_table.hasCell(row, kContentColumn)) return;
    m_table.setCell(row, kContentColumn, m_clipboard.text());
}

void MainWindow::gridDelete() { m_table.setCell(m_table.focusRow(), kContentColumn, Text()); }

void MainWindow::saveAllContent() {
    if (m_table.columnCount() <= kContentColumn) return;
    const Text section = m_table.cell(0, kContentColumn).value_or(Text());
    for (int i = 1; i < m_table.rowCount(); ++i)
        m_settings.writeTo(m_state.exportProfilePath, section, text::fromInt(i),
                           m_table.cell(i, kContentColumn).value_or(Text()));
}

void MainWindow::saveExportSettings() {
    for (int k = 3; k < m_table.columnCount(); ++k) {
        const Text section = m_table.cell(0, k).value_or(Text());
        for (int i = 1; i < m_table.rowCount(); ++i)
            m_settings.writeTo(m_state.exportProfilePath, section, text::fromInt(i),
                               m_table.cell(i, k).value_or(Text()));
    }
}
