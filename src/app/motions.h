// The window motions: every step writes a left edge, refreshes and waits 10 ms.
#pragma once
#include <functional>
#include <string_view>

namespace app {

// Main window enters from the left to trunc((screen width - width) / 2 - 100).
void SlideInAtStart();
// One step of the drift during the dial's intro: on intro frame j (from 1), while j < 20,
// moves the main window right by 20 - j pixels (no refresh, no wait of its own).
void IntroDrift(int frame);
// Stores the left edge in SavedLeft, then steps right by 48, 46, ... until past distance.
void NudgeRight(int distance);
// A child window leaves to the left, accelerating, until its right edge is at or left of 0.
void SlideOffLeft(std::string_view child);
// Main window leaves to the right, accelerating, until it is off screen.
void FlyOffRight();
// Main window comes back from just off the left edge to target, slowing down;
// betweenSteps runs after the first step (the window placed off screen), before the second.
void FlyInFromLeft(int target, const std::function<void()>& betweenSteps = {});
// The dial plays pictures 3, 6, ... while the window drifts right, then picture 110.
void ExitDrift();
// Asks the window manager to move the main window with the mouse.
void BeginWindowDrag();

} // namespace app
