// A file parsed once answers every read as the single reads do: the same rules of names,
// sections, quotes, encodings and the read buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/charset.h"
#include "platform/ini.h"
#include "support/temp_dir.h"

namespace {

TEST(IniSnapshotTest, AnswersEveryReadAsASingleReadDoes) {
    std::string longCp936, longUtf8 = "a";
    for (int i = 0; i < 5200; ++i) longCp936 += "\xD6\xD0";
    for (int i = 0; i < 3500; ++i) longUtf8 += "\xE4\xB8\xAD";
    // More section names than the 204,800-byte list holds.
    std::string manySections;
    for (int i = 0; i < 300; ++i)
        manySections += "[" + std::to_string(i) + std::string(999, 's') + "]\r\n";
    const std::string files[] = {
        // Code page 936: 81 5D and 81 5B are characters whose second byte is "]" or "[".
        "k0=before\r\n[Sec]\r\nKey=v\r\n  spaced  =  \" q \"  \r\nKEY=second\r\nbare\r\n"
        "[\xD6\xD0\x81\x5D]\x81\x5B\r\n\xCE\xC4=\xD6\xD0\xCE\xC4\r\nx=\x83\x36\x84\x33\r\n"
        "[unclosed\r\nafter=still in \xD6\xD0\r\n[SEC]\r\nkey=hidden\r\nnew=hidden too\r\n"
        "[long]\r\nk=" +
            longCp936 + "\r\nq='" + std::string(10300, 'x') + "'\r\n",
        // UTF-8 with a byte order mark and bare CR and LF line ends.
        "\xEF\xBB\xBF[\xE4\xB8\xAD]\rk=\xE6\x96\x87\n\xE6\x96\x87=\"'x'\"\r\n[\xC3\x84]\nk=upper\n"
        "[\xC3\xA4]\nk=lower\n[long]\nk=" +
            longUtf8,
        // UTF-16 with its mark, as Windows Notepad saves "Unicode".
        "\xFF\xFE" +
            charset::utf8ToUtf16("[Sec]\r\nkey=\xE4\xB8\xAD\r\n[\xE4\xB8\xAD]\r\nk='x'\r\n", false),
        manySections,
        // Empty and odd names.
        "[]\r\nk=empty section\r\n[ a ]\r\n=no key\r\n\t k \t=\t\r\n[b]\r\nk",
    };
    const std::vector<std::string> sections = {"Sec",
                                               "sEC",
                                               "\xE4\xB8\xAD\xE4\xB9\x9A",
                                               "\xE4\xB8\xAD",
                                               "unclosed",
                                               "long",
                                               "\xC3\x84",
                                               "\xC3\xA4",
                                               "",
                                               " a",
                                               "a \t",
                                               "\x01"
                                               "b",
                                               "missing"};
    const std::vector<std::string> keys = {"key", "KEY",   "spaced", "bare", "\xE6\x96\x87",
                                           "x",   "after", "new",    "k",    "q",
                                           "",    "k0",    "\x02k",  "k  ",  "missing"};
    TempDir dir;
    int found = 0;
    for (size_t f = 0; f < std::size(files); ++f) {
        dir.write("p.ini", files[f]);
        const std::string path = dir.file("p.ini");
        const ini::Snapshot snapshot(path);
        EXPECT_EQ(snapshot.sectionNames(), ini::sectionNames(path)) << f;
        for (const std::string& section : sections) {
            for (const std::string& key : keys) {
                const std::string expected = ini::read(path, section, key);
                EXPECT_EQ(snapshot.read(section, key), expected)
                    << f << " [" << section << "] " << key;
                found += !expected.empty();
            }
        }
    }
    EXPECT_GE(found, 15);  // the probes meet real values, not only missing ones
    const ini::Snapshot missing(dir.file("none.ini"));
    EXPECT_TRUE(missing.sectionNames().empty());
    EXPECT_EQ(missing.read("Sec", "key"), "");
}

}  // namespace
