#include "config/settings_window.h"

#include <array>
#include <string>

#include "app/delay.h"
#include "app/run_state.h"
#include "config/config_file.h"
#include "config/text_to_integer.h"
#include "http/web_request.h"

namespace config {
namespace {

using platform::Align;
using platform::Filter;
using platform::Kind;
using platform::Prop;

constexpr std::string_view kSecondsBox = "编辑框_测速秒数";
constexpr std::string_view kProgressBox = "编辑框_设置进度";
constexpr std::string_view kConfirmButton = "图形按钮1";
constexpr std::string_view kCloseButton = "图形按钮2";

// A node passes when it delivers at least this many body bytes within the time limit.
constexpr size_t kMinNodeBytes = 51200;
constexpr int32_t kNodeCheckSeconds = 3;
constexpr int32_t kMinSeconds = 5;

struct NodeBox {
    std::string_view box, section, key, progress;
};

constexpr std::array<NodeBox, 6> kNodes = {{
    {"编辑框_国内节点1", "DomesticNode", "URL_1", "20%"},
    {"编辑框_国内节点2", "DomesticNode", "URL_2", "35%"},
    {"编辑框_国内节点3", "DomesticNode", "URL_3", "50%"},
    {"编辑框_国外节点1", "AbroadNode", "URL_1", "65%"},
    {"编辑框_国外节点2", "AbroadNode", "URL_2", "80%"},
    {"编辑框_国外节点3", "AbroadNode", "URL_3", "95%"},
}};

std::string Text(std::string_view control) {
    return platform::Services().ReadText(app::kSettingsWindow, control);
}
void Say(std::string_view control, std::string_view text) {
    platform::Services().WriteText(app::kSettingsWindow, control, text);
}
void Show(std::string_view control, bool visible) {
    platform::Services().WriteNumber(app::kSettingsWindow, control, Prop::Visible, visible);
}

// The checks wait with events dispatched, so the buttons stay clickable; a second confirm
// would nest a second round of checks inside the first. They are off while checks run.
void EnableButtons(bool enabled) {
    platform::Services().WriteNumber(app::kSettingsWindow, kConfirmButton, Prop::Enabled,
                                     enabled);
    platform::Services().WriteNumber(app::kSettingsWindow, kCloseButton, Prop::Enabled,
                                     enabled);
}

void SettingsClose() { app::RunState().SettingsOpen = 0; }

bool NodeDelivers(const std::string& url) {
    http::WebRequestOptions options;
    options.timeLimitSeconds = kNodeCheckSeconds;
    return http::WebRequest(url, options).size() >= kMinNodeBytes;
}

} // namespace

const platform::Form& SettingsForm() {
    auto node = [](std::string_view name, int left, int top, bool domestic, int n) {
        return platform::ControlSpec{.name = name, .kind = Kind::EditBox, .left = left,
                                     .top = top, .width = 265, .height = 30,
                                     .text = DefaultNodeUrl(domestic, n), .align = Align::Right};
    };
    auto label = [](std::string_view name, int left, int top, int width, std::string_view text) {
        return platform::ControlSpec{.name = name, .kind = Kind::Label, .left = left,
                                     .top = top, .width = width, .height = 30, .text = text};
    };
    static const platform::Form form{
        .name = app::kSettingsWindow,
        .caption = "",
        .left = 80,
        .top = 50,
        .width = 600,
        .height = 400,
        .background = "settings_background.jpg",
        .controls = {
            label("标签1", 206, 8, 61, "测速秒数："),
            {.name = kSecondsBox, .kind = Kind::EditBox, .left = 269, .top = 8, .width = 215,
             .height = 30, .text = "15", .align = Align::Center, .filter = Filter::Integer,
             .maxLength = 8},
            label("标签2", 179, 64, 84, "国内测速节点1："),
            node(kNodes[0].box, 271, 64, true, 1),
            label("标签3", 160, 100, 84, "国内测速节点2："),
            node(kNodes[1].box, 252, 100, true, 2),
            label("标签4", 143, 137, 84, "国内测速节点3："),
            node(kNodes[2].box, 235, 137, true, 3),
            label("标签7", 116, 191, 84, "国外测速节点1："),
            node(kNodes[3].box, 208, 191, false, 1),
            label("标签6", 97, 227, 84, "国外测速节点2："),
            node(kNodes[4].box, 189, 227, false, 2),
            label("标签5", 80, 264, 84, "国外测速节点3："),
            node(kNodes[5].box, 172, 264, false, 3),
            {.name = kConfirmButton, .kind = Kind::PictureButton, .left = 136, .top = 302,
             .width = 200, .height = 60, .handCursor = true, .picture = "btn_confirm"},
            {.name = kProgressBox, .kind = Kind::EditBox, .left = 190, .top = 367, .width = 90,
             .height = 30, .visible = false, .align = Align::Center, .readOnly = true},
            {.name = kCloseButton, .kind = Kind::PictureButton, .left = 516, .top = -1,
             .width = 70, .height = 60, .handCursor = true, .picture = "btn_close"},
        }};
    return form;
}

std::vector<platform::Handler> SettingsHandlers() {
    using platform::Event;
    return {
        {kConfirmButton, Event::Clicked, SettingsConfirm},
        {kCloseButton, Event::Clicked, SettingsClose},
        // Closed by other means than its button: the settings command must not wait forever.
        {"", Event::CloseRequested, SettingsClose},
    };
}

void SettingsConfirm() {
    app::RunStateValues& state = app::RunState();
    Show(kProgressBox, true);
    if (TextToInteger(Text(kSecondsBox)) < kMinSeconds) {
        Say(kSecondsBox, "不能小于【 5 】秒");
        state.SettingsOpen = 0;
        return;
    }

    EnableButtons(false);
    for (const NodeBox& node : kNodes) {
        Say(kProgressBox, node.progress);
        if (!NodeDelivers(Text(node.box))) {
            Say(node.box, "无效的测速节点");
            EnableButtons(true);
            state.SettingsOpen = 0;
            return;
        }
    }
    Say(kProgressBox, "100%");
    app::DelayWithEvents(1000);
    Say(kProgressBox, "OK");
    app::DelayWithEvents(1500);
    EnableButtons(true);

    // The texts are read again now: what the boxes hold at this moment is what is saved.
    WriteConfigValue("time", "time", Text(kSecondsBox));
    int32_t seconds = TextToInteger(Text(kSecondsBox));
    state.TestSeconds = seconds;
    platform::Services().WriteText(app::kMainWindow, "编辑框_倒计时", std::to_string(seconds));
    for (const NodeBox& node : kNodes) WriteConfigValue(node.section, node.key, Text(node.box));

    Show(kProgressBox, false);
    state.SettingsOpen = 0;
}

} // namespace config
