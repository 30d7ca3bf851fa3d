#include "export/excel_exporter.h"

#include "app/control_names.h"
#include "app/settings_store.h"
#include "export/xl_api.h"
#include "platform/ini.h"

namespace {
constexpr char kErrorTitle[] = "错误提示！";
constexpr int kValueColumn = 2;
constexpr int kFirstTarget = 3;

// A target cell "sheet|row|column", each counted from 1.
struct CellAddress {
    int32_t sheet = 0, row = 0, column = 0;
};

// True when the entry is three fields that name a cell a workbook can have; the numbers
// are checked before anything is subtracted from them, so no number can overflow.
bool parseAddress(const Text& target, CellAddress& address) {
    const std::vector<Text> pieces = text::split(target, "|");
    if (pieces.size() != 3) return false;
    address = {text::toInt(pieces[0]), text::toInt(pieces[1]), text::toInt(pieces[2])};
    return address.sheet >= 1 && address.row >= 1 && address.row <= spreadsheet::kRows &&
           address.column >= 1 && address.column <= spreadsheet::kColumns;
}
}  // namespace

Text ExportProfile::path(AppState& state, platform::Form& form) {
    const int n = form.selectedIndex(ctl::组合框导出选项) + 1;
    state.exportProfilePath = state.pathOf("导出" + text::fromInt(n < 0 ? 0 : n) + ".ini");
    return state.exportProfilePath;
}

ExcelExporter::ExcelExporter(AppState& state, platform::Form& form, platform::Launcher& launcher)
    : m_state(state), m_form(form), m_launcher(launcher), m_table(form), m_status(form) {}

Text ExcelExporter::cell(int row, int column) const {
    return m_table.cell(row, column).value_or(Text());
}

void ExcelExporter::error(const Text& message) { m_form.messageBox(message, kErrorTitle); }

void ExcelExporter::loadProfile() {
    // The profile is parsed once and the grid filled in one block: thousands of rows took
    // minutes read key by key and inserted row by row.
    const ini::Snapshot profile(m_state.exportProfilePath);
    const std::vector<Text>& sections = profile.sectionNames();
    m_table.setRowCount(1);
    m_table.setColumnCount(1);
    m_table.setColumnWidth(0, 40);
    // The first section's unbroken keys "1", "2", ... decide the rows.
    int rows = 0;
    while (!sections.empty() && rows < kMaxRows &&
           !profile.read(sections[0], text::fromInt(rows + 1)).empty())
        ++rows;
    // Columns go in while the table has only its header row, which keeps each insertion
    // cheap.
    const int columns = static_cast<int>(sections.size());
    for (int i = 1; i <= columns; ++i) {
        const Text& section = sections[static_cast<size_t>(i - 1)];
        m_table.insertColumn(section, i);
        m_table.setColumnWidth(i, text::toInt(profile.read(section, "列宽")));
    }
    std::vector<std::vector<Text>> cells(static_cast<size_t>(rows));
    for (int j = 1; j <= rows; ++j) {
        std::vector<Text>& line = cells[static_cast<size_t>(j - 1)];
        line.reserve(static_cast<size_t>(columns) + 1);
        line.push_back(text::fromInt(j));
        for (const Text& section : sections)
            line.push_back(profile.read(section, text::fromInt(j)));
    }
    m_table.setRowCount(rows + 1);
    m_form.setCells(ctl::高级表格1, 1, 0, cells);
    m_table.setFixedColumnCount(2);
}

void ExcelExporter::exportAll() {
    for (int col = kFirstTarget; col < m_table.columnCount(); ++col) {
        const Text header = cell(0, col);
        if (SettingsStore::read(m_state.exportProfilePath, header, "类型") == "EXCEL") {
            const bool ok = exportColumn(col);
            m_status.append(" 导出[" + header + (ok ? "]成功" : "]失败"));
        } else {
            error("错误：导出[" + header + "]-类型设置有误请处理");
        }
    }
}

bool ExcelExporter::exportColumn(int col) {
    const Text header = cell(0, col);
    // Names are relative to the program folder; a "\" in them separates folders.
    const Text path = m_state.pathOf(text::replaceAll(header, "\\", "/"));
    const XlApi xl;
    XlBook book = xl.createXmlBook();
    // A workbook that cannot even be created is reported like one that cannot be opened.
    if (!book || !xl.bookLoad(book, path)) {
        error("错误：打开[" + header + "]有误请检查路径和文件是否存在");
        xl.bookRelease(book);
        return false;
    }
    bool ok = true;
    int sheetNumber = 0;
    XlSheet sheet = nullptr;
    for (int r = 1; r < m_table.rowCount(); ++r) {
        const Text target = cell(r, col);
        if (target.empty()) continue;
        CellAddress at;
        const bool valid = parseAddress(target, at);
        if (valid && at.sheet != sheetNumber) {
            sheet = xl.bookGetSheet(book, at.sheet - 1);
            sheetNumber = at.sheet;
        }
        // An entry that names no cell of this workbook (no such sheet, a row or column
        // outside the grid, a chart sheet) is as wrong as a malformed one: nothing of the
        // row was written, and the column must not be reported as exported.
        if (!valid || !sheet ||
            !xl.sheetWriteStr(sheet, at.row - 1, at.column - 1, cell(r, kValueColumn))) {
            error("错误：[" + header + "]行" + text::fromInt(r) + "列" + text::fromInt(col + 1) +
                  "表项设置有误导出表格未完成");
            ok = false;
            break;
        }
    }
    if (ok) {
        if (!xl.bookSave(book, path)) {
            error("错误：[" + header + "]保存不成功请确认表格是否在关闭状态，路径：" + path);
            ok = false;
        }
    } else {
        // What was written before the bad entry still goes into the file.
        xl.bookSave(book, path);
    }
    xl.bookRelease(book);
    m_launcher.open(path);
    return ok;
}
