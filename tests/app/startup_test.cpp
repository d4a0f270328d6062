#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/main_window.h"
#include "app/run_state.h"
#include "app/startup.h"
#include "measure/test_run.h"
#include "support/headless_fixture.h"

namespace {

using app::kMainWindow;
using app::RunState;
using platform::Event;
using platform::Prop;

class StartupTest : public testing_support::HeadlessTest {
protected:
    StartupTest() { ui_->SetScreenWidth(1600); }
    void Start() { ui_->LoadWindow(app::MainForm(), {}, app::MainHandlers()); }
};

std::vector<std::string> SectionsInOrder(const std::string& ini) {
    std::vector<std::string> sections;
    size_t pos = 0;
    while ((pos = ini.find('[', pos)) != std::string::npos) {
        size_t end = ini.find(']', pos);
        sections.push_back(ini.substr(pos + 1, end - pos - 1));
        pos = end;
    }
    return sections;
}

TEST_F(StartupTest, FirstStartWritesConfAndSlidesInWithTheIntro) {
    Start();
    EXPECT_EQ(RunState().TestSeconds, 15);
    EXPECT_EQ(ui_->ReadText(kMainWindow, "编辑框_倒计时"), "15");
    EXPECT_EQ(ui_->Transparency(kMainWindow), 225);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, {}, Prop::Visible), 1);
    const std::string ini = testing_support::ReadFile(dir_ / "conf.ini");
    EXPECT_EQ(SectionsInOrder(ini),
              (std::vector<std::string>{"Official", ".", "time", "AbroadNode", "DomesticNode"}));
    // The intro drift takes the window 190 pixels past the slide-in target.
    ASSERT_EQ(RunState().DialFrames->Count(), 110u) << "the dial strip is not embedded";
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, {}, Prop::Left), (1600 - 632) / 2 - 100 + 190);
    EXPECT_EQ(RunState().Busy, 0);
    EXPECT_EQ(RunState().TestRunning, 0);
    EXPECT_EQ(RunState().ProxyText.Get(), "");
}

TEST_F(StartupTest, ATestClickedDuringTheIntroRunsAndTheIntroCarriesOn) {
    ui_->SetDelayHook([this, done = false](int64_t) mutable {
        if (done || RunState().DialFrames->Count() == 0) return;
        done = true;
        ui_->PostEvent(std::string(kMainWindow), "图形按钮_本地国内测速", Event::Clicked);
    });
    Start();
    EXPECT_EQ(ui_->ThreadsStarted(), 1 + measure::kWorkerCount);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, {}, Prop::Left), (1600 - 632) / 2 - 100 + 190);
}

TEST_F(StartupTest, ShutdownRunsOnceWhicheverWayTheProgramEnds) {
    ui_->SetShutdownRoutine(app::ShutDown);
    Start();
    RunState().ProxyText.Set("1.2.3.4:8080");
    ui_->Fire(kMainWindow, {}, Event::CloseRequested);
    ui_->Fire(kMainWindow, "图形按钮_退出", Event::LeftReleased);
    EXPECT_EQ(ui_->ShutdownRuns(), 1);
    EXPECT_EQ(ui_->ExitCode(), 0);
    EXPECT_EQ(RunState().ProxyText.Get(), "");
    EXPECT_NE(RunState().Counter, nullptr); // a late worker may still add to it
}

} // namespace
