// The .xlsx engine against workbooks that openpyxl writes, read back by openpyxl: what
// was written shows where it belongs, and everything else stays as it was.
#include "platform/spreadsheet.h"
#include "platform/xlsx/zip_package.h"
#include "support/xlsx_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using nlohmann::json;

namespace {

struct Write {
    int sheet;
    int row;
    int column;
    std::string text;
    const char* cell;      // where openpyxl must find it
    const char* expected;  // what openpyxl must read there
};

class XlsxEngineTest : public testing::Test {
protected:
    std::unique_ptr<spreadsheet::Workbook> load(const std::string& path) {
        auto book = spreadsheet::createXlsxWorkbook();
        EXPECT_TRUE(book->load(path)) << path;
        return book;
    }

    void write(spreadsheet::Workbook& book, const std::vector<Write>& writes) {
        for (const Write& w : writes) {
            spreadsheet::Sheet* sheet = book.sheet(w.sheet);
            ASSERT_NE(sheet, nullptr);
            EXPECT_TRUE(sheet->writeText(w.row, w.column, w.text)) << w.cell;
        }
    }

    // Every cell that was not written reads as before; the written ones read their text
    // and keep their style.
    static void expectOnlyWritesChanged(const json& before, const json& after,
                                        const std::vector<Write>& writes) {
        ASSERT_EQ(after["sheets"].size(), before["sheets"].size());
        for (size_t s = 0; s < before["sheets"].size(); ++s) {
            json expected = before["sheets"][s];
            const json& actual = after["sheets"][s];
            for (const Write& w : writes) {
                if (w.sheet != static_cast<int>(s)) continue;
                json cell = expected["cells"].value(w.cell, json{{"bold", false},
                                                                 {"italic", false},
                                                                 {"fill", nullptr},
                                                                 {"number_format", "General"}});
                cell["value"] = w.expected;
                cell["type"] = "s";
                expected["cells"][w.cell] = cell;
            }
            EXPECT_EQ(actual["title"], expected["title"]);
            EXPECT_EQ(actual["cells"], expected["cells"]) << actual["title"];
            EXPECT_EQ(actual["merged"], expected["merged"]);
            EXPECT_EQ(actual["widths"], expected["widths"]);
            EXPECT_TRUE(actual["ordered"].get<bool>()) << actual["title"];
        }
    }

    // Parts not in `touched` are the same bytes, and were copied without recompressing.
    static void expectUntouchedParts(const json& before, const json& after,
                                     const std::set<std::string>& touched) {
        for (const auto& [name, part] : before["parts"].items()) {
            if (touched.count(name)) continue;
            ASSERT_TRUE(after["parts"].contains(name)) << name;
            EXPECT_EQ(after["parts"][name]["sha256"], part["sha256"]) << name;
            EXPECT_EQ(after["parts"][name]["compress_size"], part["compress_size"]) << name;
        }
    }

    // The stored bytes of one part, as a reader of the archive gets them.
    static std::string partBytes(const std::string& path, const std::string& name) {
        xlsx::ZipPackage package;
        std::string bytes;
        EXPECT_TRUE(package.open(path) && package.read(name, bytes)) << name;
        return bytes;
    }

