// The speed dial: a film of 110 pictures, one per speed band, in the main window's 动画框1.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/assets.h"

namespace measure {

// Cuts the embedded picture strip at its markers. The pieces are views into the strip, in
// strip order; a marker at the very end leaves no empty piece behind it.
std::vector<platform::Bytes> SplitDialStrip(platform::Bytes strip);

// Fills DialFrames from the embedded strip and sweeps the needle from the top down to rest
// while the main window drifts right. Runs once, on the user-interface thread.
void PlayDialIntro();

// The picture (1 to 110) for a speed in bytes per second. Speeds above the scale hold the
// needle at the top; negative speeds show the rest position.
int SpeedPicture(int32_t speed);

// Shows the speed's picture in the control, then waits 10 ms and lets pending events run.
void ShowSpeedFrame(std::string_view window, std::string_view control, int32_t speed);

// Walks the needle from the previous speed d to the new speed c and returns the
// milliseconds it took. A rise accelerates and lands exactly on c; a fall takes one picture.
int32_t MoveNeedle(std::string_view window, std::string_view control, int32_t c, int32_t d);

} // namespace measure
