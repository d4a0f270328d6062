// A test run: twenty download workers and the monitor that shows their rate once a second.
#pragma once
#include <cstdint>
#include <string>

namespace measure {

inline constexpr int kWorkerCount = 20;

// Sets TestRunning, resets Counter, starts the monitor and then the twenty workers.
void StartTestRun();
// One download of a node file picked at random; every chunk is counted in Counter.
void DownloadWorker();
// Samples Counter once a second for TestSeconds, drives the live displays and the dial,
// then flies the window out and in and fills the result panel.
void RunMonitor();

// The live texts of one sample.
std::string RateText(int32_t speed);      // "955 kb/s"
std::string LiveBandwidthText(int32_t speed); // "8/M"

// The byte total of a run from the 32-bit counter: the deltas between consecutive reads,
// taken modulo 2^32, summed in 64 bits, so a counter that wraps past 2147483647 bytes
// still gives the right total.
class RunTotal {
public:
    int64_t Update(int32_t raw) {
        total_ += static_cast<uint32_t>(static_cast<uint32_t>(raw) - last_);
        last_ = static_cast<uint32_t>(raw);
        return total_;
    }

private:
    uint32_t last_ = 0; // the counter was reset to 0 just before the monitor started
    int64_t total_ = 0;
};

} // namespace measure