    XlsxTool m_tool;
};

TEST_F(XlsxEngineTest, ReadsSheetsInTabOrderWithSharedAndInlineStrings) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    auto book = load(path);
    ASSERT_EQ(book->sheetCount(), 3);
    const char* names[] = {"Personen", "Daten", "Leer"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(book->sheet(i)->name(), names[i]);
    struct Case {
        int sheet, row, column;
        const char* text;
    } cases[] = {
        {0, 0, 0, "姓名"}, {0, 1, 0, "张三"}, {0, 2, 0, "  padded  "},
        {0, 1, 1, "30"},   {1, 1, 1, "text"}, {1, 0, 0, "10"},
        {0, 0, 2, ""},     {2, 0, 0, ""},     {0, 4999, 29, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(book->sheet(c.sheet)->text(c.row, c.column), c.text)
            << c.sheet << c.row << c.column;
    EXPECT_TRUE(book->sheet(0)->hasFormula(1, 2));
    EXPECT_FALSE(book->sheet(0)->hasFormula(1, 1));
}

TEST_F(XlsxEngineTest, SheetIndexOutsideTheWorkbookGivesNoSheet) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    auto book = load(path);
    struct Case {
        int index;
        bool exists;
    } cases[] = {{-1, false}, {0, true}, {2, true}, {3, false}, {1000, false}};
    for (const Case& c : cases) EXPECT_EQ(book->sheet(c.index) != nullptr, c.exists) << c.index;
    EXPECT_EQ(spreadsheet::createXlsxWorkbook()->sheet(0), nullptr);
}

TEST_F(XlsxEngineTest, WritesCellsAndKeepsEverythingElse) {
    std::string path = m_tool.path("book.xlsx"), saved = m_tool.path("saved.xlsx");
    m_tool.make("standard", path);
    json before = m_tool.dump(path);
    std::vector<Write> writes = {
        {0, 0, 0, "Name", "A1", "Name"},                          // shared string, bold and filled
        {0, 2, 2, "replaced", "C3", "replaced"},                  // italic red
        {0, 1, 1, "dreißig", "B2", "dreißig"},                    // number with a number format
        {0, 2, 1, "between", "B3", "between"},                    // new cell inside a row
        {0, 3, 0, " lead and trail ", "A4", " lead and trail "},  // new row after the last
        {0, 4999, 29, "far 한국어", "AD5000", "far 한국어"},      // beyond the used range
        {1, 1, 1, "line1\r\nline2", "B2", "line1\nline2"},        // inline string sheet
        {1, 0, 2, "C1 text", "C1", "C1 text"},
        {2, 0, 0, "first", "A1", "first"},  // a sheet without rows
        {2, 9, 3, "", "D10", ""},           // the empty text
    };
    auto book = load(path);
    write(*book, writes);
    EXPECT_EQ(book->sheet(1)->text(1, 1), "line1\r\nline2");
    ASSERT_TRUE(book->save(saved));
    json after = m_tool.dump(saved);
    expectOnlyWritesChanged(before, after, writes);
    expectUntouchedParts(
        before, after,
        {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/worksheets/sheet3.xml"});
    EXPECT_EQ(after["sheets"][0]["dimension"], "A1:AD5000");
    EXPECT_EQ(after["calc_chain"], before["calc_chain"]);
    // The source file itself is untouched by a save elsewhere.
    EXPECT_EQ(m_tool.dump(path)["parts"], before["parts"]);
}

TEST_F(XlsxEngineTest, WritesTheFilesOfOtherWritersAlike) {
    // Rows and cells without references, and elements with a namespace prefix.
    std::vector<Write> writes = {
        {0, 1, 29, "wide", "AD2", "wide"},     {0, 1, 5, "in row 2", "F2", "in row 2"},
        {0, 6, 1, "new row", "B7", "new row"}, {1, 1, 2, "between", "C2", "between"},
        {1, 1, 0, "over 20", "A2", "over 20"}, {1, 5, 0, "row 6", "A6", "row 6"},
        {1, 2, 1, "B3", "B3", "B3"},
    };
    for (const char* kind : {"standard", "norefs", "prefixed"}) {
        SCOPED_TRACE(kind);
        std::string path = m_tool.path(std::string(kind) + ".xlsx");
        m_tool.make(kind, path);
        json before = m_tool.dump(path);
        auto book = load(path);
        write(*book, writes);
        ASSERT_TRUE(book->save(path));
        json after = m_tool.dump(path);
        expectOnlyWritesChanged(before, after, writes);
        // The spans hint of a row grows with it; a new row has none.
        EXPECT_EQ(after["sheets"][0]["spans"], json::parse(R"({"1":"1:5","2":"1:30","3":"1:5"})"));
    }
}

TEST_F(XlsxEngineTest, ANewCellTakesTheFormatOfItsRowOrColumn) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    struct Case {
        int row, column;
        const char* cell;
        bool bold, italic;
    } cases[] = {
        {1, 1, "B2", true, false},   // column B is bold
        {2, 4, "E3", false, true},   // row 3 is italic
        {2, 1, "B3", false, true},   // the row's format comes first
        {0, 0, "A1", false, false},  // neither
    };
    auto book = load(path);
    for (const Case& c : cases) ASSERT_TRUE(book->sheet(2)->writeText(c.row, c.column, c.cell));
    ASSERT_TRUE(book->save(path));
    json cells = m_tool.dump(path)["sheets"][2]["cells"];
    for (const Case& c : cases) {
        EXPECT_EQ(cells[c.cell]["value"], c.cell);
        EXPECT_EQ(cells[c.cell]["bold"], c.bold) << c.cell;
        EXPECT_EQ(cells[c.cell]["italic"], c.italic) << c.cell;
    }
}

TEST_F(XlsxEngineTest, OverwritingAFormulaTakesItOutOfTheCalculationChain) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    json before = m_tool.dump(path);
    ASSERT_EQ(before["calc_chain"], json::parse(R"([["1","C2"],["2","B1"],["2","A4"]])"));
    struct Case {
        std::vector<Write> writes;
        json chain;  // null: the part is gone with its relationship and content type
    } cases[] = {
        {{{0, 1, 2, "was B2*2", "C2", "was B2*2"}}, json::parse(R"([["2","B1"],["2","A4"]])")},
        {{{1, 3, 0, "no sum", "A4", "no sum"}}, json::parse(R"([["1","C2"],["2","B1"]])")},
        {{{0, 1, 2, "x", "C2", "x"}, {1, 0, 1, "y", "B1", "y"}, {1, 3, 0, "z", "A4", "z"}},
         nullptr},
    };
    for (const Case& c : cases) {
        auto book = load(path);
        write(*book, c.writes);
        for (const Write& w : c.writes)
            EXPECT_FALSE(book->sheet(w.sheet)->hasFormula(w.row, w.column));
        ASSERT_TRUE(book->save(m_tool.path("out.xlsx")));
        json after = m_tool.dump(m_tool.path("out.xlsx"));
        expectOnlyWritesChanged(before, after, c.writes);
        EXPECT_EQ(after["calc_chain"], c.chain);
        bool chainListed =
            after["overrides"].dump().find("calcChain") != std::string::npos ||
            after["workbook_rel_targets"].dump().find("calcChain") != std::string::npos;
        EXPECT_EQ(chainListed, !c.chain.is_null());
        EXPECT_TRUE(after["full_calc_on_load"].get<bool>());
    }
}

TEST_F(XlsxEngineTest, OverwritingASharedFormulaKeepsTheOtherCellsFormulas) {
    std::string path = m_tool.path("shared.xlsx");
    m_tool.make("shared", path);
    json before = m_tool.dump(path);
    ASSERT_EQ(before["sheets"][0]["cells"]["C3"]["value"], "=A3*2");
    std::vector<Write> writes = {{0, 0, 2, "master gone", "C1", "master gone"}};
    auto book = load(path);
    write(*book, writes);
    ASSERT_TRUE(book->save(path));
    expectOnlyWritesChanged(before, m_tool.dump(path), writes);
}

TEST_F(XlsxEngineTest, WritesIntoASheetOfThousandsOfRows) {
    std::string path = m_tool.path("big.xlsx");
    m_tool.make("big", path, "3000");
    json before = m_tool.dump(path);
    std::vector<Write> writes = {
        {0, 2999, 1, "last", "B3000", "last"}, {0, 0, 3, "top right", "D1", "top right"},
        {0, 1499, 2, "mid", "C1500", "mid"},   {0, 3999, 0, "beyond", "A4000", "beyond"},
        {0, 3500, 5, "gap", "F3501", "gap"},   {0, 1, 0, "second", "A2", "second"},
    };
    auto book = load(path);
    write(*book, writes);
    EXPECT_EQ(book->sheet(0)->text(2499, 1), "r2500");
    ASSERT_TRUE(book->save(path));
    json after = m_tool.dump(path);
    expectOnlyWritesChanged(before, after, writes);
    EXPECT_EQ(after["sheets"][0]["dimension"], "A1:F4000");
}

TEST_F(XlsxEngineTest, RefusesHostileAndBrokenFiles) {
    const char* kinds[] = {"notzip", "bomb", "liar", "badxml", "noworkbook", "entities"};
    for (const char* kind : kinds) {
        std::string path = m_tool.path(std::string(kind) + ".xlsx");
        m_tool.make(kind, path);
        auto book = spreadsheet::createXlsxWorkbook();
        EXPECT_FALSE(book->load(path)) << kind;
        EXPECT_EQ(book->sheetCount(), 0) << kind;
        EXPECT_FALSE(book->save(m_tool.path("out.xlsx"))) << kind;
    }
    std::ofstream(m_tool.path("empty.xlsx")).flush();
    for (std::string path :
         {m_tool.path("missing.xlsx"), m_tool.path("empty.xlsx"), m_tool.folder()})
        EXPECT_FALSE(spreadsheet::createXlsxWorkbook()->load(path)) << path;
    EXPECT_FALSE(std::filesystem::exists(m_tool.path("out.xlsx")));
}

TEST_F(XlsxEngineTest, ALoadReplacesWhatTheWorkbookHeld) {
    std::string first = m_tool.path("a.xlsx"), second = m_tool.path("b.xlsx");
    m_tool.make("standard", first);
    m_tool.make("notzip", second);
    auto book = load(first);
    EXPECT_FALSE(book->load(second));
    EXPECT_EQ(book->sheetCount(), 0);
    EXPECT_FALSE(book->save(m_tool.path("out.xlsx")));
    m_tool.make("big", second, "3");
    ASSERT_TRUE(book->load(second));
    EXPECT_EQ(book->sheetCount(), 1);
    EXPECT_EQ(book->sheet(0)->name(), "Gross");
}

TEST_F(XlsxEngineTest, RefusesCellsOutsideTheGridAndMalformedTexts) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    json before = m_tool.dump(path);
    auto book = load(path);
    struct Case {
        int row, column;
        std::string text;
    } cases[] = {{-1, 0, "x"},    {0, -1, "x"},   {1048576, 0, "x"},
                 {0, 16384, "x"}, {0, 0, "\xC3"}, {0, 0, std::string("a\xFF", 2)}};
    for (const Case& c : cases)
        EXPECT_FALSE(book->sheet(0)->writeText(c.row, c.column, c.text))
            << c.row << "," << c.column;
    EXPECT_TRUE(book->sheet(0)->writeText(1048575, 16383, "corner"));
    EXPECT_EQ(book->sheet(0)->text(0, 0), "姓名");
    ASSERT_TRUE(book->save(path));
    std::vector<Write> corner = {{0, 1048575, 16383, "corner", "XFD1048576", "corner"}};
    expectOnlyWritesChanged(before, m_tool.dump(path), corner);
}

TEST_F(XlsxEngineTest, AFailedSaveLeavesTheTargetWhole) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    std::string original = XlsxTool::readFile(path);
    auto book = load(path);
    ASSERT_TRUE(book->sheet(0)->writeText(0, 0, "changed"));
    struct Case {
        std::string target;
    } cases[] = {{m_tool.path("no such folder/book.xlsx")}, {m_tool.folder()}, {""}};
    for (const Case& c : cases) EXPECT_FALSE(book->save(c.target)) << c.target;
    EXPECT_EQ(XlsxTool::readFile(path), original);
    // The workbook is still whole and saves in place; no temporary file stays behind.
    ASSERT_TRUE(book->save(path));
    EXPECT_EQ(m_tool.dump(path)["sheets"][0]["cells"]["A1"]["value"], "changed");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_tool.folder())) {
        EXPECT_EQ(entry.path().filename(), "book.xlsx");
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(XlsxEngineTest, SavesAgainAfterASave) {
    std::string path = m_tool.path("book.xlsx");
    m_tool.make("standard", path);
    json before = m_tool.dump(path);
    auto book = load(path);
    std::vector<Write> writes = {{0, 0, 1, "one", "B1", "one"}, {1, 1, 1, "two", "B2", "two"}};
    write(*book, {writes[0]});
    ASSERT_TRUE(book->save(path));
    json middle = m_tool.dump(path);
    write(*book, {writes[1]});
    ASSERT_TRUE(book->save(path));
    json after = m_tool.dump(path);
    expectOnlyWritesChanged(before, after, writes);
    // The second save replaced only the sheet it changed.
    expectUntouchedParts(middle, after, {"xl/worksheets/sheet2.xml"});
    EXPECT_FALSE(spreadsheet::createXlsxWorkbook()->save(m_tool.path("never.xlsx")));
}

TEST_F(XlsxEngineTest, AUtf16SheetIsWrittenBackAsUtf16) {
    const std::string path = m_tool.path("utf16.xlsx");
    m_tool.make("utf16", path);
    const json before = m_tool.dump(path);
    const std::vector<Write> writes = {{0, 1, 2, "王五", "C2", "王五"}};
    auto book = load(path);
    write(*book, writes);
    ASSERT_TRUE(book->save(path));
    const json after = m_tool.dump(path);
    expectOnlyWritesChanged(before, after, writes);
    const std::string sheet = partBytes(path, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.substr(0, 6), std::string("\xFF\xFE<\0?\0", 6));
}

}  // namespace
