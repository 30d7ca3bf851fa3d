#include "platform/ini.h"

#include "platform/charset.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/ozmira-ini-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_folder = name;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string path(const std::string& name = "test.ini") const { return m_folder + "/" + name; }
    void put(const std::string& bytes, const std::string& name = "test.ini") const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string get(const std::string& name = "test.ini") const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_folder), {}));
    }

    std::string m_folder;
};

struct ReadCase {
    const char* name;
    std::string file;
    std::string section, key;
    std::string expected;
};

TEST_F(IniTest, ReadsValuesByThePrivateProfileRules) {
    const std::string longValue(10300, 'x');
    // 5,200 characters of code page 936 (10,400 bytes) and, in a UTF-8 file, "a" and
    // 3,500 three-byte characters: neither may be cut inside a character.
    std::string wideCp936, wideUtf8 = "a";
    for (int i = 0; i < 5200; ++i) wideCp936 += "\xD6\xD0";
    for (int i = 0; i < 3500; ++i) wideUtf8 += "\xE4\xB8\xAD";
    const ReadCase cases[] = {
        {"plain", "[a]\r\nk=v\r\n", "a", "k", "v"},
        {"names ignore ASCII case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
        {"other letters keep case", "[\xC3\x84]\r\nk=v\r\n", "\xC3\xA4", "k", ""},
        {"spaces around the value", "[a]\r\n  k  =   v w \t\r\n", "a", "k", "v w"},
        {"key with a space", "[key1]\r\nAPI Key=abc\r\n", "key1", "API Key", "abc"},
        {"double quotes", "[a]\r\nk=\"v\"\r\n", "a", "k", "v"},
        {"single quotes", "[a]\r\nk='v'\r\n", "a", "k", "v"},
        {"one pair only", "[a]\r\nk=\"\"v\"\"\r\n", "a", "k", "\"v\""},
        {"mixed quotes stay", "[a]\r\nk=\"v'\r\n", "a", "k", "\"v'"},
        {"lone quote stays", "[a]\r\nk=\"\r\n", "a", "k", "\""},
        {"spaces inside quotes", "[a]\r\nk=\" v \"\r\n", "a", "k", " v "},
        {"\"=\" inside the value", "[a]\r\nk=x=y\r\n", "a", "k", "x=y"},
        {"leading control characters", "[a]\r\nk=v\r\n", "\x01\x1F a", "\t\x20k", "v"},
        {"section name empty after skipping", "[a]\r\nk=v\r\n", " \t", "k", ""},
        {"key name empty after skipping", "[a]\r\nk=v\r\n", "a", "\x02", ""},
        {"missing section", "[a]\r\nk=v\r\n", "b", "k", ""},
        {"missing key", "[a]\r\nk=v\r\n", "a", "j", ""},
        {"key of another section", "[a]\r\nk=v\r\n[b]\r\nj=w\r\n", "a", "j", ""},
        {"key before any section", "k=v\r\n[a]\r\n", "a", "k", ""},
        {"first of two equal keys", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
        {"line without \"=\"", "[a]\r\nk\r\n", "a", "k", ""},
        {"LF line ends", "[a]\nk=v\nj=w", "a", "j", "w"},
        {"code page 936", "[\xD6\xD0]\r\n\xCE\xC4=\xD6\xD0\xCE\xC4\r\n", "\xE4\xB8\xAD",
         "\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"GB18030 four-byte form", "[a]\r\nk=\x83\x36\x84\x33\r\n", "a", "k", "\xED\x95\x9C"},
        {"UTF-8 file", "[\xE4\xB8\xAD]\r\nk=\xE6\x96\x87\r\n", "\xE4\xB8\xAD", "k", "\xE6\x96\x87"},
        {"UTF-8 file with a byte order mark", "\xEF\xBB\xBF[a]\r\nk=\xE6\x96\x87\r\n", "a", "k",
         "\xE6\x96\x87"},
        // B0 5D is one character whose second byte is "]": the header ends at the real "]".
        {"double-byte character after the header", "[\xD6\xD0]\xB0\x5D\r\nk=v\r\n", "\xE4\xB8\xAD",
         "k", "v"},
        {"long value", "[a]\r\nk=" + longValue + "\r\n", "a", "k", longValue.substr(0, 10239)},
        {"long quoted value", "[a]\r\nk=\"" + longValue + "\"\r\n", "a", "k",
         longValue.substr(0, 10239)},
        {"long code page 936 value", "[a]\r\nk=" + wideCp936 + "\r\n", "a", "k",
         [] {
             std::string chars;
             for (int i = 0; i < 5119; ++i) chars += "\xE4\xB8\xAD";  // 10,238 bytes
             return chars;
         }()},
        {"long UTF-8 value", "[a]\r\nk=" + wideUtf8 + "\r\n", "a", "k",
         wideUtf8.substr(0, 1 + 3 * 3412)},
    };
    for (const auto& c : cases) {
        put(c.file);
        EXPECT_EQ(ini::read(path(), c.section, c.key), c.expected) << c.name;
    }
}

TEST_F(IniTest, MissingFileReadsEmpty) {
    EXPECT_EQ(ini::read(path("none.ini"), "a", "k"), "");
    EXPECT_TRUE(ini::sectionNames(path("none.ini")).empty());
    put("[a]\r\nk=v\r\n");
    EXPECT_EQ(ini::read(" \t" + path(), "a", "k"), "v") << "leading blanks of the file name";
    EXPECT_EQ(ini::read("\x01", "a", "k"), "");
}

struct WriteCase {
    const char* name;
    bool exists;
    std::string before;
    std::string section, key, value;
    std::string after;
};

TEST_F(IniTest, WritesLandWhereWindowsPutsThem) {
    const WriteCase cases[] = {
        {"new file", false, "", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"in place, key spelt as in the file", true, "[a]\r\n  Key = old \r\nj=1\r\n", "A", "KEY",
         "new", "[a]\r\nKey=new\r\nj=1\r\n"},
        {"end of its section", true, "[a]\r\nk=1\r\n\r\n[b]\r\nx=2\r\n", "a", "j", "3",
         "[a]\r\nk=1\r\nj=3\r\n\r\n[b]\r\nx=2\r\n"},
        {"after the header of an empty section", true, "[a]\r\n[b]\r\n", "a", "k", "v",
         "[a]\r\nk=v\r\n[b]\r\n"},
        {"new section at the end", true, "[a]\r\nk=1\r\n", "b", "x", "2",
         "[a]\r\nk=1\r\n[b]\r\nx=2\r\n"},
        {"new section after a last line without a break", true, "[a]\r\nk=1", "b", "x", "2",
         "[a]\r\nk=1\r\n[b]\r\nx=2\r\n"},
        {"new key after a last line without a break", true, "[a]\r\nk=1", "a", "j", "2",
         "[a]\r\nk=1\r\nj=2\r\n"},
        {"LF line ends kept", true, "[a]\nk=1\n", "a", "j", "2", "[a]\nk=1\nj=2\n"},
        {"empty value", true, "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
        {"empty file", true, "", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"value with line breaks: its first line", true, "[a]\r\nk=1\r\n", "a", "k", "l1\r\nl2",
         "[a]\r\nk=l1\r\n"},
        {"LF and CR alone end a line too", true, "[a]\r\n", "a", "k", "l1\nl2\rl3",
         "[a]\r\nk=l1\r\n"},
        {"other lines untouched", true, "; note\r\n[a]\r\nk=1\r\nbad\xFF\r\n[b]\r\n", "b", "k", "2",
         "; note\r\n[a]\r\nk=1\r\nbad\xFF\r\n[b]\r\nk=2\r\n"},
        {"Chinese as code page 936", false, "",
         "\xE9\x80\x89\xE6\x8B\xA9\xE6\xA1\x86\xE6\x96\x87\xE6\x9C\xAC\xE5\x90\x88\xE5\xB9\xB6",
         "\xE9\x80\x89\xE4\xB8\xAD", "\xE5\x81\x87",  // 选择框文本合并 / 选中 = 假
         "[\xD1\xA1\xD4\xF1\xBF\xF2\xCE\xC4\xB1\xBE\xBA\xCF\xB2\xA2]\r\n\xD1\xA1\xD6\xD0="
         "\xBC\xD9\r\n"},
        {"Chinese into an ASCII file", true, "[a]\r\nk=1\r\n", "a", "k", "\xE4\xB8\xAD\xE6\x96\x87",
         "[a]\r\nk=\xD6\xD0\xCE\xC4\r\n"},
        {"Korean in GB18030's four-byte form", true, "[a]\r\nk=\xD6\xD0\r\n", "a", "j",
         "\xED\x95\x9C", "[a]\r\nk=\xD6\xD0\r\nj=\x83\x36\x84\x33\r\n"},
        {"a UTF-8 file stays UTF-8", true, "[\xE4\xB8\xAD]\r\nk=\xE6\x97\xA7\r\n", "\xE4\xB8\xAD",
         "k", "\xE6\x96\xB0\xED\x95\x9C", "[\xE4\xB8\xAD]\r\nk=\xE6\x96\xB0\xED\x95\x9C\r\n"},
        {"names skip leading control characters", true, "[a]\r\nk=1\r\n", "\x01 a", "\tk", "2",
         "[a]\r\nk=2\r\n"},
    };
    for (const auto& c : cases) {
        fs::remove(path());
        if (c.exists) {
            put(c.before);
        }
        EXPECT_TRUE(ini::write(path(), c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(get(), c.after) << c.name;
    }
}

TEST_F(IniTest, WrittenValuesReadBack) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "v"},
        {"chinese", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"korean", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
        {"emoji", "\xF0\x9F\x98\x80"},
        {"two lines", "first\r\nsecond"},  // only the first line comes back
        {"empty", ""},
    };
    for (const auto& [key, value] : cases) {
        ASSERT_TRUE(ini::write(path(), "s", key, value));
    }
    for (const auto& [key, value] : cases) {
        std::string expected = key == "two lines" ? "first" : value;
        EXPECT_EQ(ini::read(path(), "s", key), expected) << key;
    }
    EXPECT_EQ(ini::sectionNames(path()), std::vector<std::string>{"s"});
}

TEST_F(IniTest, ASecondLineOfAValueNeverBecomesASectionOrAKey) {
    for (const char* breakText : {"\r\n", "\n", "\r"}) {
        fs::remove(path());
        const std::string b = breakText;
        ASSERT_TRUE(ini::write(path(), "编辑框_同步设置", "内容",
                               "A|B|1" + b + "[选择框文本合并]" + b + "选中=假"));
        ASSERT_TRUE(ini::write(path(), "编辑框_同步设置", "x", "1" + b + "内容=2"));
        EXPECT_EQ(ini::sectionNames(path()), std::vector<std::string>{"编辑框_同步设置"});
        EXPECT_EQ(ini::read(path(), "选择框文本合并", "选中"), "");
        EXPECT_EQ(ini::read(path(), "编辑框_同步设置", "内容"), "A|B|1");
        EXPECT_EQ(ini::read(path(), "编辑框_同步设置", "x"), "1");
    }
}

TEST_F(IniTest, HandMadeFilesReadAndWriteInTheirEncoding) {
    const std::string school = "学校", lines = "[学校]\r\nAPI Key=a\r\n",
                      added = "Secret Key=学校\r\n";
    auto wide = [](const std::string& text, bool be) {
        return (be ? "\xFE\xFF" : "\xFF\xFE") + charset::utf8ToUtf16(text, be);
    };
    struct Case {
        const char* name;
        std::string before, after;
    };
    // "[学校]" as code page 936 is D1 A7 D0 A3, which is also valid UTF-8 ("ѧУ").
    const Case cases[] = {
        {"code page 936", charset::utf8ToCp936(lines, true),
         charset::utf8ToCp936(lines + added, true)},
        {"UTF-8", lines, lines + added},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + lines, "\xEF\xBB\xBF" + lines + added},
        {"UTF-16 LE (Notepad's \"Unicode\")", wide(lines, false), wide(lines + added, false)},
        {"UTF-16 BE", wide(lines, true), wide(lines + added, true)},
    };
    for (const Case& c : cases) {
        put(c.before);
        EXPECT_EQ(ini::sectionNames(path()), std::vector<std::string>{school}) << c.name;
        EXPECT_EQ(ini::read(path(), school, "API Key"), "a") << c.name;
        ASSERT_TRUE(ini::write(path(), school, "Secret Key", school)) << c.name;
        EXPECT_EQ(get(), c.after) << c.name;
    }
}

// The encoding of a file without a mark is guessed from its bytes: a write must not tip the
// guess, or the value written and every other value would read back garbled.
TEST_F(IniTest, AWriteNeverTipsTheEncodingGuess) {
    struct Case {
        const char* name;
        std::string before, otherValue, written;
    };
    const Case cases[] = {
        // "葋" is C8 81 in code page 936, which UTF-8 reads as "ȁ".
        {"code page 936 value that is also UTF-8", "[a]\r\nj=v\r\n", "v", "x葋"},
        // Armenian scores as rare UTF-8 but as common code page 936 hanzi.
        {"rare characters in a UTF-8 file", "[a]\r\nj=café\r\n", "café", "ԱԲ"},
    };
    for (const Case& c : cases) {
        put(c.before);
        ASSERT_TRUE(ini::write(path(), "a", "k", c.written)) << c.name;
        EXPECT_EQ(ini::read(path(), "a", "k"), c.written) << c.name;
        EXPECT_EQ(ini::read(path(), "a", "j"), c.otherValue) << c.name;
    }
}

TEST_F(IniTest, EmptyNamesAndNamesSpanningLinesWriteNothing) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {path(), "", "k"},         {path(), "a", " "},         {"\x01\x02", "a", "k"},
        {path(), "a]\r\n[b", "k"}, {path(), "a", "k\n[b]\nj"}, {path(), "a\r", "k"}};
    for (const auto& [file, section, key] : cases) {
        EXPECT_FALSE(ini::write(file, section, key, "v"));
    }
    EXPECT_EQ(entries(), 0u);
}

TEST_F(IniTest, SectionNamesInFileOrder) {
    put("[b]\r\nk=1\r\n[\xD6\xD0]\r\n  [ c ]  \r\n[A]\r\nnot a section\r\n[b]\r\n");
    EXPECT_EQ(ini::sectionNames(path()),
              (std::vector<std::string>{"b", "\xE4\xB8\xAD", "c", "A", "b"}));

    // Each name takes its bytes and a terminator of a 204,800-byte buffer that ends with
    // one more terminator: 204 names of 999 bytes fit, the 205th does not.
    std::string many;
    for (int i = 0; i < 300; ++i) {
        std::string number = std::to_string(1000 + i);
        many += "[" + number + std::string(999 - number.size(), 's') + "]\r\n";
    }
    put(many);
    std::vector<std::string> names = ini::sectionNames(path());
    ASSERT_EQ(names.size(), 204u);
    EXPECT_EQ(names.back().substr(0, 4), "1203");
}

// Lowers the file-size limit so that writes beyond it fail, as on a full disk. A file
// written in place would be cut at the limit; an atomic write leaves it whole.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

TEST_F(IniTest, FailedWriteLeavesTheOldFileWhole) {
    std::string old = "[a]\r\nk=" + std::string(20000, 'o') + "\r\nj=1\r\n";
    put(old);
    {
        FileSizeLimit limit(30000);
        EXPECT_FALSE(ini::write(path(), "a", "k", std::string(40000, 'n')));
    }
    EXPECT_EQ(get(), old);
    EXPECT_EQ(entries(), 1u) << "the temporary file is removed";

    EXPECT_FALSE(ini::write(m_folder + "/missing/test.ini", "a", "k", "v"));
    EXPECT_FALSE(fs::exists(m_folder + "/missing"));

    // A directory in the file's place is never replaced.
    fs::create_directory(path("dir.ini"));
    EXPECT_FALSE(ini::write(path("dir.ini"), "a", "k", "v"));
    EXPECT_TRUE(fs::is_directory(path("dir.ini")));
}

TEST_F(IniTest, WritingTheSameValueLeavesTheFileAlone) {
    put("[a]\r\nk=v\r\n");
    fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write);
    auto before = fs::last_write_time(path());
    // The same bytes would come out: nothing is written, so even a full disk is no failure.
    FileSizeLimit limit(0);
    EXPECT_TRUE(ini::write(path(), "A", "K", "v"));
    EXPECT_EQ(fs::last_write_time(path()), before);
}

}  // namespace
