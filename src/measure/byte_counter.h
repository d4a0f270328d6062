// The byte total that the downloads of a run add to and the monitor reads.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

namespace measure {

// Allocates size bytes (zero-filled unless zeroFill is false). On failure shows
// "内存申请失败" and returns null.
void* AllocateMemory(int32_t size, bool zeroFill = true);

// One 32-bit signed cell of its own, changed only atomically; adds wrap around in two's
// complement. Copies share the cell: they are views of one counter.
class ByteCounter {
public:
    ByteCounter();
    virtual ~ByteCounter() = default;
    ByteCounter(const ByteCounter&) = delete;
    ByteCounter& operator=(const ByteCounter&) = delete;

    // In the order of the operations table.
    virtual void Destroy();                  // releases the cell
    virtual ByteCounter* Copy() const;       // a new view of the same cell
    virtual int32_t Increment();             // the new value
    virtual int32_t Decrement();             // the new value
    virtual int32_t Read() const;            // the current value
    virtual int32_t Subtract(int32_t n);     // the value before
    virtual int32_t Add(int32_t n);          // the value before
    virtual int32_t Exchange(int32_t n);     // the value before
    virtual std::string ToText() const;      // "%d"

    bool HasCell() const { return cell_ != nullptr; }

private:
    explicit ByteCounter(std::atomic<int32_t>* cell) : cell_(cell) {}
    std::atomic<int32_t>* cell_;
};

} // namespace measure
