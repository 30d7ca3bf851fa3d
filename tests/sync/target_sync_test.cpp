#include "sync/target_sync.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/control_names.h"
#include "support/fake_form.h"
#include "support/fake_windows.h"

namespace {

using Search = FakeWindows::Search;
using Sent = FakeWindows::Sent;

// Window handles in the fake follow list order.
constexpr platform::TargetHandle kOtherForm1 = 1, kEditForm1 = 2, kAppFrameMain = 3,
                                 kAppFrameSecond = 4, kA = 5, kC = 6;

class TargetSyncTest : public ::testing::Test {
protected:
    FakeForm form;
    FakeWindows windows;
    TargetSync sync{windows, form};

    void SetUp() override {
        windows.windows = {
            {"Other", "Form1", {{15, "o15"}}},
            {"Edit", "Form1", {{1001, "e1001"}, {1002, "e1002"}}},
            {"AppFrame", "Main", {{15, "m15"}}},
            {"AppFrame", "Second", {{15, "s15"}}},
            {"A", "B", {{1001, "a1001"}}},
            {"C", "D", {{1002, "c1002"}}},
        };
    }
};

struct DeliveryCase {
    const char* settings;
    std::vector<Search> searches;
    std::vector<platform::TargetHandle> sentTo;  // 0: the path found nothing
};

TEST_F(TargetSyncTest, DeliversToEveryPathOfTheSettingsInOrder) {
    const DeliveryCase cases[] = {
        {"", {}, {}},
        {"Edit|Form1|1001", {{"Edit", "Form1"}}, {FakeWindows::control(kEditForm1, 1001)}},
        // The empty piece after the last "|" is dropped, so three fields remain.
        {"Edit|Form1|1001|", {{"Edit", "Form1"}}, {FakeWindows::control(kEditForm1, 1001)}},
        {"Edit|Form1|", {}, {}},
        {"Edit|Form1", {}, {}},
        {"Edit|Form1|1001|x", {}, {}},
        // Three fields again ("Edit", "Form1", ""); the empty id reads as 0.
        {"Edit|Form1||", {{"Edit", "Form1"}}, {0}},
        {"|", {}, {}},
        // Empty class or title: any.
        {"AppFrame||15", {{"AppFrame", ""}}, {FakeWindows::control(kAppFrameMain, 15)}},
        {"|Form1|15", {{"", "Form1"}}, {FakeWindows::control(kOtherForm1, 15)}},
        {"||15", {{"", ""}}, {FakeWindows::control(kOtherForm1, 15)}},
        {"AppFrame|Second|15",
         {{"AppFrame", "Second"}},
         {FakeWindows::control(kAppFrameSecond, 15)}},
        {"A|B|1001+C|D|1002",
         {{"A", "B"}, {"C", "D"}},
         {FakeWindows::control(kA, 1001), FakeWindows::control(kC, 1002)}},
        // Ids: full-width digits count, reading stops at the first other character.
        {"Edit|Form1|１００１", {{"Edit", "Form1"}}, {FakeWindows::control(kEditForm1, 1001)}},
        {"Edit|Form1|1002 ", {{"Edit", "Form1"}}, {FakeWindows::control(kEditForm1, 1002)}},
        {"Edit|Form1|0x3E9", {{"Edit", "Form1"}}, {0}},
        {"Edit|Form1|id", {{"Edit", "Form1"}}, {0}},
        // Spaces and line breaks belong to the fields.
        {"Edit| Form1|1001", {{"Edit", " Form1"}}, {0}},
        {"Edit|Form1|1001\r\n+A|B|1001",
         {{"Edit", "Form1"}, {"A", "B"}},
         {FakeWindows::control(kEditForm1, 1001), FakeWindows::control(kA, 1001)}},
        {"Edit|Form1|1001+\r\nA|B|1001",
         {{"Edit", "Form1"}, {"\r\nA", "B"}},
         {FakeWindows::control(kEditForm1, 1001), 0}},
        // Empty and malformed paths are skipped, the others still served.
        {"+Edit|Form1|1001++A|B|1001+",
         {{"Edit", "Form1"}, {"A", "B"}},
         {FakeWindows::control(kEditForm1, 1001), FakeWindows::control(kA, 1001)}},
        {"Nope|Form1|15+Edit|Form1+C|D|1002",
         {{"Nope", "Form1"}, {"C", "D"}},
         {0, FakeWindows::control(kC, 1002)}},
        {"Edit|Form1|1003+A|B|1001",
         {{"Edit", "Form1"}, {"A", "B"}},
         {0, FakeWindows::control(kA, 1001)}},
    };
    for (const DeliveryCase& c : cases) {
        SCOPED_TRACE(c.settings);
        windows.searches.clear();
        windows.sent.clear();
        form.setText(ctl::编辑框_同步设置, c.settings);
        sync.deliver("识别结果\r\n第二行");
        EXPECT_EQ(windows.searches, c.searches);
        std::vector<Sent> sent;
        for (platform::TargetHandle h : c.sentTo) sent.push_back({h, "识别结果\r\n第二行"});
        EXPECT_EQ(windows.sent, sent);
    }
}

TEST_F(TargetSyncTest, ReplacesTheTargetsTextAndLeavesTheOthers) {
    form.setText(ctl::编辑框_同步设置, "A|B|1001+Edit|Form1|1002");
    sync.deliver("x");
    EXPECT_EQ(windows.windows[kA - 1].controls[1001], "x");
    EXPECT_EQ(windows.windows[kEditForm1 - 1].controls[1002], "x");
    EXPECT_EQ(windows.windows[kEditForm1 - 1].controls[1001], "e1001");
    // A recognition without words empties every target.
    sync.deliver("");
    EXPECT_EQ(windows.windows[kA - 1].controls[1001], "");
    EXPECT_EQ(windows.windows[kEditForm1 - 1].controls[1002], "");
}

TEST_F(TargetSyncTest, ReadsTheSettingsAtEachDelivery) {
    form.setText(ctl::编辑框_同步设置, "A|B|1001");
    sync.deliver("one");
    form.setText(ctl::编辑框_同步设置, "C|D|1002");
    sync.deliver("two");
    form.setText(ctl::编辑框_同步设置, "");
    sync.deliver("three");
    EXPECT_EQ(windows.sent, (std::vector<Sent>{{FakeWindows::control(kA, 1001), "one"},
                                               {FakeWindows::control(kC, 1002), "two"}}));
}

TEST_F(TargetSyncTest, ReadsTheSettingsThroughAFunction) {
    Text settings = "C|D|1002";
    TargetSync direct(windows, [&settings] { return settings; });
    direct.deliver("t");
    settings = "";
    direct.deliver("u");
    EXPECT_EQ(windows.sent, (std::vector<Sent>{{FakeWindows::control(kC, 1002), "t"}}));
}

TEST_F(TargetSyncTest, FindControlNeedsTheWindow) {
    const struct {
        const char *className, *title;
        int id;
        platform::TargetHandle expected;
    } cases[] = {
        {"Edit", "Form1", 1002, FakeWindows::control(kEditForm1, 1002)},
        {"Edit", "", 1001, FakeWindows::control(kEditForm1, 1001)},
        {"Edit", "Form1", 15, 0},  // the first Form1 of class Edit lacks it
        {"Missing", "", 1001, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_EQ(sync.findControl(c.className, c.title, c.id), c.expected);
    }
}

struct ListingCase {
    FakeWindows::Window window;
    std::vector<std::string> lines;
};

TEST_F(TargetSyncTest, ListsEveryWindowAndItsFields) {
    const std::string forty(40, 'x');
    const std::string chinese40 = [] {
        std::string s;
        for (int i = 0; i < 40; ++i) s += "字";
        return s;
    }();
    const ListingCase cases[] = {
        {{"SyncTarget", "Form1", {{1, "Alpha"}, {2, ""}}},
         {"window SyncTarget|Form1 (2 editable fields)", "SyncTarget|Form1|1\t\"Alpha\"",
          "SyncTarget|Form1|2\t\"\""}},
        {{"gedit", "About", {}}, {"window gedit|About (no editable field)"}},
        {{"app", "T", {{1, "one\r\ntwo\tthree|four\nfive"}}},
         {"window app|T (1 editable field)", "app|T|1\t\"one⏎two three¦four⏎five\""}},
        {{"app", "T", {{1, forty}, {2, forty + "y"}, {3, chinese40 + "字"}}},
         {"window app|T (3 editable fields)", "app|T|1\t\"" + forty + "\"",
          "app|T|2\t\"" + forty + "…\"", "app|T|3\t\"" + chinese40 + "…\""}},
        {{"app", "a | b", {{1, "z"}}},
         {"window app|a | b (1 editable field) - its name holds \"|\" or \"+\": leave that "
          "field empty",
          "app|a | b|1\t\"z\""}},
    };
    for (const ListingCase& c : cases) {
        SCOPED_TRACE(c.window.title);
        windows.windows = {c.window};
        EXPECT_EQ(sync.listTargets(), c.lines);
    }
}

TEST_F(TargetSyncTest, AListedLineCopiedIntoTheSettingsReachesItsField) {
    windows.windows = {
        {"Notes", "Draft", {{1, "first"}, {2, "x|y+z\r\nw"}, {3, "3"}}},
        {"Notes", "Other", {{1, "other"}}},
    };
    for (const std::string& line : sync.listTargets()) {
        if (line.starts_with("window ")) continue;
        SCOPED_TRACE(line);
        windows.sent.clear();
        form.setText(ctl::编辑框_同步设置, line);
        sync.deliver("pasted");
        ASSERT_FALSE(windows.sent.empty());
        EXPECT_NE(windows.sent.front().control, 0u);
        EXPECT_EQ(windows.sent.front().text, "pasted");
    }
    EXPECT_EQ(windows.windows[0].controls,
              (std::map<int, std::string>{{1, "pasted"}, {2, "pasted"}, {3, "pasted"}}));
    EXPECT_EQ(windows.windows[1].controls[1], "pasted");
}

// The README shows a window's line as the program prints it.
TEST_F(TargetSyncTest, TheReadmeShowsAWindowsLineAsPrinted) {
    std::ifstream file(OZMIRA_README);
    const std::string readme{std::istreambuf_iterator<char>(file), {}};
    ASSERT_FALSE(readme.empty());
    windows.windows = {{"class", "title", {{1, "a"}, {2, "b"}}}};
    std::string head = sync.listTargets().front();
    head.replace(head.find("(2 "), 2, "(N");
    EXPECT_NE(readme.find("`" + head + "`"), std::string::npos) << head;
}

}  // namespace
