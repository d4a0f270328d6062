#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "measure/byte_counter.h"
#include "support/headless_fixture.h"

namespace {

using measure::ByteCounter;
using CounterTest = testing_support::HeadlessTest;

TEST_F(CounterTest, OperationsReturnWhatTheTableSays) {
    ByteCounter c;
    EXPECT_EQ(c.Read(), 0);
    EXPECT_EQ(c.Exchange(10), 0);
    EXPECT_EQ(c.Add(5), 10);
    EXPECT_EQ(c.Read(), 15);
    EXPECT_EQ(c.Exchange(0), 15);
    EXPECT_EQ(c.Read(), 0);
    EXPECT_EQ(c.Subtract(3), 0);
    EXPECT_EQ(c.Read(), -3);
    EXPECT_EQ(c.ToText(), "-3");
    EXPECT_EQ(c.Increment(), -2);
    EXPECT_EQ(c.Decrement(), -3);
    c.Exchange(0);
    EXPECT_EQ(c.ToText(), "0");
    c.Destroy();
}

TEST_F(CounterTest, WrapsAroundInTwosComplement) {
    ByteCounter c;
    c.Exchange(2147483647);
    EXPECT_EQ(c.Add(1), 2147483647);
    EXPECT_EQ(c.Read(), -2147483647 - 1);
    c.Exchange(0);
    EXPECT_EQ(c.Subtract(-2147483647 - 1), 0); // -(-2^31) stays -2^31
    EXPECT_EQ(c.Read(), -2147483647 - 1);
    c.Destroy();
}

TEST_F(CounterTest, CopiesShareOneCell) {
    ByteCounter c;
    ByteCounter* view = c.Copy();
    view->Add(7);
    EXPECT_EQ(c.Read(), 7);
    delete view; // the view does not own the cell
    c.Destroy();
}

TEST_F(CounterTest, TwentyThreadsAddingLoseNothing) {
    ByteCounter c;
    std::vector<std::thread> threads;
    constexpr int kAdds = 200000;
    for (int t = 0; t < 20; ++t)
        threads.emplace_back([&c, t] {
            for (int i = 0; i < kAdds; ++i) c.Add(t % 3 + 1);
        });
    for (auto& th : threads) th.join();
    int64_t expected = 0;
    for (int t = 0; t < 20; ++t) expected += int64_t(kAdds) * (t % 3 + 1);
    EXPECT_EQ(c.Read(), static_cast<int32_t>(expected));
    c.Destroy();
}

TEST_F(CounterTest, FailedAllocationIsReported) {
    EXPECT_EQ(measure::AllocateMemory(-1), nullptr);
    ASSERT_EQ(ui_->Messages().size(), 1u);
    EXPECT_EQ(ui_->Messages()[0].text, "内存申请失败");
    EXPECT_EQ(ui_->Messages()[0].title, "错误");
    void* block = measure::AllocateMemory(4);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(*static_cast<int32_t*>(block), 0);
    std::free(block);
}

} // namespace
