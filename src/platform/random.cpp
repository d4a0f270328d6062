#include "platform/random.h"

#include <atomic>
#include <chrono>
#include <random>

namespace platform {
namespace {
thread_local std::mt19937 t_generator{5489u};
std::atomic<uint32_t> g_seedings{0};
} // namespace

void SeedRandom() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    uint32_t offset = g_seedings.fetch_add(1, std::memory_order_relaxed);
    std::seed_seq seq{static_cast<uint32_t>(ms), static_cast<uint32_t>(ms >> 32), offset};
    t_generator.seed(seq);
}

int32_t RandomNumber(int32_t lo, int32_t hi) {
    if (hi < lo) return lo;
    uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    return static_cast<int32_t>(lo + static_cast<int64_t>(t_generator() % span));
}

} // namespace platform
