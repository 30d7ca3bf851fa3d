#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

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

TEST_F(FilesTest, ProgramFolderIsChosenForTheExecutableFolder) {
    EXPECT_EQ(files::executableFolder(), fs::canonical(OZMIRA_FILES_TEST_FOLDER).string());
    // An executable folder holding the settings keeps them (portable use); one without them,
    // writable or not, leaves them to the per-user configuration folder, created on the way.
    ScopedEnv noHome("OZMIRA_HOME", std::nullopt);
    ScopedEnv home("HOME", m_folder + "/home");
    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    struct Case {
        const char* name;
        const char* holds;  // the file the executable folder holds, if any
        std::optional<std::string> config;
        std::string expected;
    };
    const std::string exe = m_folder + "/exe";
    const Case cases[] = {
        {"windows data.ini beside", "windows data.ini", std::nullopt, exe},
        {"key.ini beside", "key.ini", std::nullopt, exe},
        {"nothing beside", nullptr, std::nullopt, m_folder + "/home/.config/ozmira"},
        {"XDG_CONFIG_HOME", nullptr, m_folder + "/config", m_folder + "/config/ozmira"},
        {"relative XDG_CONFIG_HOME ignored", nullptr, "config", m_folder + "/home/.config/ozmira"},
    };
    for (const auto& c : cases) {
        fs::remove_all(exe);
        fs::create_directories(exe);
        if (c.holds) std::ofstream(exe + "/" + c.holds) << "[k]\n";
        ScopedEnv config("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(files::programFolderFor(exe), c.expected) << c.name;
        EXPECT_TRUE(fs::is_directory(c.expected)) << c.name;
    }
    ScopedEnv set("OZMIRA_HOME", m_folder);
    EXPECT_EQ(files::programFolderFor(exe), m_folder) << "OZMIRA_HOME wins";
    ScopedEnv empty("OZMIRA_HOME", "");
    EXPECT_EQ(files::programFolderFor(exe), m_folder + "/home/.config/ozmira")
        << "an empty OZMIRA_HOME counts as unset";
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
        ASSERT_TRUE(files::replaceFile(file, "new")) << c.name;
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

TEST_F(FilesTest, ReplacingThroughLinksKeepsTheLinks) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link name, what it names
        std::string written;                                     // the file that gets the bytes
    };
    fs::create_directory(path("sub"));
    const Case cases[] = {
        {"absolute link", {{"link", path("real")}}, "real"},
        {"relative link into a folder", {{"link", "sub/real"}}, "sub/real"},
        {"chain of links", {{"link", "hop"}, {"hop", path("sub/real")}}, "sub/real"},
        {"dangling link: its target is created", {{"link", "sub/new"}}, "sub/new"},
    };
    for (const auto& c : cases) {
        put(path("real"), "old");
        put(path("sub/real"), "old");
        for (const auto& [link, to] : c.links) fs::create_symlink(to, path(link));
        ASSERT_TRUE(files::replaceFile(path("link"), "new")) << c.name;
        EXPECT_EQ(get(path(c.written)), "new") << c.name;
        for (const auto& [link, to] : c.links) {
            EXPECT_TRUE(fs::is_symlink(path(link))) << c.name;
            fs::remove(path(link));
        }
        fs::remove(path("sub/new"));
    }
    fs::create_symlink("loop2", path("loop1"));
    fs::create_symlink("loop1", path("loop2"));
    EXPECT_FALSE(files::replaceFile(path("loop1"), "new"));
    EXPECT_TRUE(fs::is_symlink(path("loop1")));
}

TEST_F(FilesTest, ReplacingRefusesFilesThatAreNotOursToReplace) {
    struct Case {
        const char* name;
        std::function<void(const std::string& file)> prepare;
        std::string target = "target";  // what replaceFile is given
    };
    auto mode = [](fs::perms p) { return [p](const std::string& f) { fs::permissions(f, p); }; };
    auto lock = [this](const std::string& name) {
        return [this, name](const std::string&) { put(path(name), "x"); };
    };
    const Case cases[] = {
        {"read-only for everyone (0444)",
         mode(fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read)},
        {"read-only for its owner (0400)", mode(fs::perms::owner_read)},
        {"held open by an office suite", lock(".~lock.target#")},
        {"reached through a link, held open beside its target", lock("sub/.~lock.target#"), "link"},
        {"reached through a link, held open beside the link", lock(".~lock.link#"), "link"},
    };
    for (const auto& c : cases) {
        fs::remove_all(m_folder);
        fs::create_directories(path("sub"));
        const std::string file = c.target == "link" ? path("sub/target") : path("target");
        put(file, "old");
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        if (c.target == "link") fs::create_symlink(file, path("link"));
        c.prepare(file);
        const auto before = fs::status(file).permissions();
        EXPECT_FALSE(files::replaceFile(path(c.target), "new")) << c.name;
        EXPECT_EQ(get(file), "old") << c.name;
        EXPECT_EQ(fs::status(file).permissions(), before) << c.name;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder))
            EXPECT_NE(entry.path().extension(), ".tmp") << c.name << ": a temporary file is left";
    }
}

TEST_F(FilesTest, FifosAreNeitherReadNorReplaced) {
    // Opening a FIFO waits for a writer: the calls must not open it at all.
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    fs::create_symlink(path("fifo"), path("link"));
    for (const char* name : {"fifo", "link"}) {
        std::string bytes = "stale";
        EXPECT_FALSE(files::readFile(path(name), bytes)) << name;
        EXPECT_EQ(bytes, "stale");
        EXPECT_FALSE(files::replaceFile(path(name), "new")) << name;
    }
    EXPECT_EQ(fs::status(path("fifo")).type(), fs::file_type::fifo);
    EXPECT_EQ(entries(), 2u);
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
        bool written = files::replaceFile(path("target"), std::string(10000, 'n'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(written);
    }
    EXPECT_EQ(get(path("target")), old);
    EXPECT_EQ(entries(), 1u) << "the temporary file is removed";

    EXPECT_FALSE(files::replaceFile(path("no/such/folder"), "x"));
    fs::create_directory(path("folder"));
    EXPECT_FALSE(files::replaceFile(path("folder"), "x"));
    EXPECT_TRUE(fs::is_directory(path("folder")));
    EXPECT_EQ(entries(), 2u);
}

}  // namespace
