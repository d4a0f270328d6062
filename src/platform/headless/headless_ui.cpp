#include "platform/headless/headless_ui.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "crash/crash_report.h"

namespace platform {

HeadlessUi::HeadlessUi(Clock clock, Threads threads)
    : clock_(clock), threads_(threads), uiThread_(std::this_thread::get_id()) {
    std::error_code ec;
    currentDir_ = std::filesystem::current_path(ec).string();
}

HeadlessUi::~HeadlessUi() = default;

HeadlessUi::Props* HeadlessUi::Find(std::string_view window, std::string_view control) {
    auto w = windows_.find(window);
    if (w == windows_.end()) return nullptr;
    if (control.empty()) return &w->second.self;
    auto c = w->second.controls.find(control);
    return c == w->second.controls.end() ? nullptr : &c->second;
}

void HeadlessUi::Record(std::string_view window, std::string_view control, Prop p, int number,
                        std::string_view text, const unsigned char* picture) {
    writes_.push_back(Write{std::string(window), std::string(control), p, number,
                            std::string(text), picture, std::chrono::steady_clock::now()});
}

int HeadlessUi::ReadNumber(std::string_view window, std::string_view control, Prop p) {
    std::lock_guard lock(mutex_);
    const Props* props = Find(window, control);
    if (props == nullptr) return 0;
    switch (p) {
    case Prop::Left: return props->left;
    case Prop::Top: return props->top;
    case Prop::Width: return props->width;
    case Prop::Height: return props->height;
    case Prop::Visible: return props->visible;
    case Prop::Enabled: return props->enabled;
    default: return 0;
    }
}

std::string HeadlessUi::ReadText(std::string_view window, std::string_view control) {
    std::lock_guard lock(mutex_);
    const Props* props = Find(window, control);
    return props ? props->text : std::string();
}

void HeadlessUi::WriteNumber(std::string_view window, std::string_view control, Prop p,
                             int value) {
    std::lock_guard lock(mutex_);
    Props* props = Find(window, control);
    if (props == nullptr) return;
    switch (p) {
    case Prop::Left: props->left = value; break;
    case Prop::Top: props->top = value; break;
    case Prop::Width: props->width = value; break;
    case Prop::Height: props->height = value; break;
    case Prop::Visible: props->visible = value != 0; break;
    case Prop::Enabled: props->enabled = value != 0; break;
    default: return;
    }
    Record(window, control, p, value, {}, nullptr);
}

void HeadlessUi::WriteText(std::string_view window, std::string_view control,
                           std::string_view text) {
    std::lock_guard lock(mutex_);
    Props* props = Find(window, control);
    if (props == nullptr) return;
    props->text = std::string(text);
    Record(window, control, Prop::Text, 0, text, nullptr);
}

void HeadlessUi::WritePicture(std::string_view window, std::string_view control,
                              Bytes picture) {
    std::lock_guard lock(mutex_);
    Props* props = Find(window, control);
    if (props == nullptr) return;
    props->picture = picture.data();
    Record(window, control, Prop::Picture, 0, {}, picture.data());
}

void HeadlessUi::Refresh(std::string_view, std::string_view) {}

bool HeadlessUi::RunOnePosted() {
    std::function<void()> routine;
    {
        std::lock_guard lock(mutex_);
        if (posted_.empty()) return false;
        routine = std::move(posted_.front());
        posted_.pop_front();
    }
    routine();
    return true;
}

void HeadlessUi::ProcessEvents() {
    if (!IsUiThread()) return;
    while (RunOnePosted()) {
    }
}

void HeadlessUi::LoadWindow(const Form& form, std::string_view owner,
                            std::vector<Handler> handlers, std::optional<Placement> at) {
    {
        std::lock_guard lock(mutex_);
        Window w;
        w.form = &form;
        w.self = Props{at ? at->left : form.left, at ? at->top : form.top, form.width,
                       form.height, 1, 1, std::string(form.caption), nullptr};
        for (const ControlSpec& c : form.controls) {
            w.controls[std::string(c.name)] =
                Props{c.left, c.top, c.width, c.height, c.visible, 1, std::string(c.text),
                      nullptr};
        }
        w.handlers = std::move(handlers);
        windows_[std::string(form.name)] = std::move(w);
        loaded_.push_back(std::string(form.name) +
                          (owner.empty() ? std::string() : " owned by " + std::string(owner)));
    }
    Fire(form.name, {}, Event::Created);
}

void HeadlessUi::DestroyWindow(std::string_view window) {
    std::lock_guard lock(mutex_);
    auto w = windows_.find(window);
    if (w != windows_.end()) windows_.erase(w);
}

bool HeadlessUi::IsLoaded(std::string_view window) {
    std::lock_guard lock(mutex_);
    return windows_.find(window) != windows_.end();
}

void HeadlessUi::SetTransparency(std::string_view window, int alpha) {
    std::lock_guard lock(mutex_);
    auto w = windows_.find(window);
    if (w != windows_.end()) w->second.alpha = (alpha < 0 || alpha > 255) ? 255 : alpha;
}

void HeadlessUi::BeginWindowDrag(std::string_view) { ++drags_; }

uint32_t HeadlessUi::UptimeMs() {
    if (clock_ == Clock::Virtual) return virtualNow_.load();
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void HeadlessUi::SetDelayHook(std::function<void(int64_t)> hook) {
    std::lock_guard lock(mutex_);
    delayHook_ = hook ? std::make_shared<std::function<void(int64_t)>>(std::move(hook)) : nullptr;
}

void HeadlessUi::Delay(int64_t ms) {
    std::shared_ptr<std::function<void(int64_t)>> hook;
    {
        std::lock_guard lock(mutex_);
        delays_.push_back(ms);
        hook = delayHook_;
    }
    if (hook) (*hook)(ms);
    if (ms <= 0) return;
    if (clock_ == Clock::Virtual) {
        virtualNow_.fetch_add(static_cast<uint32_t>(ms));
        ProcessEvents();
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    if (!IsUiThread()) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    // Sleep until the deadline or until an event is posted, and dispatch it.
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            posted_cv_.wait_until(lock, deadline, [&] { return !posted_.empty(); });
            if (posted_.empty() && std::chrono::steady_clock::now() >= deadline) return;
        }
        ProcessEvents();
    }
}

void HeadlessUi::ShowMessage(std::string_view text, std::string_view title) {
    std::lock_guard lock(mutex_);
    messages_.push_back(Message{std::string(text), std::string(title)});
}

void HeadlessUi::OpenUrl(std::string_view url) {
    std::lock_guard lock(mutex_);
    urls_.emplace_back(url);
}

void HeadlessUi::StartThread(std::function<void()> routine) {
    ++threadsStarted_;
    if (threads_ == Threads::Collect) {
        std::lock_guard lock(mutex_);
        collected_.push_back(std::move(routine));
        return;
    }
    std::thread([r = std::move(routine)] {
        crash::PrepareThread();
        r();
    }).detach();
}

std::string HeadlessUi::CurrentDirectory() {
    std::lock_guard lock(mutex_);
    return currentDir_;
}

void HeadlessUi::SetCurrentDirectory(std::string dir) {
    std::lock_guard lock(mutex_);
    currentDir_ = std::move(dir);
}

void HeadlessUi::SetShutdownRoutine(std::function<void()> routine) {
    std::lock_guard lock(mutex_);
    shutdown_ = std::move(routine);
}

void HeadlessUi::RunEventLoop() {
    while (!ended_.load()) {
        {
            std::unique_lock lock(mutex_);
            posted_cv_.wait_for(lock, std::chrono::milliseconds(50),
                                [&] { return !posted_.empty() || ended_.load(); });
        }
        ProcessEvents();
    }
}

void HeadlessUi::EndProgram(int code) {
    std::function<void()> shutdown;
    {
        std::lock_guard lock(mutex_);
        if (exitCode_) return; // the program ends once
        exitCode_ = code;
        shutdown = shutdown_;
    }
    if (shutdown) {
        ++shutdownRuns_;
        shutdown();
    }
    ended_ = true;
    posted_cv_.notify_all();
}

bool HeadlessUi::Fire(std::string_view window, std::string_view control, Event event) {
    std::function<void()> run;
    {
        std::lock_guard lock(mutex_);
        auto w = windows_.find(window);
        if (w == windows_.end()) return false;
        for (const Handler& h : w->second.handlers)
            if (h.control == control && h.event == event) run = h.run;
    }
    if (!run) return false;
    run();
    return true;
}

void HeadlessUi::Post(std::function<void()> routine) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(routine));
    }
    posted_cv_.notify_all();
}

