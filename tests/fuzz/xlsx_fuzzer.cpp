// Loads a workbook as the export does, writes a cell, saves, and loads the result again:
// the cell reads back, and every part of the archive that the write has no reason to touch
// is byte for byte what it was. The input is either a whole file, or (first byte odd) the
// XML of the workbook, first sheet and shared strings, packed here so the XML parsers see
// well-formed archives rather than checksum errors.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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

// Every entry's uncompressed bytes by name (the first entry of a name); false when the
// archive cannot be read.
bool entries(const std::string& path, std::map<std::string, std::string>& out) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return false;
    bool ok = true;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t stat;
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &stat) != 0 || stat.name == nullptr ||
            out.count(stat.name))
            continue;
        zip_file_t* file = zip_fopen_index(archive, index, 0);
        if (file == nullptr) {
            ok = false;
            break;
        }
        std::string bytes;
        char buffer[4096];
        zip_int64_t n;
        while ((n = zip_fread(file, buffer, sizeof buffer)) > 0 && bytes.size() < (64u << 20))
            bytes.append(buffer, static_cast<size_t>(n));
        ok = n >= 0;
        zip_fclose(file);
        out[stat.name] = std::move(bytes);
    }
    zip_discard(archive);
    return ok;
}

bool endsWith(const std::string& name, std::string_view end) {
    return name.size() >= end.size() &&
           name.compare(name.size() - end.size(), end.size(), end) == 0;
}

// What a write into the first sheet may change besides the sheet itself: the content types,
// the workbook and its relationships (a recalculation flag, a dropped calculation chain) and
// the calculation chain, which may also go.
bool bookkeeping(const std::string& name) {
    return name == "[Content_Types].xml" || endsWith(name, "calcChain.xml") ||
           endsWith(name, "workbook.xml") || endsWith(name, "workbook.xml.rels");
}

// The parts of the saved file against those of the loaded one. In a packed archive the
// sheet's name is known; in a whole file one part besides the bookkeeping may change.
void checkUntouched(const std::string& in, const std::string& out, bool packed) {
    std::map<std::string, std::string> before, after;
    if (!entries(in, before)) return;  // the engine read more than libzip does: nothing to compare
    if (!entries(out, after)) {
        std::fprintf(stderr, "the saved workbook is not a readable archive\n");
        std::abort();
    }
    std::string changed;
    for (const auto& [name, bytes] : before) {
        const auto it = after.find(name);
        if (it == after.end()) {
            if (endsWith(name, "calcChain.xml")) continue;
            std::fprintf(stderr, "the save dropped the part \"%s\"\n", name.c_str());
            std::abort();
        }
        if (it->second == bytes || bookkeeping(name)) continue;
        if ((packed && name != "xl/worksheets/sheet1.xml") || (!packed && !changed.empty())) {
            std::fprintf(stderr, "the save changed the untouched part \"%s\" (besides \"%s\")\n",
                         name.c_str(), changed.c_str());
            std::abort();
        }
        changed = name;
    }
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
    const bool packed = data[0] & 1;
    if (packed) {
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
    checkUntouched(in, out, packed);
    return 0;
}
