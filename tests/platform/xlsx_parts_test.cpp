// The engine's building blocks: cell references, the stored form of cell texts, and the
// moving of formulas when a shared formula is split up.
#include "platform/xlsx/calc_chain.h"
#include "platform/xlsx/cell_ref.h"
#include "platform/xlsx/cell_text.h"
#include "platform/xlsx/formula_shifter.h"

#include <gtest/gtest.h>

using xlsx::CalcChain;
using xlsx::CellRef;
using xlsx::CellText;
using xlsx::FormulaShifter;

TEST(CellRefTest, NamesColumnsAsSpreadsheetsDo) {
    struct Case {
        int column;
        const char* name;
    } cases[] = {{0, "A"},    {25, "Z"},    {26, "AA"},    {29, "AD"},
                 {701, "ZZ"}, {702, "AAA"}, {16383, "XFD"}};
    for (const Case& c : cases) {
        EXPECT_EQ(CellRef::columnName(c.column), c.name);
        EXPECT_EQ(CellRef::columnIndex(c.name), c.column) << c.name;
    }
    EXPECT_EQ(CellRef::columnIndex("XFE"), -1);
    EXPECT_EQ(CellRef::columnIndex("ABCD"), -1);
}

TEST(CellRefTest, ParsesOnlyCellsInsideTheGrid) {
    struct Case {
        const char* text;
        bool valid;
        int row;
        int column;
    } cases[] = {
        {"A1", true, 0, 0},         {"$B$7", true, 6, 1},
        {"ad5000", true, 4999, 29}, {"XFD1048576", true, 1048575, 16383},
        {"XFE1", false, 0, 0},      {"A0", false, 0, 0},
        {"A1048577", false, 0, 0},  {"1A", false, 0, 0},
        {"A", false, 0, 0},         {"", false, 0, 0},
        {"A1B", false, 0, 0},       {"A-1", false, 0, 0},
    };
    for (const Case& c : cases) {
        CellRef ref;
        ASSERT_EQ(CellRef::parse(c.text, ref), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(ref, CellRef(c.row, c.column)) << c.text;
        }
    }
    EXPECT_EQ(CellRef(4999, 29).toString(), "AD5000");
}

