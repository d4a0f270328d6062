// An in-memory window layer: every property write is stored and recorded, nothing is drawn.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/ui.h"

namespace platform {

class HeadlessUi : public Ui {
public:
    struct Write {
        std::string window, control;
        Prop prop;
        int number = 0;
        std::string text;
        const unsigned char* picture = nullptr; // Picture writes: the bytes' address
        std::chrono::steady_clock::time_point at{};
    };
    enum class Clock { Real, Virtual }; // Virtual: Delay moves the clock instead of sleeping
    enum class Threads { Run, Collect }; // Collect: StartThread keeps routines for the test

    explicit HeadlessUi(Clock clock = Clock::Real, Threads threads = Threads::Run);
    ~HeadlessUi() override;

    // --- Ui ---
    int ReadNumber(std::string_view window, std::string_view control, Prop p) override;
    std::string ReadText(std::string_view window, std::string_view control) override;
    void WriteNumber(std::string_view window, std::string_view control, Prop p,
                     int value) override;
    void WriteText(std::string_view window, std::string_view control,
                   std::string_view text) override;
    void WritePicture(std::string_view window, std::string_view control,
                      Bytes picture) override;
    void Refresh(std::string_view window, std::string_view control) override;
    void ProcessEvents() override;
    void LoadWindow(const Form& form, std::string_view owner, std::vector<Handler> handlers,
                    std::optional<Placement> at = std::nullopt) override;
    void DestroyWindow(std::string_view window) override;
    bool IsLoaded(std::string_view window) override;
    void SetTransparency(std::string_view window, int alpha) override;
    void BeginWindowDrag(std::string_view window) override;
    int ScreenWidth() override { return screenWidth_.load(); }
    uint32_t UptimeMs() override;
    void Delay(int64_t ms) override;
    bool IsUiThread() override { return std::this_thread::get_id() == uiThread_; }
    void ShowMessage(std::string_view text, std::string_view title) override;
    void OpenUrl(std::string_view url) override;
    void StartThread(std::function<void()> routine) override;
    std::string CurrentDirectory() override;
    void SetShutdownRoutine(std::function<void()> routine) override;
    void RunEventLoop() override;
    void EndProgram(int code) override;

    // --- for tests ---
    void SetScreenWidth(int width) { screenWidth_ = width; }
    void SetCurrentDirectory(std::string dir);
    void SetUptime(uint32_t ms) { virtualNow_ = ms; }
    // Called at the start of every Delay with its length (a test scripts time-based input).
    void SetDelayHook(std::function<void(int64_t)> hook);
    // Runs a window's handler for an event now, on the calling thread. False if none.
    bool Fire(std::string_view window, std::string_view control, Event event);
    // Queues a routine that the user-interface thread runs when it next dispatches events.
    void Post(std::function<void()> routine);
    // Queues a Fire for the next dispatch (a click that arrives while the UI thread waits).
    void PostEvent(std::string window, std::string control, Event event);

    std::vector<Write> Writes() const;
    void ClearWrites();
    // The Left values written to a window or control, in order.
    std::vector<int> Lefts(std::string_view window, std::string_view control = {}) const;
    std::vector<int64_t> Delays() const;
    int Transparency(std::string_view window) const;
    struct Message { std::string text, title; };
    std::vector<Message> Messages() const;
    std::vector<std::string> OpenedUrls() const;
    std::vector<std::string> WindowsLoaded() const; // in order of loading, with owner
    int DragRequests() const { return drags_.load(); }
    std::optional<int> ExitCode() const;
    int ShutdownRuns() const { return shutdownRuns_.load(); }
    // Threads::Collect: the routines started so far (taken out of the store).
    std::vector<std::function<void()>> TakeThreads();
    int ThreadsStarted() const { return threadsStarted_.load(); }
    // Answers a message box with nothing; tests read Messages().
private:
    struct Props {
        int left = 0, top = 0, width = 0, height = 0, visible = 1, enabled = 1;
        std::string text;
        const unsigned char* picture = nullptr;
    };
    struct Window {
        const Form* form = nullptr;
        Props self;
        std::map<std::string, Props, std::less<>> controls;
        std::vector<Handler> handlers;
        int alpha = 255;
    };
    Props* Find(std::string_view window, std::string_view control);
    void Record(std::string_view window, std::string_view control, Prop p, int number,
                std::string_view text, const unsigned char* picture);
    bool RunOnePosted();

    mutable std::mutex mutex_;
    std::condition_variable posted_cv_;
    std::map<std::string, Window, std::less<>> windows_;
    std::vector<Write> writes_;
    std::vector<int64_t> delays_;
    std::vector<Message> messages_;
    std::vector<std::string> urls_, loaded_;
    std::deque<std::function<void()>> posted_;
    std::vector<std::function<void()>> collected_;
    std::function<void()> shutdown_;
    std::shared_ptr<std::function<void(int64_t)>> delayHook_; // shared: a hook keeps its state
    std::optional<int> exitCode_;
    std::string currentDir_;

    const Clock clock_;
    const Threads threads_;
    const std::thread::id uiThread_;
    std::atomic<int> screenWidth_{1920};
    std::atomic<uint32_t> virtualNow_{1000};
    std::atomic<int> drags_{0}, shutdownRuns_{0}, threadsStarted_{0};
    std::atomic<bool> ended_{false};
};

} // namespace platform
