#include "measure/byte_counter.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/ui.h"

namespace measure {

static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<int32_t>) == 4);

void* AllocateMemory(int32_t size, bool zeroFill) {
    void* block = nullptr;
    if (size >= 0) {
        std::size_t n = size == 0 ? 1 : static_cast<std::size_t>(size);
        block = zeroFill ? std::calloc(1, n) : std::malloc(n);
    }
    if (block == nullptr) platform::Services().ShowMessage("内存申请失败", "错误");
    return block;
}

ByteCounter::ByteCounter() : cell_(nullptr) {
    if (void* block = AllocateMemory(sizeof(std::atomic<int32_t>)))
        cell_ = new (block) std::atomic<int32_t>(0);
}

void ByteCounter::Destroy() {
    if (cell_ == nullptr) return;
    std::free(cell_); // a trivially destructible atomic in a block of its own
    cell_ = nullptr;
}

ByteCounter* ByteCounter::Copy() const { return new ByteCounter(cell_); }

// Without a cell (its allocation failed and was reported) the counter stays at 0.
int32_t ByteCounter::Increment() { return cell_ ? cell_->fetch_add(1) + 1 : 0; }
int32_t ByteCounter::Decrement() { return cell_ ? cell_->fetch_sub(1) - 1 : 0; }
int32_t ByteCounter::Read() const { return cell_ ? cell_->load(std::memory_order_relaxed) : 0; }

int32_t ByteCounter::Subtract(int32_t n) {
    // Two's-complement negation: -(-2147483648) stays -2147483648.
    int32_t negated = static_cast<int32_t>(0u - static_cast<uint32_t>(n));
    return Add(negated);
}

int32_t ByteCounter::Add(int32_t n) { return cell_ ? cell_->fetch_add(n) : 0; }
int32_t ByteCounter::Exchange(int32_t n) { return cell_ ? cell_->exchange(n) : 0; }
std::string ByteCounter::ToText() const { return std::to_string(Read()); }

} // namespace measure
