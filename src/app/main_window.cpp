#include "app/main_window.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/delay.h"
#include "app/motions.h"
#include "app/run_state.h"
#include "config/config_file.h"
#include "config/proxy_window.h"
#include "config/settings_window.h"
#include "measure/speed_dial.h"
#include "measure/test_run.h"

namespace app {
namespace {

using platform::Event;
using platform::Prop;

struct PanelControl {
    std::string_view name;
    int left, top; // where it stands when shown; hidden it keeps top and moves to -1000
};

constexpr std::array<PanelControl, 7> kResultPanel{{
    {"动画框2", 279, 103},
    {"标签1", 289, 165},
    {"编辑框_评估网速等级", 364, 165},
    {"标签2", 289, 204},
    {"编辑框_评估平均带宽", 364, 204},
    {"标签3", 289, 248},
    {"编辑框_评估中国排名", 364, 248},
}};

// Clears Busy on every way out of a command.
struct BusyScope {
    ~BusyScope() { RunState().Busy = 0; }
};

} // namespace

void HideResultPanel() {
    platform::Ui& ui = platform::Services();
    for (const PanelControl& c : kResultPanel) ui.WriteNumber(kMainWindow, c.name, Prop::Visible, 0);
    for (const PanelControl& c : kResultPanel) {
        ui.WriteNumber(kMainWindow, c.name, Prop::Left, -1000);
        ui.WriteNumber(kMainWindow, c.name, Prop::Top, c.top);
    }
}

void ShowResultPanel() {
    platform::Ui& ui = platform::Services();
    for (const PanelControl& c : kResultPanel) ui.WriteNumber(kMainWindow, c.name, Prop::Visible, 1);
    for (const PanelControl& c : kResultPanel) {
        ui.WriteNumber(kMainWindow, c.name, Prop::Left, c.left);
        ui.WriteNumber(kMainWindow, c.name, Prop::Top, c.top);
    }
}

void OnMainWindowCreated() {
    platform::Ui& ui = platform::Services();
    ui.WriteNumber(kMainWindow, {}, Prop::Visible, 0);
    RunState().TestSeconds = 15;
    config::WriteConfigDefaults();
    ui.SetTransparency(kMainWindow, 225);
    SlideInAtStart();
    measure::PlayDialIntro();
}

void DirectTestCommand(int d) {
    RunStateValues& s = RunState();
    if (s.Busy) return;
    s.Busy = 1;
    BusyScope busy;
    HideResultPanel();
    s.Domestic = d;
    s.ViaProxy = 0;
    if (s.TestRunning == 0) measure::StartTestRun();
}

void ProxyTestCommand(int d) {
    RunStateValues& s = RunState();
    if (s.Busy) return;
    HideResultPanel();
    s.Busy = 1;
    BusyScope busy;
    s.ProxyText.Set("");
    s.Domestic = d;
    s.ViaProxy = 1;
    AskChildWindow(config::ProxyForm(), config::ProxyHandlers(), 400,
                   [&s] { return s.ProxyText.IsEmpty(); });
    if (s.ProxyText.Get() == "abandon") return;
    if (s.TestRunning == 0) measure::StartTestRun();
}

void SettingsCommand() {
    RunStateValues& s = RunState();
    if (s.Busy) return;
    s.Busy = 1;
    BusyScope busy;
    s.SettingsOpen = 1;
    AskChildWindow(config::SettingsForm(), config::SettingsHandlers(), 500,
                   [&s] { return s.SettingsOpen == 1; });
}

void AskChildWindow(const platform::Form& child, std::vector<platform::Handler> handlers,
                    int distance, const std::function<bool()>& waitWhile) {
    platform::Ui& ui = platform::Services();
    NudgeRight(distance);
    // The child opens in the room the nudge made: beside the main window, centred on it.
    const int left = ui.ReadNumber(kMainWindow, {}, Prop::Left) - child.width - 10;
    const int top = ui.ReadNumber(kMainWindow, {}, Prop::Top) +
                    (ui.ReadNumber(kMainWindow, {}, Prop::Height) - child.height) / 2;
    ui.LoadWindow(child, kMainWindow, std::move(handlers),
                  platform::Placement{std::max(left, 0), std::max(top, 0)});
    ui.SetTransparency(child.name, 200);
    while (waitWhile()) DelayWithEvents(50);
    SlideOffLeft(child.name);
    ui.DestroyWindow(child.name);
    FlyOffRight();
    FlyInFromLeft(RunState().SavedLeft);
}

void ExitCommand() {
    ExitDrift();
    FlyOffRight();
    platform::Services().EndProgram(0);
}

void OpenHomePage() { platform::Services().OpenUrl(config::kHomePageUrl); }

std::vector<platform::Handler> MainHandlers() {
    return {
        {"", Event::Created, OnMainWindowCreated},
        {"图形按钮_代理国外测速", Event::Clicked, [] { ProxyTestCommand(0); }},
        {"图形按钮_代理国内测速", Event::Clicked, [] { ProxyTestCommand(1); }},
        {"图形按钮_本地国外测速", Event::Clicked, [] { DirectTestCommand(0); }},
        {"图形按钮_本地国内测速", Event::Clicked, [] { DirectTestCommand(1); }},
        {"图形按钮_设置", Event::Clicked, SettingsCommand},
        {"图形按钮_退出", Event::LeftReleased, ExitCommand},
        {"动画框2", Event::LeftReleased, OpenHomePage},
        {"", Event::LeftPressed, BeginWindowDrag},
        {"动画框1", Event::LeftPressed, BeginWindowDrag},
        // Closed by the window manager: the program ends as through the exit command's end.
        {"", Event::CloseRequested, [] { platform::Services().EndProgram(0); }},
    };
}

} // namespace app
