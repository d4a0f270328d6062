#include "config/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "config/gbk_text.h"
#include "config_fixture.h"

namespace {

using config_test::ScratchFolder;
using IniFile = ScratchFolder;
namespace fs = std::filesystem;

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

TEST_F(IniFile, ReadsByTheProfileRules) {
    const std::string zh = config::Utf8ToGbk("中文值");
    const ReadCase cases[] = {
        {"case of names", "[TIME]\r\nTime=30\r\n", "time", "time", "30"},
        {"blanks around", "[s]\n  k  =  v w  \n", "s", "k", "v w"},
        {"blanks in header", "  [ s ]  \nk=v\n", "s", "k", "v"},
        {"double quotes", "[s]\nk=\" a b \"\n", "s", "k", " a b "},
        {"single quotes", "[s]\nk='x'\n", "s", "k", "x"},
        {"unmatched quotes", "[s]\nk=\"x'\n", "s", "k", "\"x'"},
        {"lone quote", "[s]\nk=\"\n", "s", "k", "\""},
        {"empty value", "[s]\nk=\n", "s", "k", ""},
        {"missing key", "[s]\nj=1\n", "s", "k", "DEF"},
        {"missing section", "[t]\nk=1\n", "s", "k", "DEF"},
        {"key before any section", "k=1\n[s]\n", "s", "k", "DEF"},
        {"first duplicate key", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        {"first duplicate section", "[s]\nk=1\n[s]\nk=2\nj=3\n", "s", "k", "1"},
        {"second section ignored", "[s]\nk=1\n[s]\nj=3\n", "s", "j", "DEF"},
        {"line without equals", "[s]\ngarbage line\nk=v\n", "s", "k", "v"},
        {"comment is no key", "[s]\n;k=1\nk=2\n", "s", "k", "2"},
        {"utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
        {"nul ends value", std::string("[s]\nk=a\0b\n", 10), "s", "k", "a"},
        {"no final line end", "[s]\nk=v", "s", "k", "v"},
        {"GBK value", "[s]\nk=" + zh + "\r\n", "s", "k", "中文值"},
        {"GBK key", "[s]\n" + config::Utf8ToGbk("官方主页") + "=x\n", "s", "官方主页", "x"},
        {"equals in value", "[s]\nk=a=b\n", "s", "k", "a=b"},
        {"binary junk around", "\x01\xFF\xFE\n[s]\n\x80\x81=\x90\nk=v\n", "s", "k", "v"},
    };
    for (const ReadCase& c : cases) {
        Put(c.file);
        EXPECT_EQ(config::ReadIniValue(Path(), c.section, c.key, "DEF"), c.expected) << c.name;
    }
}

TEST_F(IniFile, LeadingBlanksInNamesAreSkippedAndEmptyNamesReadEmpty) {
    Put("[s]\nk=v\n");
    EXPECT_EQ(config::ReadIniValue(Path(), " \ts", "\x01k", "DEF"), "v");
    EXPECT_EQ(config::ReadIniValue(Path(), "  ", "k", "DEF"), "");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "", "DEF"), "");
    EXPECT_EQ(config::ReadIniValue(" ", "s", "k", "DEF"), "");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "other", ""), "");
    config::WriteIniValue(Path(), " ", "k", "x");
    config::WriteIniValue(Path(), "s", "\t", "x");
    EXPECT_EQ(Get(), "[s]\nk=v\n");
}

TEST_F(IniFile, MissingFileReadsDefaultAndWriteCreatesItWithCrlf) {
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "k", "DEF"), "DEF");
    config::WriteIniValue(Path(), "s", "k", "v");
    config::WriteIniValue(Path(), "t", "k", "w");
    config::WriteIniValue(Path(), "s", "j", "x");
    EXPECT_EQ(Get(), "[s]\r\nk=v\r\nj=x\r\n[t]\r\nk=w\r\n");
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST_F(IniFile, WritesChangeOnlyTheirLine) {
    const WriteCase cases[] = {
        {"in place, CRLF and comments kept", "; note\r\n[S]\r\nK = old\r\n\r\n[t]\r\nx=1\r\n", "s",
         "k", "new", "; note\r\n[S]\r\nK = new\r\n\r\n[t]\r\nx=1\r\n"},
        {"in place, LF kept", "[s]\nk=old\nj=2\n", "s", "k", "", "[s]\nk=\nj=2\n"},
        {"first duplicate replaced", "[s]\nk=1\nk=2\n", "s", "k", "9", "[s]\nk=9\nk=2\n"},
        {"added after last key", "[s]\nk=1\nodd line\n\n[t]\n", "s", "j", "2",
         "[s]\nk=1\nj=2\nodd line\n\n[t]\n"},
        {"added to empty section", "[s]\n; c\n", "s", "k", "v", "[s]\nk=v\n; c\n"},
        {"added after unterminated last line", "[s]\nk=1", "s", "j", "2", "[s]\nk=1\nj=2"},
        {"new section at end", "[a]\r\nx=1\r\n", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        {"new section after unterminated line", "[a]\nx=1", "b", "y", "2",
         "[a]\nx=1\n[b]\ny=2\n"},
        {"line break in value flattened", "[s]\nk=1\n", "s", "k", "a\r\nb", "[s]\nk=a  b\n"},
        {"utf-8 marked file stays utf-8", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "值",
         "\xEF\xBB\xBF[s]\r\nk=值\r\n"},
        {"undecodable lines kept", "[s]\n\xFF\xFE\x80=\x81\nk=1\n", "s", "k", "2",
         "[s]\n\xFF\xFE\x80=\x81\nk=2\n"},
        {"nul bytes kept", std::string("[s]\nj=\0\0\nk=1\n", 14), "s", "k", "2",
         std::string("[s]\nj=\0\0\nk=2\n", 14)},
    };
    for (const WriteCase& c : cases) {
        Put(c.before);
        config::WriteIniValue(Path(), c.section, c.key, c.value);
        EXPECT_EQ(Get(), c.after) << c.name;
    }
}

TEST_F(IniFile, TextIsGbkOnDiskAndUtf8InMemory) {
    config::WriteIniValue(Path(), "Official", "官方主页", "星澜");
    // 官方主页 = B9D9 B7BD D6F7 D2B3, 星澜 = D0C7 C0BD
    EXPECT_EQ(Get(), "[Official]\r\n\xB9\xD9\xB7\xBD\xD6\xF7\xD2\xB3=\xD0\xC7\xC0\xBD\r\n");
    EXPECT_EQ(config::ReadIniValue(Path(), "official", "官方主页", ""), "星澜");
    // A character GBK lacks is still stored and read back.
    config::WriteIniValue(Path(), "s", "k", "🚀");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "k", ""), "🚀");
}

