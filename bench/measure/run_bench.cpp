// Whole-run bench: the real StartTestRun and monitor against a local node that serves at a
// set rate. Prints, per rate, the shown result, what the node delivered, the result the
// monitor's own formula expects, CPU seconds per GB and peak RSS; and, with the Qt backend
// (offscreen), the longest stall of the user-interface thread during a run.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/main_form.h"
#include "app/run_state.h"
#include "app/startup.h"
#include "http/web_request.h"
#include "measure/speed_dial.h"
#include "measure/test_run.h"
#include "paced_node.h"
#include "platform/headless/headless_ui.h"
#include "platform/qt/qt_ui.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTestSeconds = 10;

// The node's byte count over time, sampled every 2 ms.
class SentTimeline {
public:
    explicit SentTimeline(const PacedNode& node) : node_(node) {
        thread_ = std::thread([this] {
            while (!stop_) {
                {
                    std::lock_guard lock(mutex_);
                    points_.emplace_back(Clock::now(), node_.Sent());
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~SentTimeline() {
        stop_ = true;
        thread_.join();
    }
    int64_t At(Clock::time_point t) {
        std::lock_guard lock(mutex_);
        int64_t v = 0;
        for (auto& [when, sent] : points_) {
            if (when > t) break;
            v = sent;
        }
        return v;
    }
    Clock::time_point FirstByte() {
        std::lock_guard lock(mutex_);
        for (auto& [when, sent] : points_)
            if (sent > 0) return when;
        return Clock::now();
    }

private:
    const PacedNode& node_;
    std::mutex mutex_;
    std::vector<std::pair<Clock::time_point, int64_t>> points_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void WriteConf(const std::filesystem::path& dir, int port) {
    std::ofstream f(dir / "conf.ini", std::ios::binary);
    f << "[time]\r\ntime=" << kTestSeconds << "\r\n";
    for (const char* section : {"AbroadNode", "DomesticNode"}) {
        f << "[" << section << "]\r\n";
        for (int n = 1; n <= 3; ++n)
            f << "URL_" << n << "=http://127.0.0.1:" << port << "/node" << n << ".bin\r\n";
    }
}

void Prepare(platform::Ui& ui, const std::filesystem::path& dir) {
    platform::InstallServices(&ui);
    http::InitHttp();
    app::CreateSharedObjects();
    for (platform::Bytes p : measure::SplitDialStrip(platform::FindAsset("dial_strip.bin")))
        app::RunState().DialFrames->Append(p);
    app::RunState().TestSeconds = kTestSeconds;
    (void)dir;
}

// Runs one measurement in this (child) process with the headless window layer and prints
// "shown expected delivered" in bytes per second.
int HeadlessRun(const PacedNode& node, const std::filesystem::path& dir) {
    platform::HeadlessUi ui(platform::HeadlessUi::Clock::Real, platform::HeadlessUi::Threads::Run);
    ui.SetCurrentDirectory(dir.string());
    Prepare(ui, dir);
    ui.LoadWindow(app::MainForm(), {}, {});
    SentTimeline timeline(node);
    measure::StartTestRun();
    const auto deadline = Clock::now() + std::chrono::seconds(kTestSeconds + 30);
    while (ui.ReadText(app::kMainWindow, "编辑框_评估中国排名").empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int samples = 0;
    Clock::time_point lastSample{};
    std::string lastRate;
    for (const auto& w : ui.Writes()) {
        if (w.control == "编辑框_实时速率" && w.prop == platform::Prop::Text) {
            ++samples;
            lastSample = w.at;
            lastRate = w.text;
        }
    }
    const double shown = std::atof(lastRate.c_str()) * 1024 + 512; // the text truncates to KB
    const double expected = samples ? double(timeline.At(lastSample)) / samples : 0;
    const double secs = std::chrono::duration<double>(lastSample - timeline.FirstByte()).count();
    const double delivered = secs > 0 ? timeline.At(lastSample) / secs : 0;
    // Let the workers reach their time limit, so that every byte they take is counted.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::printf("%.0f %.0f %.0f %d %lld\n", shown, expected, delivered, samples,
                static_cast<long long>(node.Sent()));
    std::fflush(stdout);
    return 0;
}

// Runs one measurement with the Qt window layer (offscreen) and prints the longest gap
// between ticks of a 1 ms timer on the user-interface thread while the run went on.
int QtRun(const PacedNode&, const std::filesystem::path& dir) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "run_bench";
    char* argv[] = {name, nullptr};
    platform::QtUi ui(argc, argv);
    std::filesystem::current_path(dir);
    Prepare(ui, dir);
    ui.LoadWindow(app::MainForm(), {}, {});
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed(), worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    measure::StartTestRun();
    tick.start(1);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!ui.ReadText(app::kMainWindow, "编辑框_评估中国排名").empty()) loop.quit();
    });
    poll.start(20);
    loop.exec();
    std::printf("%.1f\n", worst / 1e6);
    std::fflush(stdout);
    std::_Exit(0);
}

struct ChildResult {
    std::string out;
    double cpuSeconds = 0;
    long maxRssKb = 0;
};

ChildResult InChild(int (*run)(const PacedNode&, const std::filesystem::path&),
                    const PacedNode& node, const std::filesystem::path& dir) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    std::fflush(nullptr); // or the child would print the parent's buffered lines again
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        int code = run(node, dir);
        std::fflush(stdout);
        _exit(code); // workers may still be ending; nothing to tidy up
    }
    close(fds[1]);
    ChildResult r;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "measurement process ended with status %d\n", status);
    r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int64_t> rates = {1'000'000, 10'000'000, 100'000'000, 0};
    bool qt = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--quick") rates = {10'000'000, 0};
        if (a == "--no-qt") qt = false;
        if (a.rfind("--rate=", 0) == 0) rates = {std::atoll(a.c_str() + 7)};
    }
    const auto dir = std::filesystem::temp_directory_path() / ("xl-run-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    std::printf("Whole test run, TestSeconds = %d, 20 workers, headless window layer\n", kTestSeconds);
    std::printf("%-10s %12s %12s %12s %8s %9s %11s %9s\n", "set rate", "shown B/s", "expected",
                "delivered", "ratio", "samples", "CPU s/GB", "peak RSS");
    for (int64_t rate : rates) {
        PacedNode node(rate);
        WriteConf(dir, node.port());
        ChildResult r = InChild(HeadlessRun, node, dir);
        double shown = 0, expected = 0, delivered = 0;
        int samples = 0;
        long long sent = 0;
        if (std::sscanf(r.out.c_str(), "%lf %lf %lf %d %lld", &shown, &expected, &delivered, &samples, &sent) != 5)
            std::fprintf(stderr, "unexpected output: [%s]\n", r.out.c_str());
        char label[32];
        std::snprintf(label, sizeof label, rate ? "%lld MB/s" : "unlimited", static_cast<long long>(rate / 1'000'000));
        std::printf("%-10s %12.0f %12.0f %12.0f %8.4f %9d %11.2f %7.1fMB\n", label, shown, expected,
                    delivered, expected > 0 ? shown / expected : 0.0, samples,
                    sent > 0 ? r.cpuSeconds / (sent / 1e9) : 0.0, r.maxRssKb / 1024.0);
        std::fflush(stdout);
    }
    if (qt) {
        PacedNode node(0);
        WriteConf(dir, node.port());
        ChildResult r = InChild(QtRun, node, dir);
        std::printf("Qt backend (offscreen), unlimited rate: longest user-interface stall %s ms\n",
                    r.out.empty() ? "?" : r.out.substr(0, r.out.find('\n')).c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
