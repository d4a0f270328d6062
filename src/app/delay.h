// The one way the program waits: a paced delay that keeps the windows alive.
#pragma once
#include <cstdint>

namespace app {

// Waits interval × unit factor milliseconds (unit 0 = ms, 1 = s, 2 = min, 3 = h, any other
// value is itself the factor). On the user-interface thread events keep being dispatched,
// so a click during the wait runs its handler before the wait returns. 0 or less returns
// at once.
void DelayWithEvents(int32_t interval = 0, int32_t unit = 0);

// The wait in milliseconds that DelayWithEvents(interval, unit) makes.
int64_t DelayMilliseconds(int32_t interval, int32_t unit);

} // namespace app
