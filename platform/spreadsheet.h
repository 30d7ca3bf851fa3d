#pragma once
// Spreadsheet workbooks (backend: platform/xlsx, an .xlsx engine of our own). The export
// opens an existing workbook, writes texts into cells and saves it; everything it does
// not write stays as the file had it. Texts and paths are UTF-8.
#include <memory>
#include <string>

namespace spreadsheet {

// The grid of a worksheet: rows and columns a cell can have, counted from 1.
constexpr int kRows = 1048576;
constexpr int kColumns = 16384;

// One sheet of a workbook, owned by it: valid until the workbook loads again or is
// destroyed.
class Sheet {
public:
    virtual ~Sheet() = default;
    // The name on the sheet's tab.
    virtual std::string name() const = 0;
    // Writes a text into the cell at the 0-based row and column (at most 1,048,575 and
    // 16,383), creating the row and the cell where they are missing. The cell keeps its
    // style; a formula or value that stood there is gone. An empty text leaves an empty
    // string cell. A CR LF becomes the cell's line break. False for a cell outside the
    // grid, a text that is not UTF-8, or a sheet that holds no cells (a chart sheet).
    virtual bool writeText(int row, int column, const std::string& text) = 0;
    // What the cell shows when it holds a text, or its stored value (a number as the
    // file has it, a formula's last result); empty for an empty or missing cell. Line
    // breaks come back as CR LF.
    virtual std::string text(int row, int column) const = 0;
    // True when the cell holds a formula.
    virtual bool hasFormula(int row, int column) const = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    // Reads the file into this workbook, replacing what it held. False when the file is
    // missing or is not a readable workbook (the workbook is then empty).
    virtual bool load(const std::string& path) = 0;
    // The number of sheets (worksheets and chart sheets, in tab order); 0 before a load.
    virtual int sheetCount() const = 0;
    // The sheet at the 0-based tab position, or nullptr when there is none.
    virtual Sheet* sheet(int index) = 0;
    // Writes the workbook to the path: a new file in the same folder renamed over the
    // target, so a failure never leaves a damaged file behind. False when nothing was
    // loaded or the file could not be written (the target is then as it was).
    virtual bool save(const std::string& path) = 0;
};

// An empty workbook object of the .xlsx engine; a load fills it.
std::unique_ptr<Workbook> createXlsxWorkbook();

}  // namespace spreadsheet
