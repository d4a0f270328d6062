// The window and run-time services that the logic uses; backends: Qt Widgets and headless.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/assets.h"
#include "platform/form.h"

namespace platform {

// Properties of a window (control "") or of a control. Left/Top of a window are screen
// pixels, of a control client pixels of its window.
enum class Prop { Left, Top, Width, Height, Visible, Enabled, Text, Picture };

enum class Event { Created, Clicked, LeftPressed, LeftReleased, CloseRequested };

// Where a window first appears (screen pixels), instead of its form's position.
struct Placement {
    int left, top;
};

struct Handler {
    std::string_view control; // "" = the window itself
    Event event;
    std::function<void()> run;
};

// Every call may come from any thread; a write has taken effect when the call returns.
class Ui {
public:
    virtual ~Ui() = default;

    virtual int ReadNumber(std::string_view window, std::string_view control, Prop p) = 0;
    virtual std::string ReadText(std::string_view window, std::string_view control) = 0;
    virtual void WriteNumber(std::string_view window, std::string_view control, Prop p,
                             int value) = 0;
    virtual void WriteText(std::string_view window, std::string_view control,
                           std::string_view text) = 0;
    // Shows an encoded picture (GIF or JPEG bytes). The bytes are decoded before the call
    // returns, so the caller may free them afterwards.
    virtual void WritePicture(std::string_view window, std::string_view control,
                              Bytes picture) = 0;
    virtual void Refresh(std::string_view window, std::string_view control) = 0;

    // Dispatches the calling thread's pending events (none on a thread without windows).
    virtual void ProcessEvents() = 0;
    // Creates and shows a window from its form, owned by `owner` when not empty, and then
    // raises its Created event. The form must outlive the window.
    virtual void LoadWindow(const Form& form, std::string_view owner,
                            std::vector<Handler> handlers,
                            std::optional<Placement> at = std::nullopt) = 0;
    virtual void DestroyWindow(std::string_view window) = 0;
    virtual bool IsLoaded(std::string_view window) = 0;
    // 0 (clear) to 255 (opaque); anything else means 255.
    virtual void SetTransparency(std::string_view window, int alpha) = 0;
    virtual void BeginWindowDrag(std::string_view window) = 0;
    virtual int ScreenWidth() = 0;

    // Milliseconds since system start, wrapping at 2^32.
    virtual uint32_t UptimeMs() = 0;
    // Waits ms milliseconds; on the user-interface thread events keep being dispatched
    // meanwhile. 0 or less returns at once. Never spins the processor.
    virtual void Delay(int64_t ms) = 0;
    virtual bool IsUiThread() = 0;

    virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
    virtual void OpenUrl(std::string_view url) = 0;
    // Runs routine on a new thread that nobody joins.
    virtual void StartThread(std::function<void()> routine) = 0;
    virtual std::string CurrentDirectory() = 0;

    // The routine EndProgram runs once before the process goes away.
    virtual void SetShutdownRoutine(std::function<void()> routine) = 0;
    virtual void RunEventLoop() = 0;
    virtual void EndProgram(int code) = 0;
};

// The services in force; installed once at start-up (or by a test) before anything runs.
Ui& Services();
void InstallServices(Ui* ui);

} // namespace platform
