// The monitor of a run against a scripted counter and a virtual clock, and the workers'
// start: a 15-second run takes milliseconds.
#include <gtest/gtest.h>

#include "app/run_state.h"
#include "measure/speed_dial.h"
#include "measure/test_run.h"
#include "support/headless_fixture.h"

namespace {

using app::kMainWindow;
using app::RunState;
using platform::Prop;

class MonitorTest : public testing_support::HeadlessTest {
protected:
    MonitorTest() {
        LoadBareMainWindow();
        ui_->SetScreenWidth(1600);
        for (platform::Bytes p : measure::SplitDialStrip(platform::FindAsset("dial_strip.bin")))
            RunState().DialFrames->Append(p);
    }
    ~MonitorTest() override { RunState().DialFrames->Clear(); }

    // Each paced wait of the monitor (the rest of its second) adds bytesPerSecond to the
    // counter and lasts 5 ms longer than asked, as real waits do.
    void Script(int32_t bytesPerSecond) {
        ui_->SetDelayHook([this, bytesPerSecond](int64_t ms) {
            if (ms <= 10 || ms == 500) return;
            RunState().Counter->Add(bytesPerSecond);
            ui_->SetUptime(ui_->UptimeMs() + 5);
        });
    }
    std::vector<std::string> Texts(std::string_view control) {
        std::vector<std::string> texts;
        for (const auto& w : ui_->Writes())
            if (w.prop == Prop::Text && w.control == control) texts.push_back(w.text);
        return texts;
    }
    std::string Text(std::string_view control) { return ui_->ReadText(kMainWindow, control); }
};

TEST_F(MonitorTest, FifteenSecondsOfOneMegabyteASecond) {
    RunState().TestSeconds = 15;
    RunState().TestRunning = 1;
    Script(1048576);
    measure::RunMonitor();

    std::vector<std::string> countdown = Texts("编辑框_倒计时");
    std::vector<std::string> expected;
    for (int r = 14; r >= 0; --r) expected.push_back(std::to_string(r));
    expected.push_back("0");
    expected.push_back("ok");
    EXPECT_EQ(countdown, expected);

    // 15th sample: 14 MiB over 15 samples.
    EXPECT_EQ(Text("编辑框_实时速率"), "955 kb/s");
    EXPECT_EQ(Text("编辑框_得出带宽"), "8/M");
    EXPECT_EQ(Text("编辑框_速度评估"), "汽车");
    EXPECT_EQ(Text("编辑框_评估网速等级"), "汽车");
    EXPECT_EQ(Text("编辑框_评估平均带宽"), "8 兆");
    EXPECT_EQ(Text("编辑框_评估中国排名"), "68.2 %");
    EXPECT_EQ(RunState().TestRunning, 0);
    EXPECT_EQ(RunState().SavedLeft, 484);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, {}, Prop::Left), 484);
    EXPECT_EQ(ui_->ReadNumber(kMainWindow, "动画框2", Prop::Visible), 1);
}

TEST_F(MonitorTest, FirstSampleShowsNothingReceivedAndFiveSecondsCountDown) {
    RunState().TestSeconds = 5;
    Script(1048576);
    measure::RunMonitor();
    EXPECT_EQ(Texts("编辑框_实时速率").front(), "0 kb/s");
    EXPECT_EQ(Texts("编辑框_得出带宽").front(), "0/M");
    EXPECT_EQ(Texts("编辑框_速度评估").front(), "断线");
    EXPECT_EQ(Texts("编辑框_倒计时"),
              (std::vector<std::string>{"4", "3", "2", "1", "0", "0", "ok"}));
    EXPECT_EQ(Text("编辑框_实时速率"), "819 kb/s");
    EXPECT_EQ(Text("编辑框_得出带宽"), "6.8/M");
}

TEST_F(MonitorTest, TheResultPanelAppearsBetweenTheFirstAndSecondStepOfTheFlyIn) {
    RunState().TestSeconds = 5;
    Script(0);
    measure::RunMonitor();
    const auto writes = ui_->Writes();
    size_t offLeft = 0, panelShown = 0, nextStep = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        const auto& w = writes[i];
        if (w.control.empty() && w.prop == Prop::Left && w.number == -632) offLeft = i;
        if (w.control == "动画框2" && w.prop == Prop::Visible && w.number == 1) panelShown = i;
        if (offLeft && !nextStep && i > offLeft && w.control.empty() && w.prop == Prop::Left) nextStep = i;
    }
    EXPECT_LT(offLeft, panelShown);
    EXPECT_LT(panelShown, nextStep);
    EXPECT_EQ(Text("编辑框_评估网速等级"), "断线");
    EXPECT_EQ(Text("编辑框_评估中国排名"), "0 %");
}

TEST_F(MonitorTest, ACounterThatWrapsPastTwoGigabytesStillGivesTheRightRate) {
    RunState().TestSeconds = 15;
    Script(209715200); // 200 MiB a second: 2.9 GB in the run, past the 32-bit counter
    measure::RunMonitor();
    EXPECT_EQ(Text("编辑框_实时速率"), std::to_string(int64_t(14) * 209715200 / 15 / 1024) + " kb/s");
    EXPECT_EQ(Text("编辑框_评估网速等级"), "光速");
}

TEST_F(MonitorTest, AnUptimeThatWrapsDuringTheRunDoesNotStretchIt) {
    RunState().TestSeconds = 5;
    ui_->SetUptime(0xFFFFFFFFu - 2500);
    Script(1048576);
    measure::RunMonitor();
    EXPECT_EQ(Texts("编辑框_倒计时").size(), 7u); // 4..0, then "0" and "ok"
}

TEST_F(MonitorTest, ASettingsSaveDuringTheRunChangesItsLength) {
    RunState().TestSeconds = 15;
    ui_->SetDelayHook([this, n = 0](int64_t ms) mutable {
        if (ms <= 10 || ms == 500) return;
        ui_->SetUptime(ui_->UptimeMs() + 5);
        if (++n == 2) RunState().TestSeconds = 5;
    });
    measure::RunMonitor();
    EXPECT_EQ(Texts("编辑框_倒计时"),
              (std::vector<std::string>{"14", "13", "2", "1", "0", "0", "ok"}));
}

class StartRunTest : public testing_support::HeadlessTest {};

TEST_F(StartRunTest, StartsTheMonitorThenTwentyWorkersAfterResettingTheCounter) {
    RunState().Counter->Exchange(12345);
    measure::StartTestRun();
    EXPECT_EQ(RunState().TestRunning, 1);
    EXPECT_EQ(RunState().Counter->Read(), 0);
    EXPECT_EQ(ui_->TakeThreads().size(), 21u);
}

TEST(RunTotal, UnwrapsTheThirtyTwoBitCounter) {
    measure::RunTotal total;
    EXPECT_EQ(total.Update(1000), 1000);
    EXPECT_EQ(total.Update(2147483647), 2147483647);
    EXPECT_EQ(total.Update(-2147483647 - 1), 2147483648LL);
    EXPECT_EQ(total.Update(-1), 4294967295LL);
    EXPECT_EQ(total.Update(5), 4294967301LL);
}

} // namespace
