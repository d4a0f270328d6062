#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "app/delay.h"
#include "support/headless_fixture.h"

namespace {

using platform::HeadlessUi;

TEST(DelayMilliseconds, UnitsAndOddValues) {
    struct Case {
        int32_t interval, unit;
        int64_t ms;
    } cases[] = {
        {10, 0, 10},          {2, 1, 2000},  {1, 2, 60000},       {1, 3, 3600000},
        {3, 7, 21},           {0, 0, 0},     {-5, 0, 0},          {5, -1, 0},
        {2147483647, 3, 920000000000000}, // capped instead of overflowing
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::DelayMilliseconds(c.interval, c.unit), c.ms)
            << c.interval << " unit " << c.unit;
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class RealDelayTest : public testing_support::HeadlessTest {
protected:
    RealDelayTest() : HeadlessTest(HeadlessUi::Clock::Real, HeadlessUi::Threads::Run) {}
};

TEST_F(RealDelayTest, EventsArrivingDuringTheWaitAreDispatchedAndTheWaitStillLasts) {
    LoadBareMainWindow();
    bool handled = false;
    ui_->Post([&] { handled = true; });
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMs();
    app::DelayWithEvents(200);
    const double cpuUsed = ThreadCpuMs() - cpuStart;
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(handled);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    // Sleeping, not spinning: a busy wait would burn about the whole 200 ms.
    EXPECT_LT(cpuUsed, 50.0);
}

TEST_F(RealDelayTest, ZeroOrNegativeDoesNotWait) {
    app::DelayWithEvents(0);
    app::DelayWithEvents(-300);
    EXPECT_TRUE(ui_->Delays().empty());
}

} // namespace
