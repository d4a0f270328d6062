#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/main_window.h"
#include "app/run_state.h"
#include "config/config_file.h"
#include "measure/test_run.h"
#include "support/headless_fixture.h"

namespace {

using app::kMainWindow;
using app::kProxyWindow;
using app::kSettingsWindow;
using app::RunState;
using platform::Event;
using platform::Prop;

class CommandsTest : public testing_support::HeadlessTest {
protected:
    CommandsTest() {
        std::vector<platform::Handler> handlers;
        for (auto& h : app::MainHandlers())
            if (h.event != Event::Created) handlers.push_back(h);
        ui_->LoadWindow(app::MainForm(), {}, std::move(handlers));
        ui_->WriteNumber(kMainWindow, {}, Prop::Left, 200);
        ui_->SetScreenWidth(1600);
    }
    void Click(std::string_view control) { ui_->Fire(kMainWindow, control, Event::Clicked); }
    int Left() { return ui_->ReadNumber(kMainWindow, {}, Prop::Left); }
    // While the child window is open, queue these clicks (once) for the next dispatch.
    void WhenOpen(std::string_view child, std::vector<std::pair<std::string, std::string>> clicks) {
        ui_->SetDelayHook([this, child = std::string(child), clicks, done = false](int64_t) mutable {
            if (done || !ui_->IsLoaded(child)) return;
            done = true;
            for (auto& [window, control] : clicks) ui_->PostEvent(window, control, Event::Clicked);
        });
    }
};

TEST_F(CommandsTest, DirectTestStartsOneRunWithTheRightFlags) {
    app::ShowResultPanel();
    RunState().Counter->Exchange(999);
    Click("图形按钮_本地国内测速");
    EXPECT_EQ(RunState().Domestic, 1);
    EXPECT_EQ(RunState().ViaProxy, 0);
    EXPECT_EQ(RunState().TestRunning, 1);
    EXPECT_EQ(RunState().Busy, 0);
    EXPECT_EQ(RunState().Counter->Read(), 0);
    EXPECT_EQ(ui_->ThreadsStarted(), 1 + measure::kWorkerCount);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "动画框2", Prop::Visible), 0);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "编辑框_评估中国排名", Prop::Left), -1000);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "编辑框_评估中国排名", Prop::Top), 248);
}

TEST_F(CommandsTest, ATestDuringARunOnlyChangesTheFlags) {
    RunState().TestRunning = 1;
    Click("图形按钮_本地国外测速");
    EXPECT_EQ(ui_->ThreadsStarted(), 0);
    EXPECT_EQ(RunState().Domestic, 0);
    EXPECT_EQ(RunState().Busy, 0);
}

TEST_F(CommandsTest, BusyMakesTestAndSettingsCommandsReturnAtOnce) {
    RunState().Busy = 1;
    RunState().Domestic = 0;
    Click("图形按钮_本地国内测速");
    Click("图形按钮_代理国内测速");
    Click("图形按钮_设置");
    EXPECT_EQ(RunState().Domestic, 0);
    EXPECT_EQ(ui_->ThreadsStarted(), 0);
    EXPECT_EQ(ui_->WindowsLoaded().size(), 1u); // only the main window
    EXPECT_EQ(RunState().Busy, 1);
}

TEST_F(CommandsTest, TheChildOpensBesideTheNudgedMainWindow) {
    ui_->WriteNumber(kMainWindow, {}, Prop::Top, 50);
    int childLeft = 0, childTop = 0;
    ui_->SetDelayHook([&](int64_t) {
        if (!ui_->IsLoaded(kProxyWindow) || childLeft) return;
        childLeft = ui_->ReadNumber(kProxyWindow, {}, Prop::Left);
        childTop = ui_->ReadNumber(kProxyWindow, {}, Prop::Top);
        ui_->PostEvent(std::string(kProxyWindow), "图形按钮2", Event::Clicked);
    });
    Click("图形按钮_代理国外测速");
    EXPECT_EQ(childLeft, 200 + 418 - 400 - 10); // right edge 10 px left of the main window
    EXPECT_EQ(childTop, 50 + (400 - 200) / 2);
}

