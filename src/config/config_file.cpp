#include "config/config_file.h"

#include <array>

#include "app/run_state.h"
#include "config/ini_file.h"
#include "config/text_to_integer.h"
#include "platform/ui.h"

namespace config {
namespace {

constexpr std::array<std::string_view, 3> kDomesticNodes = {
    "http://mirrors.aliyun.com/ubuntu-releases/14.04.2/ubuntu-14.04.2-server-i386.template",
    "http://mirrors.aliyun.com/ubuntu-releases/14.04.2/ubuntu-14.04.2-server-amd64.template",
    "http://mirrors.163.com/centos/7.1.1503/updates/x86_64/repodata/"
    "4d7c204ec8fba51d5d4bd661f112574b0962ba32aacd16e314dbc5a34f6111fa-other.xml.gz",
};

constexpr std::array<std::string_view, 3> kAbroadNodes = {
    "http://speedtest.tokyo2.linode.com/100MB-tokyo.bin",
    "http://speedtest.fremont.linode.com/100MB-fremont.bin",
    "http://speedtest.singapore.linode.com/100MB-singapore.bin",
};

struct Entry {
    std::string_view key, value;
};

// The maker's contact details, refreshed at every start.
constexpr std::array<Entry, 6> kOfficial = {{
    {"官方主页", kHomePageUrl},
    {"官方邮箱", "service@xinglansoft.com"},
    {"官方QQ1:", "800035168"},
    {"官方QQ2:", "1653207749"},
    {"官方QQ3:", "2851046392"},
    {"所属公司", "星澜软件工作室"},
}};

constexpr std::string_view kDots85 =
    ".....................................................................................";
static_assert(kDots85.size() == 85);

// The banner's middle line: 22 dots, the sentence (38 bytes in GBK), 25 dots.
constexpr std::string_view kBannerMiddle =
    "......................以下是配置文件，如果修改出错，删除即可.........................";

constexpr std::string_view kMissing = "no";

void FillMissingNodes(std::string_view section, bool domestic) {
    static constexpr std::array<std::string_view, 3> kKeys = {"URL_1", "URL_2", "URL_3"};
    for (int i = 0; i < 3; ++i) {
        if (ReadConfigValue(section, kKeys[i], kMissing) == kMissing)
            WriteConfigValue(section, kKeys[i], DefaultNodeUrl(domestic, i + 1));
    }
}

} // namespace

std::string_view DefaultNodeUrl(bool domestic, int n) {
    if (n < 1 || n > 3) return {};
    return domestic ? kDomesticNodes[n - 1] : kAbroadNodes[n - 1];
}

std::string ConfigFilePath() {
#ifdef _WIN32
    return platform::Services().CurrentDirectory() + "\\conf.ini";
#else
    return platform::Services().CurrentDirectory() + "/conf.ini";
#endif
}

std::string ReadConfigValue(std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
    return ReadIniValue(ConfigFilePath(), section, key, defaultValue);
}

void WriteConfigValue(std::string_view section, std::string_view key, std::string_view value) {
    WriteIniValue(ConfigFilePath(), section, key, value);
}

void WriteConfigDefaults() {
    for (const Entry& e : kOfficial) WriteConfigValue("Official", e.key, e.value);
    WriteConfigValue(".", "1", kDots85);
    WriteConfigValue(".", "2", kBannerMiddle);
    WriteConfigValue(".", "3", kDots85);

    app::RunStateValues& state = app::RunState();
    if (ReadConfigValue("time", "time", kMissing) == kMissing) {
        WriteConfigValue("time", "time", "15");
        state.TestSeconds = 15;
    }
    int32_t seconds = TextToInteger(ReadConfigValue("time", "time", "15"));
    state.TestSeconds = seconds;
    platform::Services().WriteText(app::kMainWindow, "编辑框_倒计时", std::to_string(seconds));

    FillMissingNodes("AbroadNode", false);
    FillMissingNodes("DomesticNode", true);
}

} // namespace config
