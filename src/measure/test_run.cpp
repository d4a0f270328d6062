#include "measure/test_run.h"

#include <cmath>
#include <limits>

#include "app/delay.h"
#include "app/main_window.h"
#include "app/motions.h"
#include "app/run_state.h"
#include "config/config_file.h"
#include "http/web_request.h"
#include "measure/rating.h"
#include "measure/speed_dial.h"
#include "platform/random.h"
#include "platform/ui.h"

namespace measure {

using app::kMainWindow;
using app::RunState;
using platform::Prop;

std::string RateText(int32_t speed) { return FormatInt(speed / 1024) + " kb/s"; }
std::string LiveBandwidthText(int32_t speed) { return BandwidthText(speed) + "/M"; }

void StartTestRun() {
    app::RunStateValues& s = RunState();
    s.TestRunning = 1;
    s.Counter->Exchange(0);
    platform::Ui& ui = platform::Services();
    ui.StartThread(RunMonitor);
    for (int i = 0; i < kWorkerCount; ++i) ui.StartThread(DownloadWorker);
}

void DownloadWorker() {
    app::RunStateValues& s = RunState();
    platform::SeedRandom();
    const int n = platform::RandomNumber(1, 3);
    const bool domestic = s.Domestic != 0;
    const std::string url =
        config::ReadConfigValue(domestic ? "DomesticNode" : "AbroadNode",
                                "URL_" + std::to_string(n), config::DefaultNodeUrl(domestic, n));
    http::WebRequestOptions options;
    options.timeLimitSeconds = s.TestSeconds.load();
    options.keepBody = false;
    if (s.ViaProxy) options.proxy = s.ProxyText.Get();
    http::WebRequest(url, options);
}

void RunMonitor() {
    app::RunStateValues& s = RunState();
    platform::Ui& ui = platform::Services();
    uint32_t lastTick = ui.UptimeMs();
    int64_t elapsedMs = 0; // summed from tick differences, so a wrapping clock can't stretch the run
    int32_t samples = 0;
    int32_t speed = 0;
    int32_t previousSpeed = 0;
    RunTotal total;
    for (bool goOn = true; goOn;) {
        ++samples;
        (void)s.Counter->Read();
        const int64_t bytes = total.Update(s.Counter->Read());
        speed = static_cast<int32_t>(
            std::min<int64_t>(bytes / samples, std::numeric_limits<int32_t>::max()));
        ShowSpeedGrade(speed);
        ui.WriteText(kMainWindow, "编辑框_实时速率", RateText(speed));
        ui.WriteText(kMainWindow, "编辑框_得出带宽", LiveBandwidthText(speed));
        const int64_t remaining = static_cast<int64_t>(s.TestSeconds) - samples;
        if (remaining >= 0) ui.WriteText(kMainWindow, "编辑框_倒计时", FormatInt(static_cast<int32_t>(remaining)));
        ui.ProcessEvents();
        const int32_t dialMs = MoveNeedle(kMainWindow, "动画框1", speed, previousSpeed);
        app::DelayWithEvents(1000 - dialMs);
        const uint32_t now = ui.UptimeMs();
        elapsedMs += static_cast<uint32_t>(now - lastTick);
        lastTick = now;
        if (elapsedMs > static_cast<int64_t>(s.TestSeconds) * 1000) goOn = false;
        if (speed > 1024) previousSpeed = speed;
    }

    ui.WriteText(kMainWindow, "编辑框_倒计时", "0");
    ui.WriteText(kMainWindow, "编辑框_倒计时", "ok");
    s.TestRunning = 0;
    app::DelayWithEvents(500);
    const int width = ui.ReadNumber(kMainWindow, {}, Prop::Width);
    const int centred = static_cast<int>(std::trunc(ui.ScreenWidth() / 2.0 - width / 2.0));
    s.SavedLeft = centred;
    app::FlyOffRight();
    app::FlyInFromLeft(centred, app::ShowResultPanel);
    WriteResultPanel(speed);
}

} // namespace measure