void HeadlessUi::PostEvent(std::string window, std::string control, Event event) {
    Post([this, window = std::move(window), control = std::move(control), event] {
        Fire(window, control, event);
    });
}

std::vector<HeadlessUi::Write> HeadlessUi::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

void HeadlessUi::ClearWrites() {
    std::lock_guard lock(mutex_);
    writes_.clear();
    delays_.clear();
}

std::vector<int> HeadlessUi::Lefts(std::string_view window, std::string_view control) const {
    std::lock_guard lock(mutex_);
    std::vector<int> lefts;
    for (const Write& w : writes_)
        if (w.prop == Prop::Left && w.window == window && w.control == control)
            lefts.push_back(w.number);
    return lefts;
}

std::vector<int64_t> HeadlessUi::Delays() const {
    std::lock_guard lock(mutex_);
    return delays_;
}

int HeadlessUi::Transparency(std::string_view window) const {
    std::lock_guard lock(mutex_);
    auto w = windows_.find(window);
    return w == windows_.end() ? -1 : w->second.alpha;
}

std::vector<HeadlessUi::Message> HeadlessUi::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> HeadlessUi::OpenedUrls() const {
    std::lock_guard lock(mutex_);
    return urls_;
}

std::vector<std::string> HeadlessUi::WindowsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

std::optional<int> HeadlessUi::ExitCode() const {
    std::lock_guard lock(mutex_);
    return exitCode_;
}

std::vector<std::function<void()>> HeadlessUi::TakeThreads() {
    std::lock_guard lock(mutex_);
    return std::exchange(collected_, {});
}

} // namespace platform
