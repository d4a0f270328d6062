#include "app/delay.h"

#include <cmath>
#include <limits>

#include "platform/ui.h"

namespace app {

int64_t DelayMilliseconds(int32_t interval, int32_t unit) {
    double factor;
    switch (unit) {
    case 0: factor = 1; break;
    case 1: factor = 1000; break;
    case 2: factor = 60000; break;
    case 3: factor = 3600000; break;
    default: factor = unit; break;
    }
    // The due time counts in 100-ns units; a huge product is capped instead of overflowing.
    double ticks = std::trunc(static_cast<double>(interval) * factor * 10000.0);
    constexpr double kMaxTicks = 9.2e18;
    if (ticks > kMaxTicks) ticks = kMaxTicks;
    if (ticks <= 0) return 0;
    return static_cast<int64_t>(ticks) / 10000;
}

void DelayWithEvents(int32_t interval, int32_t unit) {
    int64_t ms = DelayMilliseconds(interval, unit);
    if (ms > 0) platform::Services().Delay(ms);
}

} // namespace app