TEST_F(IniFile, LongValuesAreCutAndHugeLinesCostNothingElse) {
    std::string longValue(20000, 'a');
    std::string megabyteLine(1 << 20, 'x');
    Put("[s]\r\nk=" + longValue + "\r\njunk" + megabyteLine + "\r\nj=2\r\n");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "k", "").size(), config::kMaxValueBytes);
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "j", ""), "2");
    config::WriteIniValue(Path(), "s", "j", "3");
    EXPECT_EQ(Get(), "[s]\r\nk=" + longValue + "\r\njunk" + megabyteLine + "\r\nj=3\r\n");
    // A cut never splits a double-byte character.
    std::string han;
    for (int i = 0; i < 6000; ++i) han += "中";
    Put("[s]\nk=" + config::Utf8ToGbk(han) + "\n");
    std::string cut = config::ReadIniValue(Path(), "s", "k", "");
    EXPECT_EQ(cut.size(), size_t{10238 / 2 * 3});
    EXPECT_TRUE(config::IsValidUtf8(cut));
}

TEST_F(IniFile, UnwritablePlacesChangeNothingAndDoNotFail) {
    // A read-only file stays as it is, even for a user allowed to override it.
    Put("[s]\nk=1\n");
    fs::permissions(dir_ / "conf.ini", fs::perms::owner_read | fs::perms::group_read);
    config::WriteIniValue(Path(), "s", "k", "2");
    EXPECT_EQ(Get(), "[s]\nk=1\n");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "k", ""), "1");
    fs::remove(dir_ / "conf.ini");

    // A folder of that name reads as a missing file and is never replaced.
    fs::create_directory(dir_ / "conf.ini");
    EXPECT_EQ(config::ReadIniValue(Path(), "s", "k", "DEF"), "DEF");
    config::WriteIniValue(Path(), "s", "k", "2");
    EXPECT_TRUE(fs::is_directory(dir_ / "conf.ini"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(IniFile, ReadOnlyFolderLeavesTheFileAlone) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
    Put("[s]\nk=1\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    config::WriteIniValue(Path(), "s", "k", "2");
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Get(), "[s]\nk=1\n");
}

TEST_F(IniFile, ReplacementKeepsPermissionsAndLeavesNoTemporaryFile) {
    Put("[s]\nk=1\n");
    fs::permissions(dir_ / "conf.ini", fs::perms(0640));
    config::WriteIniValue(Path(), "s", "k", "2");
    EXPECT_EQ(Get(), "[s]\nk=2\n");
    EXPECT_EQ(fs::status(dir_ / "conf.ini").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(IniFile, WritesThroughALinkToItsTarget) {
    std::ofstream(dir_ / "real.ini", std::ios::binary) << "[s]\nk=1\n";
    fs::create_symlink(dir_ / "real.ini", dir_ / "conf.ini");
    config::WriteIniValue(Path(), "s", "k", "2");
    EXPECT_TRUE(fs::is_symlink(dir_ / "conf.ini"));
    EXPECT_EQ(Get(), "[s]\nk=2\n");
}

TEST_F(IniFile, ConcurrentWritesAndReadsLoseNothing) {
    Put("[s]\r\n");
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i) {
                std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                config::WriteIniValue(Path(), "s", key, std::to_string(i));
                EXPECT_EQ(config::ReadIniValue(Path(), "s", key, "lost"), std::to_string(i));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < 8; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(config::ReadIniValue(Path(), "s",
                                           "k" + std::to_string(t) + "_" + std::to_string(i), ""),
                      std::to_string(i));
}

} // namespace
