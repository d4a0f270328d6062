#include "app/run_state.h"

namespace app {

RunStateValues& RunState() {
    static RunStateValues values;
    return values;
}

void ResetRunState() {
    RunStateValues& s = RunState();
    s.Busy = 0;
    s.TestRunning = 0;
    s.Domestic = 0;
    s.ViaProxy = 0;
    s.ProxyText.Set("");
    s.SettingsOpen = 0;
    s.SavedLeft = 0;
    s.TestSeconds = 0;
}

} // namespace app
