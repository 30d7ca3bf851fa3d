// Loads a workbook as the export does, writes a cell, saves, and loads the result again:
// the cell reads back. The input is either a whole file, or (first byte odd) the XML of
// the workbook, first sheet and shared strings, packed here so the XML parsers see
// well-formed archives rather than checksum errors.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/spreadsheet.h"

namespace {

const char kTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
    "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override "
    "PartName=\"/xl/workbook.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/><Override "
    "PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/><Override "
    "PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/></Types>";
const char kRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
    "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
const char kBookRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
    "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/></Relationships>";

// The data must live until zip_close, which reads it.
void add(zip_t* archive, const char* name, std::string_view data) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (source != nullptr && zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
    }
}

bool pack(FuzzedDataProvider& input, const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) return false;
    add(archive, "[Content_Types].xml", kTypes);
    add(archive, "_rels/.rels", kRels);
    add(archive, "xl/_rels/workbook.xml.rels", kBookRels);
    const std::string book = input.ConsumeRandomLengthString(2000),
                      sheet = input.ConsumeRandomLengthString(4000),
                      strings = input.ConsumeRemainingBytesAsString();
    add(archive, "xl/workbook.xml", book);
    add(archive, "xl/worksheets/sheet1.xml", sheet);
    add(archive, "xl/sharedStrings.xml", strings);
    return zip_close(archive) == 0;
}

std::string folder() {
    static const std::string name = [] {
        char pattern[] = "/tmp/ozmira-fuzz-xlsx-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string in = folder() + "/in.xlsx", out = folder() + "/out.xlsx";
    if (data[0] & 1) {
        FuzzedDataProvider input(data + 1, size - 1);
        if (!pack(input, in)) return 0;
    } else {
        std::ofstream(in, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    auto book = spreadsheet::createXlsxWorkbook();
    if (!book->load(in)) return 0;
    for (int s = 0; s < book->sheetCount(); ++s) {
        spreadsheet::Sheet* sheet = book->sheet(s);
        sheet->name();
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) sheet->text(r, c);
        }
    }
    spreadsheet::Sheet* first = book->sheet(0);
    const std::string text = "写入 <&> \"x\"\r\nline";
    if (first == nullptr || !first->writeText(2, 1, text)) return 0;
    if (!book->save(out)) return 0;
    auto again = spreadsheet::createXlsxWorkbook();
    if (!again->load(out) || again->sheet(0) == nullptr || again->sheet(0)->text(2, 1) != text) {
        std::fprintf(stderr, "the written cell does not read back from the saved workbook\n");
        std::abort();
    }
    return 0;
}
