#pragma once
// The binding to the spreadsheet engine: one method for each engine operation that the
// export uses, under the names of their roles. XlApi holds nothing; every method gets the
// handles it works on. Handles belong to the engine and are nullptr for "none": a book
// from createXmlBook lives until bookRelease, and its sheets as long as the book.
#include "text/text_tools.h"
#include "platform/spreadsheet.h"

#include <cstdint>

using XlBook = spreadsheet::Workbook*;
using XlSheet = spreadsheet::Sheet*;
// The engine hands out no cell formats, so the only format there is is none (nullptr):
// a written cell keeps the format it had.
struct XlFormatHandle;
using XlFormat = const XlFormatHandle*;

class XlApi {
public:
    // An empty workbook for the .xlsx format, to be filled by bookLoad.
    XlBook createXmlBook() const;
    // True when the file at path was read into the book; false for no book, a missing
    // file or one that is not a readable workbook.
    bool bookLoad(XlBook book, const Text& path) const;
    // The sheet at the 0-based index in tab order, or nullptr when there is none.
    XlSheet bookGetSheet(XlBook book, int32_t index) const;
    // Writes the text into the cell at the 0-based row and column. An empty text is "no
    // text": the cell becomes an empty text cell, its value and formula gone. True on
    // success; false for no sheet, a format other than none, or a cell the sheet cannot
    // hold.
    bool sheetWriteStr(XlSheet sheet, int32_t row, int32_t col, const Text& text,
                       XlFormat format = nullptr) const;
    // True when the book was written to path; on false the file there is as it was.
    bool bookSave(XlBook book, const Text& path) const;
    // Frees the book and every sheet obtained from it; no book is fine.
    void bookRelease(XlBook book) const;
};
