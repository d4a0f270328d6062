#include "app/startup.h"

#include "app/main_form.h"
#include "app/main_window.h"
#include "app/run_state.h"
#include "crash/crash_report.h"
#include "http/web_request.h"
#include "platform/ui.h"

namespace app {

void CreateSharedObjects() {
    RunStateValues& s = RunState();
    if (s.Counter == nullptr) s.Counter = new measure::ByteCounter();
    if (s.DialFrames == nullptr) s.DialFrames = new measure::DialFrames();
}

void ShutDown() {
    // The process ends right after this. Workers and the monitor of a run may still be
    // adding to Counter or showing dial pictures, so those stay; the dial's pictures are
    // views of the program's own strip and own nothing.
    RunState().ProxyText.Set("");
}

int StartUp() {
    platform::Ui& ui = platform::Services();
    http::InitHttp(); // before any thread exists
    CreateSharedObjects();
    ui.SetShutdownRoutine(ShutDown);
    crash::InstallCrashReport(crash::ShowCrashReport, 1);
    ui.LoadWindow(MainForm(), {}, MainHandlers());
    ui.RunEventLoop();
    return 0;
}

} // namespace app
