// The window layer on Qt Widgets: windows from forms, calls from any thread marshalled to
// the user-interface thread.
#pragma once
#include <QApplication>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ui.h"

namespace platform {

class FormWindow;

class QtUi : public Ui {
public:
    // Initialises the window layer and makes the program's folder the current directory.
    QtUi(int& argc, char** argv);
    ~QtUi() override;

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
    int ScreenWidth() override;
    uint32_t UptimeMs() override;
    void Delay(int64_t ms) override;
    bool IsUiThread() override;
    void ShowMessage(std::string_view text, std::string_view title) override;
    void OpenUrl(std::string_view url) override;
    void StartThread(std::function<void()> routine) override;
    std::string CurrentDirectory() override;
    void SetShutdownRoutine(std::function<void()> routine) override;
    void RunEventLoop() override;
    void EndProgram(int code) override;

    // Runs f on the user-interface thread and waits for it.
    void OnUi(const std::function<void()>& f);
    QWidget* Widget(std::string_view window, std::string_view control) const;

private:
    std::unique_ptr<QApplication> app_;
    std::map<std::string, FormWindow*, std::less<>> windows_; // user-interface thread only
    std::function<void()> shutdown_;
    std::once_flag ended_;
};

} // namespace platform