TEST(CellTextTest, StoresWhatXmlCannotCarryAsEscapes) {
    struct Case {
        const char* text;
        const char* stored;
    } cases[] = {
        {"plain", "plain"},
        {"line1\r\nline2", "line1\nline2"},
        {"tab\there", "tab\there"},
        {"bell\x07", "bell_x0007_"},
        {"lone\rcr", "lone_x000D_cr"},
        {"_x0041_", "_x005F_x0041_"},
        {"_x41_ stays", "_x41_ stays"},
        {"姓名 한국어 Zürich", "姓名 한국어 Zürich"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string stored;
        ASSERT_TRUE(CellText::encode(c.text, stored)) << c.text;
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(CellText::decode(stored), c.text) << c.stored;
    }
}

TEST(CellTextTest, RefusesMalformedUtf8) {
    const char* cases[] = {"\xC3",     "a\xC3(",           "\xED\xA0\x80",
                           "\xC0\xAF", "\xF4\x90\x80\x80", "\xFF"};
    for (const char* text : cases) {
        std::string stored;
        EXPECT_FALSE(CellText::encode(text, stored)) << testing::PrintToString(text);
    }
}

TEST(CellTextTest, ReadsTheLineBreaksOfOtherWriters) {
    struct Case {
        const char* stored;
        const char* text;
    } cases[] = {
        {"a\nb", "a\r\nb"},      {"a\r\nb", "a\r\nb"},        {"a_x000D__x000A_b", "a\r\nb"},
        {"a_x000a_b", "a\r\nb"}, {"_xD800_", "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) EXPECT_EQ(CellText::decode(c.stored), c.text) << c.stored;
}

TEST(CellTextTest, PreservesOnlyTextsWithOuterWhiteSpace) {
    EXPECT_TRUE(CellText::needsPreserve(" lead"));
    EXPECT_TRUE(CellText::needsPreserve("trail\n"));
    EXPECT_FALSE(CellText::needsPreserve("in side"));
    EXPECT_FALSE(CellText::needsPreserve(""));
}

TEST(FormulaShifterTest, MovesRelativeReferencesOnly) {
    struct Case {
        const char* formula;
        int rows;
        int columns;
        const char* moved;
    } cases[] = {
        {"A1*2", 1, 0, "A2*2"},
        {"$A$1+A1", 2, 1, "$A$1+B3"},
        {"$A1+A$1", 1, 1, "$A2+B$1"},
        {"SUM(A1:A3)", 1, 0, "SUM(A2:A4)"},
        {"LOG10(A1)", 1, 0, "LOG10(A2)"},
        {"\"A1\"&A1", 1, 0, "\"A1\"&A2"},
        {"\"say \"\"B2\"\"\"&B2", 0, 1, "\"say \"\"B2\"\"\"&C2"},
        {"'My A1'!B2", 1, 0, "'My A1'!B3"},
        {"Sheet2!A1", 0, 1, "Sheet2!B1"},
        {"SUM(A:A)", 0, 1, "SUM(B:B)"},
        {"SUM(1:1)", 1, 0, "SUM(2:2)"},
        {"SUM($1:$1)", 1, 0, "SUM($1:$1)"},
        {"A2-1", -1, 0, "A1-1"},
        {"A1", -1, 0, "#REF!"},
        {"XFD1", 0, 1, "#REF!"},
        {"Table1[Col1]*A1", 1, 0, "Table1[Col1]*A2"},
        {"TRUE+E5*1E5", 1, 0, "TRUE+E6*1E5"},
        {"my_name1+B1", 1, 0, "my_name1+B2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormulaShifter(c.rows, c.columns).shift(c.formula), c.moved) << c.formula;
}

TEST(CalcChainTest, RemovesOneCellsEntryAndPassesOnWhatItStated) {
    // Entries without i belong to the sheet of the entry before them.
    const std::string chain =
        R"(<calcChain xmlns="m"><c r="A1" i="1" l="1"/><c r="B1"/><c r="A1" i="2"/></calcChain>)";
    struct Case {
        int sheet;
        const char* cell;
        const char* left;  // nullptr: unchanged
        bool empty;
    } cases[] = {
        {1, "A1", R"(<calcChain xmlns="m"><c r="B1" i="1" l="1"/><c r="A1" i="2"/></calcChain>)",
         false},
        {1, "B1", R"(<calcChain xmlns="m"><c r="A1" i="1" l="1"/><c r="A1" i="2"/></calcChain>)",
         false},
        {2, "A1", R"(<calcChain xmlns="m"><c r="A1" i="1" l="1"/><c r="B1"/></calcChain>)", false},
        {2, "B1", nullptr, false},
        {3, "A1", nullptr, false},
    };
    for (const Case& c : cases) {
        xlsx::XmlPart part;
        ASSERT_TRUE(part.parse(chain));
        CalcChain calc;
        calc.assign("xl/calcChain.xml", std::move(part));
        calc.remove(c.sheet, c.cell);
        EXPECT_EQ(calc.part().serialize(), c.left ? c.left : chain) << c.sheet << c.cell;
        EXPECT_EQ(calc.isChanged(), c.left != nullptr);
        EXPECT_EQ(calc.isEmpty(), c.empty);
    }
    xlsx::XmlPart part;
    ASSERT_TRUE(part.parse(chain));
    CalcChain calc;
    calc.assign("xl/calcChain.xml", std::move(part));
    for (auto [sheet, cell] : {std::pair{1, "A1"}, {1, "B1"}, {2, "A1"}}) calc.remove(sheet, cell);
    EXPECT_TRUE(calc.isEmpty());
}

TEST(XmlPartTest, RefusesDocumentTypesAndBrokenXml) {
    struct Case {
        const char* bytes;
        bool parses;
    } cases[] = {
        {"<a><b/></a>", true},
        {"<?xml version=\"1.0\"?>\n<x:a xmlns:x=\"u\"> <x:t> </x:t></x:a>", true},
        {"<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<a>&amp;<!-- note --></a>", true},
        {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", false},
        {"<a><b></a>", false},
        {"", false},
        {"just text", false},
    };
    for (const Case& c : cases) {
        xlsx::XmlPart part;
        EXPECT_EQ(part.parse(c.bytes), c.parses) << c.bytes;
        if (c.parses) {
            EXPECT_EQ(part.serialize(), c.bytes) << "written back unchanged";
        }
    }
}

TEST(XmlPartTest, WritesAPartBackInTheEncodingItDeclares) {
    auto utf16 = [](std::string_view ascii, bool bigEndian, bool mark) {
        std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    const std::string_view declared16 =
        "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\"?>\r\n<a><t>x</t></a>";
    struct Case {
        std::string bytes;
        bool parses;
        const char* name;
    } cases[] = {
        {utf16(declared16, false, true), true, "UTF-16LE with its mark"},
        {utf16(declared16, true, true), true, "UTF-16BE with its mark"},
        {utf16(declared16, false, false), true, "UTF-16LE without a mark"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a/>", true, "UTF-8 mark"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>", false, "Latin-1"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9</a>", false, "a code page"},
        {"<?xml version=\"1.0\" encoding=\"GBK\"?><a/>", false, "GBK"},
        {utf16("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", false, true), false,
         "UTF-16 bytes declared UTF-8"},
    };
    for (const Case& c : cases) {
        xlsx::XmlPart part;
        ASSERT_EQ(part.parse(c.bytes), c.parses) << c.name;
        if (!c.parses) continue;
        EXPECT_EQ(part.serialize(), c.bytes) << c.name;
        // A changed part keeps its encoding: only the written text differs.
        pugi::xml_node t = xlsx::XmlPart::child(part.root(), "t");
        if (!t) continue;
        t.text().set("张");
        xlsx::XmlPart again;
        ASSERT_TRUE(again.parse(part.serialize())) << c.name;
        EXPECT_STREQ(xlsx::XmlPart::child(again.root(), "t").text().get(), "张") << c.name;
        EXPECT_EQ(part.serialize().substr(0, 8), c.bytes.substr(0, 8)) << c.name;
    }
}
