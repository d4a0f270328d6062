// The program-wide values through which commands, test runs and windows talk.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "measure/byte_counter.h"
#include "measure/dial_frames.h"

namespace app {

// Names of the windows, as the window layer addresses them.
inline constexpr std::string_view kMainWindow = "MainWindow";
inline constexpr std::string_view kProxyWindow = "ProxyWindow";
inline constexpr std::string_view kSettingsWindow = "SettingsWindow";

// The proxy text is replaced on the user-interface thread while workers copy it.
class GuardedText {
public:
    std::string Get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void Set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }
    bool IsEmpty() const {
        std::lock_guard lock(mutex_);
        return text_.empty();
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

struct RunStateValues {
    std::atomic<int32_t> Busy{0};
    std::atomic<int32_t> TestRunning{0};
    std::atomic<int32_t> Domestic{0};
    std::atomic<int32_t> ViaProxy{0};
    GuardedText ProxyText;
    std::atomic<int32_t> SettingsOpen{0};
    std::atomic<int32_t> SavedLeft{0};
    std::atomic<int32_t> TestSeconds{0};
    // Made by CreateSharedObjects; never freed while a thread may still touch them.
    measure::ByteCounter* Counter = nullptr;
    measure::DialFrames* DialFrames = nullptr;
};

RunStateValues& RunState();

// Puts every value back to its start value (tests use this between cases).
void ResetRunState();

} // namespace app
