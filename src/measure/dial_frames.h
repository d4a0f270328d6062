// The speed dial's 110 pictures, cut from the embedded strip.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <span>

#include "platform/assets.h"

namespace measure {

inline constexpr std::size_t kDialPictureCount = 110;

// Views into the strip compiled into the program, which never goes away, so nothing is
// freed. Filled once on the user-interface thread; a run started before the dial's intro
// may read it at the same time, so the count is published only after its pictures.
class DialFrames {
public:
    // Pictures are numbered from 1. A picture that is not there yet is an empty block.
    platform::Bytes Picture(std::size_t number) const {
        if (number < 1 || number > Count()) return {};
        return pictures_[number - 1];
    }
    std::size_t Count() const { return count_.load(std::memory_order_acquire); }

    void Clear() { count_.store(0, std::memory_order_release); }
    // Appends a picture; ignored beyond kDialPictureCount.
    void Append(platform::Bytes picture) {
        std::size_t n = count_.load(std::memory_order_relaxed);
        if (n >= kDialPictureCount) return;
        pictures_[n] = picture;
        count_.store(n + 1, std::memory_order_release);
    }

private:
    std::array<platform::Bytes, kDialPictureCount> pictures_{};
    std::atomic<std::size_t> count_{0};
};

} // namespace measure
