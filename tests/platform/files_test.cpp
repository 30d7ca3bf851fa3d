#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Sets or clears an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(m_old); }

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/ozmira-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_folder = name;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string path(const std::string& name) const { return m_folder + "/" + name; }
    static void put(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string get(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(m_folder), {}));
    }

    std::string m_folder;
};

TEST_F(FilesTest, ProgramFolderFollowsOzmiraHome) {
    const std::pair<std::string, std::string> cases[] = {
        {"/srv/ozmira", "/srv/ozmira"},
        {"/srv/ozmira//", "/srv/ozmira"},
        {"/", "/"},
    };
    for (const auto& [home, expected] : cases) {
        ScopedEnv env("OZMIRA_HOME", home);
        EXPECT_EQ(files::programFolder(), expected) << home;
    }
}

TEST_F(FilesTest, ProgramFolderIsTheWritableExecutableFolderOtherwise) {
    const std::string expected = fs::canonical(OZMIRA_FILES_TEST_FOLDER).string();
    EXPECT_EQ(files::executableFolder(), expected);
    ScopedEnv env("OZMIRA_HOME", std::nullopt);
    EXPECT_EQ(files::programFolder(), expected);
    ScopedEnv empty("OZMIRA_HOME", "");
    EXPECT_EQ(files::programFolder(), expected) << "an empty OZMIRA_HOME counts as unset";
}

TEST_F(FilesTest, ProgramFolderFallsBackToTheConfigFolder) {
    // An executable folder that may not be written: the per-user configuration folder,
    // created on the way.
    ScopedEnv noHome("OZMIRA_HOME", std::nullopt);
    struct Case {
        const char* name;
        std::optional<std::string> config;
        std::string expected;
    };
    const Case cases[] = {
        {"XDG_CONFIG_HOME", m_folder + "/config", m_folder + "/config/ozmira"},
        {"XDG_CONFIG_HOME unset", std::nullopt, m_folder + "/home/.config/ozmira"},
        {"relative XDG_CONFIG_HOME ignored", "config", m_folder + "/home/.config/ozmira"},
    };
    ScopedEnv home("HOME", m_folder + "/home");
    for (const auto& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(files::programFolderFor("/opt/ozmira", false), c.expected) << c.name;
        EXPECT_TRUE(fs::is_directory(c.expected)) << c.name;
    }
    EXPECT_EQ(files::programFolderFor("/opt/ozmira", true), "/opt/ozmira");
    ScopedEnv set("OZMIRA_HOME", m_folder);
    EXPECT_EQ(files::programFolderFor("/opt/ozmira", false), m_folder);
}

TEST_F(FilesTest, NamesInTheProgramFolder) {
    ScopedEnv env("OZMIRA_HOME", m_folder);
    const std::pair<std::string, std::string> cases[] = {
        {"windows data.ini", m_folder + "/windows data.ini"},
        {"\\key.ini", m_folder + "/key.ini"},
        {"book\\\xE5\xAF\xBC\xE5\x87\xBA.xlsx", m_folder + "/book/\xE5\xAF\xBC\xE5\x87\xBA.xlsx"},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(files::inProgramFolder(name), expected) << name;
    }
}

TEST_F(FilesTest, ReadsWholeFiles) {
    const std::string bytes("a\0b\r\n\xFF", 6);
    put(path("f"), bytes);
    std::string read = "stale";
    ASSERT_TRUE(files::readFile(path("f"), read));
    EXPECT_EQ(read, bytes);
    EXPECT_TRUE(files::exists(path("f")));

    read = "stale";
    EXPECT_FALSE(files::readFile(path("missing"), read));
    EXPECT_FALSE(files::readFile(m_folder, read)) << "a folder is not a file";
    EXPECT_EQ(read, "stale");
    EXPECT_FALSE(files::exists(path("missing")));
}

TEST_F(FilesTest, AtomicWriteReplacesTheFileAndKeepsItsMode) {
    struct Case {
        const char* name;
        std::optional<std::string> before;
        fs::perms mode;
    };
    const Case cases[] = {
        {"new file", std::nullopt, fs::perms::none},
        {"private file", "old", fs::perms::owner_read | fs::perms::owner_write},
        {"shared file", "old old old",
         fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
             fs::perms::others_read},
    };
    for (const auto& c : cases) {
        const std::string file = path("target");
        fs::remove(file);
        if (c.before) {
            put(file, *c.before);
            fs::permissions(file, c.mode);
        }
        ASSERT_TRUE(files::writeFileAtomic(file, "new")) << c.name;
        EXPECT_EQ(get(file), "new") << c.name;
        EXPECT_EQ(entries(), 1u) << c.name << ": no temporary file is left";
        if (c.before) {
            EXPECT_EQ(fs::status(file).permissions(), c.mode) << c.name;
        } else {
            mode_t mask = umask(0);
            umask(mask);
            EXPECT_EQ(static_cast<mode_t>(fs::status(file).permissions()), 0666 & ~mask);
        }
    }
}

TEST_F(FilesTest, AtomicWriteThroughALinkKeepsTheLink) {
    put(path("real"), "old");
    fs::create_symlink(path("real"), path("link"));
    ASSERT_TRUE(files::writeFileAtomic(path("link"), "new"));
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(get(path("real")), "new");
}

TEST_F(FilesTest, FailedAtomicWriteLeavesTheOldFile) {
    const std::string old(5000, 'o');
    put(path("target"), old);
    {
        // Past the file-size limit writes fail as on a full disk; a file written in place
        // would be cut at the limit.
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit low = saved;
        low.rlim_cur = 8000;
        setrlimit(RLIMIT_FSIZE, &low);
        bool written = files::writeFileAtomic(path("target"), std::string(10000, 'n'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(written);
    }
    EXPECT_EQ(get(path("target")), old);
    EXPECT_EQ(entries(), 1u) << "the temporary file is removed";

    EXPECT_FALSE(files::writeFileAtomic(path("no/such/folder"), "x"));
    fs::create_directory(path("folder"));
    EXPECT_FALSE(files::writeFileAtomic(path("folder"), "x"));
    EXPECT_TRUE(fs::is_directory(path("folder")));
    EXPECT_EQ(entries(), 2u);
}

}  // namespace
