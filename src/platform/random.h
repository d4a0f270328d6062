// Per-thread random numbers for the download workers' choice of node.
#pragma once
#include <cstdint>

namespace platform {

// Seeds the calling thread's generator from the clock; two seeds taken in the same
// millisecond still differ.
void SeedRandom();
// lo + (random value mod (hi - lo + 1)).
int32_t RandomNumber(int32_t lo, int32_t hi);

} // namespace platform
