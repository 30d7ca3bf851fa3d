#pragma once
// The export profiles ("导出N.ini"): a profile lays out the results table at startup, and the
// export writes column 2 into the workbook cells that each target column names.
#include "app/app_state.h"
#include "app/results_table.h"
#include "app/status_line.h"
#include "platform/form.h"
#include "platform/launcher.h"

class ExportProfile {
public:
    // The profile chosen in 组合框导出选项: "导出" + (selected index + 1) + ".ini" in the
    // program folder ("导出0.ini" when nothing is selected); also stored in AppState.
    static Text path(AppState& state, platform::Form& form);
};

class ExcelExporter {
public:
    static constexpr int kMaxRows = 10000;

    ExcelExporter(AppState& state, platform::Form& form, platform::Launcher& launcher);

    // Lays out the results table from the profile: one column per section, rows from the
    // first section's unbroken keys "1", "2", ...
    void loadProfile();
    // Exports every target column (3 and later) whose section says 类型=EXCEL.
    void exportAll();
    // True only when the workbook was loaded, every non-empty target cell was valid and the
    // workbook was saved.
    bool exportColumn(int column);

private:
    Text cell(int row, int column) const;
    void error(const Text& message);

    AppState& m_state;
    platform::Form& m_form;
    platform::Launcher& m_launcher;
    ResultsTable m_table;
    StatusLine m_status;
};
