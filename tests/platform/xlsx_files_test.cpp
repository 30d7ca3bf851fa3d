// A saved workbook replaces the user's file only where that is safe: never a read-only
// workbook or one an office suite holds open; through a link, the file the link names.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/spreadsheet.h"
#include "support/xlsx_tool.h"

namespace {

namespace fs = std::filesystem;

TEST(XlsxFiles, SavingReplacesTheWorkbookOnlyWhereItMay) {
    struct Case {
        const char* name;
        bool link;      // the profile names a link to the workbook
        bool readOnly;  // chmod 0444
        bool lockFile;  // ".~lock.book.xlsx#" beside the workbook
        bool saved;
    };
    const Case cases[] = {
        {"plain workbook", false, false, false, true},
        {"through a link", true, false, false, true},
        {"read-only workbook", false, true, false, false},
        {"held open by LibreOffice", false, false, true, false},
        {"through a link to a read-only workbook", true, true, false, false},
    };
    for (const Case& c : cases) {
        XlsxTool tool;
        const std::string book = tool.path("book.xlsx"), link = tool.path("link.xlsx");
        tool.make("standard", book);
        if (c.link) fs::create_symlink(book, link);
        if (c.lockFile) fs::copy_file(book, tool.path(".~lock.book.xlsx#"));
        if (c.readOnly) {
            fs::permissions(book,
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        const std::string before = XlsxTool::readFile(book);
        auto workbook = spreadsheet::createXlsxWorkbook();
        const std::string opened = c.link ? link : book;
        ASSERT_TRUE(workbook->load(opened)) << c.name;
        ASSERT_TRUE(workbook->sheet(0)->writeText(0, 0, "new")) << c.name;
        EXPECT_EQ(workbook->save(opened), c.saved) << c.name;
        EXPECT_EQ(XlsxTool::readFile(book) != before, c.saved) << c.name;
        if (c.link) {
            EXPECT_TRUE(fs::is_symlink(link)) << c.name;
        }
        if (c.saved) {
            EXPECT_EQ(tool.dump(book)["sheets"][0]["cells"]["A1"]["value"], "new") << c.name;
        }
    }
}

}  // namespace
