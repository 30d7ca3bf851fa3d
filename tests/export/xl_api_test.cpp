// XlApi as the export drives it: create, load, get sheet, write, save, release, with the
// results read back by openpyxl.
#include "export/xl_api.h"
#include "support/xlsx_tool.h"

#include <gtest/gtest.h>

using nlohmann::json;

namespace {

class XlApiTest : public testing::Test {
protected:
    void SetUp() override { m_tool.make("standard", m_path); }

    // A loaded book; the test releases it.
    XlBook loaded() {
        XlBook book = m_api.createXmlBook();
        EXPECT_NE(book, nullptr);
        EXPECT_TRUE(m_api.bookLoad(book, m_path));
        return book;
    }

    XlsxTool m_tool;
    XlApi m_api;
    std::string m_path = m_tool.path("身份证.xlsx");
};

TEST_F(XlApiTest, WritesTheCellsTheExportAddresses) {
    // Sheet, row and column as the export passes them: its 1-based address minus one.
    struct Case {
        int32_t sheet, row, col;
        Text text;
        const char* cell;
        const char* expected;
    } cases[] = {
        {0, 1, 2, "110101199001011234", "C2", "110101199001011234"},  // held a formula
        {0, 0, 0, "姓名：张三", "A1", "姓名：张三"},
        {1, 4, 3, "北京市\r\n朝阳区", "D5", "北京市\n朝阳区"},
        {2, 0, 0, "", "A1", ""},
    };
    XlBook book = loaded();
    for (const Case& c : cases) {
        XlSheet sheet = m_api.bookGetSheet(book, c.sheet);
        ASSERT_NE(sheet, nullptr) << c.sheet;
        EXPECT_TRUE(m_api.sheetWriteStr(sheet, c.row, c.col, c.text)) << c.cell;
    }
    EXPECT_TRUE(m_api.bookSave(book, m_path));
    m_api.bookRelease(book);
    json sheets = m_tool.dump(m_path)["sheets"];
    for (const Case& c : cases) {
        const json& cell = sheets[c.sheet]["cells"][c.cell];
        EXPECT_EQ(cell["value"], c.expected) << c.cell;
        EXPECT_EQ(cell["type"], "s") << c.cell;
    }
    EXPECT_TRUE(sheets[0]["cells"]["A1"]["bold"].get<bool>());
    EXPECT_EQ(sheets[1]["cells"]["A4"]["value"], "=SUM(A1:A3)");
}

TEST_F(XlApiTest, LoadIsTrueOnlyForAReadableWorkbook) {
    m_tool.make("notzip", m_tool.path("broken.xlsx"));
    struct Case {
        std::string path;
        bool loads;
    } cases[] = {{m_path, true},
                 {m_tool.path("broken.xlsx"), false},
                 {m_tool.path("missing.xlsx"), false},
                 {"", false}};
    for (const Case& c : cases) {
        XlBook book = m_api.createXmlBook();
        EXPECT_EQ(m_api.bookLoad(book, c.path), c.loads) << c.path;
        EXPECT_EQ(m_api.bookGetSheet(book, 0) != nullptr, c.loads) << c.path;
        m_api.bookRelease(book);
    }
    EXPECT_FALSE(m_api.bookLoad(nullptr, m_path));
}

TEST_F(XlApiTest, GetSheetGivesNoSheetPastEitherEnd) {
    XlBook book = loaded();
    struct Case {
        int32_t index;
        const char* name;  // nullptr: no sheet
    } cases[] = {{0, "Personen"}, {1, "Daten"}, {2, "Leer"}, {3, nullptr}, {-1, nullptr}};
    for (const Case& c : cases) {
        XlSheet sheet = m_api.bookGetSheet(book, c.index);
        if (c.name == nullptr) {
            EXPECT_EQ(sheet, nullptr) << c.index;
        } else {
            ASSERT_NE(sheet, nullptr) << c.index;
            EXPECT_EQ(sheet->name(), c.name);
        }
    }
    EXPECT_EQ(m_api.bookGetSheet(nullptr, 0), nullptr);
    m_api.bookRelease(book);
}

TEST_F(XlApiTest, WriteIsFalseWhereNothingCanBeWritten) {
    XlBook book = loaded();
    XlSheet sheet = m_api.bookGetSheet(book, 0);
    int anything = 0;
    XlFormat foreign = reinterpret_cast<XlFormat>(&anything);
    struct Case {
        XlSheet sheet;
        int32_t row, col;
        XlFormat format;
        bool written;
    } cases[] = {
        {sheet, 0, 0, nullptr, true},      {nullptr, 0, 0, nullptr, false},
        {sheet, 0, 0, foreign, false},     {sheet, -1, 0, nullptr, false},
        {sheet, 0, -1, nullptr, false},    {sheet, 1048576, 0, nullptr, false},
        {sheet, 0, 16384, nullptr, false}, {sheet, 1048575, 16383, nullptr, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_api.sheetWriteStr(c.sheet, c.row, c.col, "x", c.format), c.written)
            << c.row << "," << c.col;
    m_api.bookRelease(book);
}

TEST_F(XlApiTest, SaveIsFalseWhenTheFileCannotBeWritten) {
    std::string original = XlsxTool::readFile(m_path);
    XlBook book = loaded();
    ASSERT_TRUE(m_api.sheetWriteStr(m_api.bookGetSheet(book, 0), 0, 0, "changed"));
    XlBook empty = m_api.createXmlBook();
    struct Case {
        XlBook book;
        std::string path;
        bool saved;
    } cases[] = {
        {book, m_tool.path("没有/身份证.xlsx"), false}, {book, m_tool.folder(), false},
        {nullptr, m_tool.path("copy.xlsx"), false},     {empty, m_tool.path("copy.xlsx"), false},
        {book, m_tool.path("copy.xlsx"), true},
    };
    for (const Case& c : cases) EXPECT_EQ(m_api.bookSave(c.book, c.path), c.saved) << c.path;
    EXPECT_EQ(XlsxTool::readFile(m_path), original);
    EXPECT_EQ(m_tool.dump(m_tool.path("copy.xlsx"))["sheets"][0]["cells"]["A1"]["value"],
              "changed");
    m_api.bookRelease(book);
    m_api.bookRelease(empty);
    m_api.bookRelease(nullptr);
}

TEST_F(XlApiTest, ACopyOfTheBindingWorksOnTheSameBooks) {
    XlBook book = m_api.createXmlBook();
    XlApi copy = m_api;
    ASSERT_TRUE(copy.bookLoad(book, m_path));
    EXPECT_TRUE(m_api.sheetWriteStr(copy.bookGetSheet(book, 1), 0, 1, "from the copy"));
    EXPECT_TRUE(copy.bookSave(book, m_path));
    copy.bookRelease(book);
    EXPECT_EQ(m_tool.dump(m_path)["sheets"][1]["cells"]["B1"]["value"], "from the copy");
}

}  // namespace
