#include "measure/speed_dial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/delay.h"
#include "app/motions.h"
#include "app/run_state.h"
#include "measure/dial_frames.h"
#include "platform/ui.h"

namespace measure {
namespace {

// "play图片分割线.....play图片分割线" in code page 936, without a terminating zero.
constexpr std::array<unsigned char, 33> kStripMarker{
    'p',  'l',  'a',  'y',  0xCD, 0xBC, 0xC6, 0xAC, 0xB7, 0xD6, 0xB8,
    0xEE, 0xCF, 0xDF, '.',  '.',  '.',  '.',  '.',  'p',  'l',  'a',
    'y',  0xCD, 0xBC, 0xC6, 0xAC, 0xB7, 0xD6, 0xB8, 0xEE, 0xCF, 0xDF};

constexpr std::string_view kDialControl = "动画框1";
constexpr int kStepDelayMs = 10;
constexpr double kTolerance = 1e-7;

// A group of equally wide speed bands; within it picture p covers
// [start + (p - first) × width, start + (p - first + 1) × width].
struct BandGroup {
    int first, last;
    int64_t width, start;
};

constexpr std::array<BandGroup, 8> kBandGroups{{
    {1, 30, 10240, 0},
    {31, 40, 30720, 307200},
    {41, 50, 40960, 614400},
    {51, 70, 51200, 1024000},
    {71, 80, 102400, 2048000},
    {81, 90, 204800, 3072000},
    {91, 100, 512000, 5120000},
    {101, 110, 1024000, 10240000},
}};

// The needle's base step, chosen by the speed it moves to.
int64_t StepFor(int32_t c) {
    if (c >= 104857600) return 10485760;
    if (c >= 10485760) return 1048576;
    if (c >= 1048576) return 102400;
    if (c >= 102400) return 10240;
    if (c >= 10240) return 1024;
    return 0;
}

// A picture that is not there (no strip, frames not filled yet) is simply not drawn.
void ShowPicture(std::string_view window, std::string_view control, std::size_t number) {
    const DialFrames* frames = app::RunState().DialFrames;
    if (frames == nullptr) return;
    platform::Bytes picture = frames->Picture(number);
    if (picture.empty()) return;
    platform::Ui& ui = platform::Services();
    ui.WritePicture(window, control, picture);
    ui.Refresh(window, control);
}

int32_t ToSpeed(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

std::vector<platform::Bytes> SplitDialStrip(platform::Bytes strip) {
    std::vector<platform::Bytes> pieces;
    auto from = strip.begin();
    while (from != strip.end()) {
        auto marker = std::search(from, strip.end(), kStripMarker.begin(), kStripMarker.end());
        pieces.push_back(platform::Bytes(from, marker));
        if (marker == strip.end()) break;
        from = marker + static_cast<std::ptrdiff_t>(kStripMarker.size());
    }
    return pieces;
}

void PlayDialIntro() {
    std::vector<platform::Bytes> pieces = SplitDialStrip(platform::FindAsset("dial_strip.bin"));
    if (DialFrames* frames = app::RunState().DialFrames) {
        frames->Clear();
        for (platform::Bytes piece : pieces) frames->Append(piece);
    }

    // The sweep counts down from 108 whatever the strip holds; numbers outside it show nothing.
    const int steps = static_cast<int>(pieces.size() / 3);
    for (int j = 1; j <= steps; ++j) {
        int number = 111 - 3 * j;
        if (number >= 1) ShowPicture(app::kMainWindow, kDialControl, static_cast<std::size_t>(number));
        app::IntroDrift(j);
        app::DelayWithEvents(kStepDelayMs);
    }
    ShowPicture(app::kMainWindow, kDialControl, 1);
    app::DelayWithEvents(kStepDelayMs);
}

int SpeedPicture(int32_t speed) {
    if (speed < 0) return 1;
    for (const BandGroup& g : kBandGroups) {
        int64_t end = g.start + (g.last - g.first + 1) * g.width;
        if (speed > end) continue;
        // The first picture whose upper end reaches the speed; a shared end shows the lower one.
        int64_t above = speed - g.start;
        int64_t index = above <= 0 ? 0 : (above + g.width - 1) / g.width - 1;
        return g.first + static_cast<int>(index);
    }
    return kBandGroups.back().last; // beyond the scale the needle stays at the top
}

void ShowSpeedFrame(std::string_view window, std::string_view control, int32_t speed) {
    ShowPicture(window, control, static_cast<std::size_t>(SpeedPicture(speed)));
    app::DelayWithEvents(kStepDelayMs);
    platform::Services().ProcessEvents();
}

int32_t MoveNeedle(std::string_view window, std::string_view control, int32_t c, int32_t d) {
    const uint32_t t0 = platform::Services().UptimeMs();

    int64_t step = StepFor(c);
    // A big change moves in finer steps.
    if (c - 1.4 * d > kTolerance || d / 2.0 - c > kTolerance) step /= 3;

    // 64-bit values: v + step and v × 1.1 may pass the 32-bit range near the top.
    int64_t v = d;
    if (c > d) {
        do {
            double grown = std::trunc(static_cast<double>(v + step) * 1.1);
            int64_t next = grown > c ? c : static_cast<int64_t>(grown);
            // Below 10 with a step of 0 (or from a negative start) the rise would stall or
            // run away from c; the needle then goes straight to c.
            if (next <= v) next = c;
            v = next;
            ShowSpeedFrame(window, control, ToSpeed(v));
        } while (v < c);
    } else {
        while (v > c) {
            v -= step;
            if (v > c) v = c;
            ShowSpeedFrame(window, control, ToSpeed(v));
        }
    }

    return static_cast<int32_t>(platform::Services().UptimeMs() - t0);
}

} // namespace measure
