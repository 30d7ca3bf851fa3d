// The real program and the files of its folder: a start and a close with no user action
// leave every file as it was, and a settings file made read-only is not replaced.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "integration/program_fixture.h"

namespace {

namespace fs = std::filesystem;

using ProgramFilesTest = ProgramFixture;

struct FileState {
    std::string bytes;
    timespec modified{};
    bool operator==(const FileState& o) const {
        return bytes == o.bytes && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

std::map<std::string, FileState> folderState(const TempDir& dir) {
    std::map<std::string, FileState> files;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        struct stat st {};
        stat(entry.path().c_str(), &st);
        const std::string name = entry.path().filename().string();
        files[name] = {dir.read(name), st.st_mtim};
    }
    return files;
}

TEST_F(ProgramFilesTest, StartAndCloseLeaveEveryFileAsItWas) {
    // Values spelt otherwise than the program writes them, which a write-back would change.
    writeCp936("windows data.ini",
               "[选择夹1]\n现行子夹= 2\n[编辑框坐标]\n内容=\"10|20|300|400\"\n"
               "[组合框识别]\n现行选中项=2\n[编辑框坐标正]\n0= 5|6|7|8\n[快捷键1]\n键码=F1键\n");
    writeCp936("key.ini", "[学校]\nAPI Key=a\nSecret Key=b\n");
    writeCp936("使用说明.txt", "第一步：拖动鼠标。\n");
    writeCp936("导出1.ini", "[行号]\n列宽=40\n1=1\n");
    ini::write(dir.file("service.ini"), "service", "UpdateInfoUrl", "http://127.0.0.1:9/u.json");
    ini::write(dir.file("service.ini"), "service", "TokenEndpoint", "http://127.0.0.1:9/token");
    const auto before = folderState(dir);
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    const nlohmann::json c = program.waitFor("编辑框_翻译", "text", "第一步：拖动鼠标。\n");
    EXPECT_EQ(program.controls()["组合框key"]["name"], "学校") << "key.ini is code page 936";
    EXPECT_EQ(program.close(), 0);
    EXPECT_TRUE(folderState(dir) == before) << "a file was written, added or removed";
}

TEST_F(ProgramFilesTest, AReadOnlySettingsFileIsKeptAndTheFailureShown) {
    writeCp936("windows data.ini", "[选择框文本合并]\n选中=真\n");
    fs::permissions(dir.file("windows data.ini"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = folderState(dir);
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.click("选择框文本合并"));
    const std::string shown = "状态：无法写入“windows data.ini”，设置未保存";
    EXPECT_EQ(program.waitFor("状态条1", "labels", {shown})["labels"], nlohmann::json({shown}));
    EXPECT_FALSE(program.controls()["选择框文本合并"]["checked"]) << "the program goes on";
    EXPECT_EQ(program.close(), 0);
    EXPECT_TRUE(folderState(dir) == before);
}

}  // namespace
