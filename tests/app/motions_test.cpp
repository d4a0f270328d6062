#include <gtest/gtest.h>

#include <numeric>

#include "app/motions.h"
#include "app/run_state.h"
#include "support/headless_fixture.h"

namespace {

using platform::Prop;
using app::kMainWindow;

class MotionsTest : public testing_support::HeadlessTest {
protected:
    MotionsTest() { LoadBareMainWindow(); }
    void SetLeft(int left) { ui_->WriteNumber(kMainWindow, {}, Prop::Left, left); ui_->ClearWrites(); }
    int Left() { return ui_->ReadNumber(kMainWindow, {}, Prop::Left); }
    static std::vector<int> Steps(int from, const std::vector<int>& lefts) {
        std::vector<int> steps;
        for (int l : lefts) {
            steps.push_back(l - from);
            from = l;
        }
        return steps;
    }
};

TEST_F(MotionsTest, SlideInAtStartLandsExactlyOnTheTarget) {
    for (int screen : {1920, 1366, 1024, 800}) {
        ui_->SetScreenWidth(screen);
        SetLeft(50);
        app::SlideInAtStart();
        const int target = static_cast<int>((screen - 632) / 2.0 - 100);
        std::vector<int> lefts = ui_->Lefts(kMainWindow);
        ASSERT_GE(lefts.size(), 3u);
        EXPECT_EQ(lefts.front(), -642);
        EXPECT_EQ(lefts.back(), target) << screen;
        EXPECT_EQ(Left(), target);
        EXPECT_EQ(ui_->ReadNumber(kMainWindow, {}, Prop::Visible), 1);
        // Full steps of 100, then the last 200 pixels in steps that shrink by 20.
        std::vector<int> steps = Steps(lefts.front(), {lefts.begin() + 1, lefts.end() - 1});
        for (size_t i = 0; i + 1 < steps.size(); ++i)
            EXPECT_TRUE(steps[i] == 100 || steps[i + 1] == steps[i] - 20) << i;
        EXPECT_GT(steps.back(), 0);
    }
}

TEST_F(MotionsTest, SlideInStepSequence) {
    ui_->SetScreenWidth(1432); // target 300, 942 pixels from the start
    app::SlideInAtStart();
    std::vector<int> lefts = ui_->Lefts(kMainWindow);
    std::vector<int> steps = Steps(-642, {lefts.begin() + 1, lefts.end() - 1});
    EXPECT_EQ(steps, (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 80, 60, 40}));
    EXPECT_EQ(lefts[lefts.size() - 2], 338);
    EXPECT_EQ(lefts.back(), 300);
}

TEST_F(MotionsTest, IntroDriftMovesNineteenDownToOneThenStops) {
    SetLeft(100);
    for (int j = 1; j <= 36; ++j) app::IntroDrift(j);
    EXPECT_EQ(Left(), 290);
    EXPECT_EQ(Steps(100, ui_->Lefts(kMainWindow)).front(), 19);
    EXPECT_EQ(ui_->Lefts(kMainWindow).size(), 19u);
}

TEST_F(MotionsTest, NudgeRightStoresTheLeftEdgeAndOvershoots) {
    struct Case { int distance, steps, end; } cases[] = {{400, 11, 418}, {500, 15, 510}};
    for (const Case& c : cases) {
        SetLeft(123);
        app::NudgeRight(c.distance);
        EXPECT_EQ(app::RunState().SavedLeft, 123);
        std::vector<int> lefts = ui_->Lefts(kMainWindow);
        EXPECT_EQ(lefts.size(), static_cast<size_t>(c.steps));
        EXPECT_EQ(Steps(123, lefts).front(), 48);
        EXPECT_EQ(Left(), 123 + c.end);
        // Every step waits 10 ms.
        EXPECT_EQ(ui_->Delays(), std::vector<int64_t>(c.steps, 10));
    }
}

TEST_F(MotionsTest, FlyOffRightEndsOffScreenAndFlyInLandsOnTarget) {
    ui_->SetScreenWidth(1000);
    SetLeft(200);
    app::FlyOffRight();
    std::vector<int> out = Steps(200, ui_->Lefts(kMainWindow));
    EXPECT_EQ((std::vector<int>{out[0], out[1], out[2]}), (std::vector<int>{5, 10, 15}));
    EXPECT_GE(Left(), 1000);

    ui_->ClearWrites();
    bool betweenRan = false;
    int leftWhenBetween = 0;
    app::FlyInFromLeft(800, [&] {
        betweenRan = true;
        leftWhenBetween = Left();
    });
    EXPECT_TRUE(betweenRan);
    EXPECT_EQ(leftWhenBetween, -632);
    std::vector<int> lefts = ui_->Lefts(kMainWindow);
    std::vector<int> steps = Steps(-632, {lefts.begin() + 1, lefts.end() - 1});
    EXPECT_EQ((std::vector<int>(steps.begin(), steps.begin() + 3)), (std::vector<int>{140, 130, 120}));
    EXPECT_EQ(steps.back(), 30);
    EXPECT_EQ(Left(), 800);
}

TEST_F(MotionsTest, SlideOffLeftMovesTheChildUntilItsRightEdgeIsOffScreen) {
    platform::Form child{.name = "Child", .caption = "", .left = 300, .top = 10, .width = 400,
                         .height = 200, .background = "", .controls = {}};
    ui_->LoadWindow(child, kMainWindow, {});
    app::SlideOffLeft("Child");
    std::vector<int> steps = Steps(300, ui_->Lefts("Child"));
    EXPECT_EQ((std::vector<int>{steps[0], steps[1], steps[2]}), (std::vector<int>{-5, -10, -15}));
    EXPECT_LE(ui_->ReadNumber("Child", {}, Prop::Left) + 400, 0);
}

TEST_F(MotionsTest, ExitDriftPlaysEveryThirdPictureThenTheLast) {
    static unsigned char pictures[110];
    for (size_t i = 0; i < 110; ++i) app::RunState().DialFrames->Append({&pictures[i], 1});
    SetLeft(0);
    app::ExitDrift();
    std::vector<const unsigned char*> shown;
    for (const auto& w : ui_->Writes())
        if (w.prop == Prop::Picture) shown.push_back(w.picture);
    ASSERT_EQ(shown.size(), 37u);
    for (size_t i = 1; i <= 36; ++i) EXPECT_EQ(shown[i - 1], &pictures[3 * i - 1]);
    EXPECT_EQ(shown.back(), &pictures[109]);
    EXPECT_EQ(Left(), 119);
    app::RunState().DialFrames->Clear();
}

TEST_F(MotionsTest, ExitDriftWithoutPicturesStillFinishes) {
    app::RunState().DialFrames->Clear();
    app::ExitDrift();
    for (const auto& w : ui_->Writes()) EXPECT_NE(w.prop, Prop::Picture);
}

TEST_F(MotionsTest, DragIsRequestedFromTheWindowManager) {
    app::BeginWindowDrag();
    EXPECT_EQ(ui_->DragRequests(), 1);
}

} // namespace
