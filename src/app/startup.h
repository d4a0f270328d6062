// Program start and end: shared objects, crash report, main window, event loop.
#pragma once

namespace app {

// The entry routine; the window services must be installed. Returns the exit code 0.
int StartUp();
// Makes Counter and the empty DialFrames.
void CreateSharedObjects();
// Runs once when the program ends.
void ShutDown();

} // namespace app
