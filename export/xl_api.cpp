#include "export/xl_api.h"

XlBook XlApi::createXmlBook() const {
    return spreadsheet::createXlsxWorkbook().release();
}

bool XlApi::bookLoad(XlBook book, const Text& path) const {
    return book != nullptr && book->load(path);
}

XlSheet XlApi::bookGetSheet(XlBook book, int32_t index) const {
    return book != nullptr ? book->sheet(index) : nullptr;
}

bool XlApi::sheetWriteStr(XlSheet sheet, int32_t row, int32_t col, const Text& text,
                          XlFormat format) const {
    // A format handle that is not none cannot have come from this engine.
    if (sheet == nullptr || format != nullptr) return false;
    return sheet->writeText(row, col, text);
}

bool XlApi::bookSave(XlBook book, const Text& path) const {
    return book != nullptr && book->save(path);
}

void XlApi::bookRelease(XlBook book) const {
    delete book;
}