TEST_F(CommandsTest, CancelledProxyDialogueStartsNothingAndRestoresTheWindow) {
    WhenOpen(kProxyWindow, {{std::string(kProxyWindow), "图形按钮2"}});
    Click("图形按钮_代理国外测速");
    EXPECT_EQ(RunState().ProxyText.Get(), "abandon");
    EXPECT_EQ(ui_->ThreadsStarted(), 0);
    EXPECT_EQ(RunState().Busy, 0);
    EXPECT_FALSE(ui_->IsLoaded(kProxyWindow));
    EXPECT_EQ(ui_->Transparency(kMainWindow), 255);
    EXPECT_EQ(Left(), 200);
    ASSERT_EQ(ui_->WindowsLoaded().size(), 2u);
    EXPECT_EQ(ui_->WindowsLoaded()[1], "ProxyWindow owned by MainWindow");
}

TEST_F(CommandsTest, ConfirmedProxyStartsTheRunThroughIt) {
    WhenOpen(kProxyWindow, {{std::string(kProxyWindow), "图形按钮1"}});
    Click("图形按钮_代理国内测速");
    EXPECT_EQ(RunState().ProxyText.Get(), "127.0.0.1:54321");
    EXPECT_EQ(RunState().ViaProxy, 1);
    EXPECT_EQ(RunState().Domestic, 1);
    EXPECT_EQ(ui_->ThreadsStarted(), 1 + measure::kWorkerCount);
    EXPECT_EQ(RunState().Busy, 0);
    EXPECT_EQ(Left(), 200);
}

TEST_F(CommandsTest, ClicksDuringTheProxyDialogueAreIgnored) {
    WhenOpen(kProxyWindow, {{std::string(kMainWindow), "图形按钮_本地国内测速"},
                            {std::string(kMainWindow), "图形按钮_设置"},
                            {std::string(kProxyWindow), "图形按钮2"}});
    Click("图形按钮_代理国外测速");
    EXPECT_EQ(RunState().Domestic, 0);
    EXPECT_EQ(ui_->ThreadsStarted(), 0);
    for (const std::string& w : ui_->WindowsLoaded()) EXPECT_EQ(w.find("SettingsWindow"), std::string::npos);
    EXPECT_EQ(RunState().Busy, 0);
}

TEST_F(CommandsTest, SettingsClosedLeavesTheWindowWhereItWas) {
    WhenOpen(kSettingsWindow, {{std::string(kSettingsWindow), "图形按钮2"}});
    Click("图形按钮_设置");
    EXPECT_EQ(RunState().SettingsOpen, 0);
    EXPECT_EQ(RunState().Busy, 0);
    EXPECT_FALSE(ui_->IsLoaded(kSettingsWindow));
    EXPECT_EQ(Left(), 200);
}

TEST_F(CommandsTest, ChildClosedByTheWindowManagerAnswersLikeItsCloseButton) {
    ui_->SetDelayHook([this, done = false](int64_t) mutable {
        if (done || !ui_->IsLoaded(kProxyWindow)) return;
        done = true;
        ui_->Post([this] { ui_->Fire(kProxyWindow, {}, Event::CloseRequested); });
    });
    Click("图形按钮_代理国外测速");
    EXPECT_EQ(RunState().ProxyText.Get(), "abandon");
    EXPECT_EQ(RunState().Busy, 0);
}

TEST_F(CommandsTest, ExitDriftsOffAndEndsWithCodeZeroEvenDuringARun) {
    RunState().TestRunning = 1;
    RunState().Busy = 1; // a dialogue is open: the exit command does not look at either
    ui_->Fire(kMainWindow, "图形按钮_退出", Event::LeftReleased);
    EXPECT_EQ(ui_->ExitCode(), 0);
    EXPECT_GE(Left(), 1600);
}

TEST_F(CommandsTest, ResultPanelShowsOverTheDialAndTheLinkOpensTheHomePage) {
    app::ShowResultPanel();
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "动画框2", Prop::Left), 279);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "动画框2", Prop::Top), 103);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "标签3", Prop::Left), 289);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "编辑框_评估网速等级", Prop::Left), 364);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "编辑框_评估网速等级", Prop::Visible), 1);
    ui_->Fire(kMainWindow, "动画框2", Event::LeftReleased);
    ASSERT_EQ(ui_->OpenedUrls().size(), 1u);
    EXPECT_EQ(ui_->OpenedUrls()[0], config::kHomePageUrl);
}

TEST_F(CommandsTest, PressingTheFaceOrTheDialStartsADragButtonsDoNot) {
    ui_->Fire(kMainWindow, {}, Event::LeftPressed);
    ui_->Fire(kMainWindow, "动画框1", Event::LeftPressed);
    EXPECT_FALSE(ui_->Fire(kMainWindow, "图形按钮_设置", Event::LeftPressed));
    EXPECT_EQ(ui_->DragRequests(), 2);
}

} // namespace
