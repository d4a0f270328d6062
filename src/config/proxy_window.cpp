#include "config/proxy_window.h"

#include <string>

#include "app/run_state.h"
#include "config/config_file.h"
#include "config/text_to_integer.h"
#include "http/text_rules.h"

namespace config {
namespace {

using platform::Align;
using platform::Filter;
using platform::Kind;

constexpr std::string_view kPortBox = "编辑框_代理端口";
constexpr std::string_view kAddressBox = "编辑框_代理地址";
constexpr std::string_view kDefaultIp = "127.0.0.1";
constexpr std::string_view kDefaultPort = "54321";

std::string Text(std::string_view control) {
    return platform::Services().ReadText(app::kProxyWindow, control);
}
void Say(std::string_view control, std::string_view text) {
    platform::Services().WriteText(app::kProxyWindow, control, text);
}

void ProxyLoad() {
    Say(kAddressBox, ReadConfigValue("porxy", "ip", kDefaultIp));
    Say(kPortBox, ReadConfigValue("porxy", "port", kDefaultPort));
}

void ProxyAbandon() { app::RunState().ProxyText.Set("abandon"); }

} // namespace

const platform::Form& ProxyForm() {
    static const platform::Form form{
        .name = app::kProxyWindow,
        .caption = "",
        .left = 120,
        .top = 150,
        .width = 400,
        .height = 200,
        .background = "proxy_background.jpg",
        .controls = {
            {.name = "标签1", .kind = Kind::Label, .left = 128, .top = 24, .width = 61,
             .height = 30, .text = "代理端口："},
            {.name = kPortBox, .kind = Kind::EditBox, .left = 191, .top = 24, .width = 100,
             .height = 30, .text = kDefaultPort, .align = Align::Center,
             .filter = Filter::Integer, .maxLength = 5},
            {.name = "标签2", .kind = Kind::Label, .left = 88, .top = 80, .width = 61,
             .height = 30, .text = "代理地址："},
            {.name = kAddressBox, .kind = Kind::EditBox, .left = 150, .top = 80, .width = 157,
             .height = 30, .text = kDefaultIp, .align = Align::Center, .maxLength = 16},
            {.name = "图形按钮1", .kind = Kind::PictureButton, .left = 62, .top = 128,
             .width = 200, .height = 60, .handCursor = true, .picture = "btn_confirm"},
            {.name = "图形按钮2", .kind = Kind::PictureButton, .left = 302, .top = 0,
             .width = 70, .height = 60, .handCursor = true, .picture = "btn_close"},
        }};
    return form;
}

std::vector<platform::Handler> ProxyHandlers() {
    using platform::Event;
    return {
        {"", Event::Created, ProxyLoad},
        {"图形按钮1", Event::Clicked, ProxyConfirm},
        {"图形按钮2", Event::Clicked, ProxyAbandon},
        // Closed by other means than its button: the opening command must not wait forever.
        {"", Event::CloseRequested, ProxyAbandon},
    };
}

void ProxyConfirm() {
    std::string port = Text(kPortBox);
    if (port.empty() || TextToInteger(port) < 1) {
        Say(kPortBox, "不正确");
        return;
    }
    std::string address = Text(kAddressBox);
    if (address.empty()) {
        Say(kAddressBox, "不能为空");
        return;
    }
    if (http::Split(address, ".").size() != 4) {
        Say(kAddressBox, "无效的IP地址");
        return;
    }
    WriteConfigValue("porxy", "ip", Text(kAddressBox));
    WriteConfigValue("porxy", "port", Text(kPortBox));
    app::RunState().ProxyText.Set(Text(kAddressBox) + ":" + Text(kPortBox));
}

} // namespace config
