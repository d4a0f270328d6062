#include "app/motions.h"

#include <cmath>

#include "app/delay.h"
#include "app/run_state.h"
#include "platform/ui.h"

namespace app {
namespace {

using platform::Prop;

int Left(std::string_view window) {
    return platform::Services().ReadNumber(window, {}, Prop::Left);
}

// One step of a motion: place the window, repaint it, wait 10 ms.
void Step(std::string_view window, double left) {
    platform::Ui& ui = platform::Services();
    ui.WriteNumber(window, {}, Prop::Left, static_cast<int>(std::trunc(left)));
    ui.Refresh(window, {});
    DelayWithEvents(10);
}

// a < b with the tolerance real comparisons use.
bool Below(double a, double b) { return b - a > 1e-7; }

} // namespace

void SlideInAtStart() {
    platform::Ui& ui = platform::Services();
    const int width = ui.ReadNumber(kMainWindow, {}, Prop::Width);
    ui.WriteNumber(kMainWindow, {}, Prop::Left, static_cast<int>(std::trunc(0.0 - width - 10)));
    ui.WriteNumber(kMainWindow, {}, Prop::Visible, 1);
    const int target = static_cast<int>(std::trunc((ui.ScreenWidth() - width) / 2.0 - 100));
    int step = 100;
    for (int left = Left(kMainWindow); left < target; left = Left(kMainWindow)) {
        step = left + 200 > target ? step - 20 : 100;
        Step(kMainWindow, static_cast<double>(left) + step);
    }
    ui.WriteNumber(kMainWindow, {}, Prop::Left, target);
    ui.Refresh(kMainWindow, {});
}

void IntroDrift(int frame) {
    if (frame >= 20) return;
    platform::Services().WriteNumber(kMainWindow, {}, Prop::Left,
                                     Left(kMainWindow) + 20 - frame);
}

void NudgeRight(int distance) {
    RunState().SavedLeft = Left(kMainWindow);
    const double end = static_cast<double>(RunState().SavedLeft.load()) + distance;
    int step = 50;
    while (Below(Left(kMainWindow), end)) {
        step -= 2;
        Step(kMainWindow, static_cast<double>(Left(kMainWindow)) + step);
    }
}

void SlideOffLeft(std::string_view child) {
    platform::Ui& ui = platform::Services();
    int step = 0;
    while (Left(child) + ui.ReadNumber(child, {}, Prop::Width) > 0) {
        step += 5;
        Step(child, static_cast<double>(Left(child)) - step);
    }
}

void FlyOffRight() {
    platform::Ui& ui = platform::Services();
    int step = 0;
    while (Left(kMainWindow) < ui.ScreenWidth()) {
        step += 5;
        Step(kMainWindow, static_cast<double>(Left(kMainWindow)) + step);
    }
}

void FlyInFromLeft(int target, const std::function<void()>& betweenSteps) {
    platform::Ui& ui = platform::Services();
    const int width = ui.ReadNumber(kMainWindow, {}, Prop::Width);
    ui.WriteNumber(kMainWindow, {}, Prop::Left, -width);
    if (betweenSteps) betweenSteps();
    int step = 150;
    while (Left(kMainWindow) < target) {
        if (step > 30) step -= 10;
        Step(kMainWindow, static_cast<double>(Left(kMainWindow)) + step);
    }
    ui.WriteNumber(kMainWindow, {}, Prop::Left, target);
    ui.Refresh(kMainWindow, {});
}

void ExitDrift() {
    platform::Ui& ui = platform::Services();
    const measure::DialFrames* frames = RunState().DialFrames;
    const std::size_t n = frames ? frames->Count() : 0;
    auto show = [&](std::size_t number) {
        platform::Bytes picture = frames ? frames->Picture(number) : platform::Bytes{};
        if (picture.empty()) return; // the dial's intro has not cut its pictures yet
        ui.WritePicture(kMainWindow, "动画框1", picture);
        ui.Refresh(kMainWindow, "动画框1");
    };
    for (std::size_t i = 1; i <= n / 3; ++i) {
        show(3 * i);
        const double left = Left(kMainWindow) + static_cast<double>(i) / 5.0;
        ui.WriteNumber(kMainWindow, {}, Prop::Left, static_cast<int>(std::trunc(left)));
        DelayWithEvents(10);
    }
    show(measure::kDialPictureCount);
    DelayWithEvents(10);
}

void BeginWindowDrag() { platform::Services().BeginWindowDrag(kMainWindow); }

} // namespace app
