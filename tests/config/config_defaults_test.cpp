#include <string>

#include "config/config_file.h"
#include "config/gbk_text.h"
#include "config/ini_file.h"
#include "config_fixture.h"

namespace {

using ConfigDefaults = config_test::ScratchFolder;

class Defaults : public ConfigDefaults {
protected:
    void SetUp() override {
        ConfigDefaults::SetUp();
        LoadCountDown();
    }
    // Section names in the order they appear in the file.
    std::string SectionOrder() {
        std::string order, text = Get();
        for (size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1))
            order += text.substr(at, text.find(']', at) - at + 1);
        return order;
    }
};

TEST_F(Defaults, NewFileGetsEverySectionInOrder) {
    config::WriteConfigDefaults();
    EXPECT_EQ(SectionOrder(), "[Official][.][time][AbroadNode][DomesticNode]");
    EXPECT_EQ(app::RunState().TestSeconds.load(), 15);
    EXPECT_EQ(CountDown(), "15");
    EXPECT_EQ(config::ReadConfigValue("time", "time", ""), "15");
    for (int n = 1; n <= 3; ++n) {
        std::string key = "URL_" + std::to_string(n);
        EXPECT_EQ(config::ReadConfigValue("DomesticNode", key, ""),
                  config::DefaultNodeUrl(true, n));
        EXPECT_EQ(config::ReadConfigValue("AbroadNode", key, ""),
                  config::DefaultNodeUrl(false, n));
    }
    EXPECT_EQ(config::ReadConfigValue("Official", "官方主页", ""), config::kHomePageUrl);
    EXPECT_EQ(config::ReadConfigValue("porxy", "ip", "none"), "none");

    // The banner lines are 85 bytes each on disk, the middle one with its GBK sentence.
    std::string text = Get();
    const std::string sentence = config::Utf8ToGbk("以下是配置文件，如果修改出错，删除即可");
    ASSERT_EQ(sentence.size(), 38u);
    const std::string dots85(85, '.');
    EXPECT_NE(text.find("\r\n1=" + dots85 + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n2=" + std::string(22, '.') + sentence + std::string(25, '.') +
                        "\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n3=" + dots85 + "\r\n"), std::string::npos);
}

TEST_F(Defaults, SecondStartChangesNothing) {
    config::WriteConfigDefaults();
    std::string first = Get();
    config::WriteConfigDefaults();
    EXPECT_EQ(Get(), first);
}

TEST_F(Defaults, KeptValuesAndTheNoMarker) {
    const struct {
        const char* name;
        std::string time;
        int32_t seconds;
        std::string stored;
    } cases[] = {
        {"thirty kept", "time=30", 30, "30"},
        {"marker rewritten", "time=no", 15, "15"},
        {"capitals are a value", "time=NO", 0, "NO"},
        {"empty is a value", "time=", 0, ""},
        {"negative kept", "time=-3", -3, "-3"},
        {"full-width digits", "time=" + config::Utf8ToGbk("３０"), 30, "３０"},
    };
    for (const auto& c : cases) {
        Put("[time]\r\n" + c.time + "\r\n");
        config::WriteConfigDefaults();
        EXPECT_EQ(app::RunState().TestSeconds.load(), c.seconds) << c.name;
        EXPECT_EQ(CountDown(), std::to_string(c.seconds)) << c.name;
        EXPECT_EQ(config::ReadConfigValue("time", "time", "missing"), c.stored) << c.name;
    }
}

TEST_F(Defaults, FillsOnlyMissingKeysAndFindsOtherLetterCase) {
    Put("; my notes\r\n"
        "[TIME]\r\nTIME=20\r\n"
        "[abroadnode]\r\nUrl_1=http://a/1\r\nurl_3=http://a/3\r\n"
        "[DomesticNode]\r\nURL_1=http://d/1\r\nURL_2=\r\nURL_3=no\r\n"
        "[Official]\r\n官方主页=edited\r\n");
    config::WriteConfigDefaults();
    EXPECT_EQ(app::RunState().TestSeconds.load(), 20);
    EXPECT_EQ(config::ReadConfigValue("AbroadNode", "URL_1", ""), "http://a/1");
    EXPECT_EQ(config::ReadConfigValue("AbroadNode", "URL_2", ""), config::DefaultNodeUrl(false, 2));
    EXPECT_EQ(config::ReadConfigValue("AbroadNode", "URL_3", ""), "http://a/3");
    EXPECT_EQ(config::ReadConfigValue("DomesticNode", "URL_1", ""), "http://d/1");
    EXPECT_EQ(config::ReadConfigValue("DomesticNode", "URL_2", "x"), "") << "empty stays";
    EXPECT_EQ(config::ReadConfigValue("DomesticNode", "URL_3", ""), config::DefaultNodeUrl(true, 3));
    EXPECT_EQ(config::ReadConfigValue("Official", "官方主页", ""), config::kHomePageUrl);

    std::string text = Get();
    EXPECT_EQ(text.rfind("; my notes\r\n[TIME]\r\nTIME=20\r\n[abroadnode]\r\nUrl_1=http://a/1\r\n"
                         "url_3=http://a/3\r\nURL_2=" +
                             std::string(config::DefaultNodeUrl(false, 2)) + "\r\n",
                         0),
              0u)
        << "the missing key goes after the section's last key, the rest stays";
    EXPECT_EQ(text.find("[time]"), std::string::npos);
}

TEST_F(Defaults, UnwritableFileStillGivesFifteenSeconds) {
    std::filesystem::create_directory(dir_ / "conf.ini");
    config::WriteConfigDefaults();
    EXPECT_EQ(app::RunState().TestSeconds.load(), 15);
    EXPECT_EQ(CountDown(), "15");
    EXPECT_EQ(config::ReadConfigValue("AbroadNode", "URL_1", config::DefaultNodeUrl(false, 1)),
              config::DefaultNodeUrl(false, 1));
}

TEST_F(Defaults, PathIsTheCurrentDirectoryAndNodeDefaultsKeepTheirPaths) {
    EXPECT_EQ(config::ConfigFilePath(), dir_.string() + "/conf.ini");
    EXPECT_TRUE(config::DefaultNodeUrl(true, 1).ends_with(
        "/ubuntu-releases/14.04.2/ubuntu-14.04.2-server-i386.template"));
    EXPECT_TRUE(config::DefaultNodeUrl(true, 2).ends_with(
        "/ubuntu-releases/14.04.2/ubuntu-14.04.2-server-amd64.template"));
    EXPECT_TRUE(config::DefaultNodeUrl(true, 3).ends_with(
        "/centos/7.1.1503/updates/x86_64/repodata/"
        "4d7c204ec8fba51d5d4bd661f112574b0962ba32aacd16e314dbc5a34f6111fa-other.xml.gz"));
    EXPECT_TRUE(config::DefaultNodeUrl(false, 1).ends_with("/100MB-tokyo.bin"));
    EXPECT_TRUE(config::DefaultNodeUrl(false, 2).ends_with("/100MB-fremont.bin"));
    EXPECT_TRUE(config::DefaultNodeUrl(false, 3).ends_with("/100MB-singapore.bin"));
    EXPECT_EQ(config::DefaultNodeUrl(true, 0), "");
    EXPECT_EQ(config::DefaultNodeUrl(false, 4), "");
}

} // namespace
