#include <cstddef>

#include "crash/crash_report.h"
#include "crash/fault_hook.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace crash {
namespace detail {

bool LooksLikeStackOverflow(uintptr_t address, uintptr_t stackPointer, StackBounds stack) {
    // Deep calls touch memory a little below the stack pointer (pushes, stack probes of a
    // large frame); a stray pointer almost never lands that close to it.
    constexpr uintptr_t kReach = 64 * 1024;
    if (stack.Low != 0 && address < stack.Low + 4096 && address + kReach >= stack.Low) return true;
    return stackPointer != 0 && address + kReach >= stackPointer &&
           address <= stackPointer + kReach;
}

} // namespace detail

#ifdef _WIN32

namespace detail {
StackBounds CurrentThreadStack() {
    return {};
}
} // namespace detail

void PrepareThread() {
    // Keeps enough stack in reserve after an overflow for the filter and its message box.
    ULONG reserve = 64 * 1024;
    SetThreadStackGuarantee(&reserve);
}

#else

namespace {

// Read by the signal handler, so trivially destructible and constant-initialised: touching
// it never runs code.
thread_local constinit detail::StackBounds t_bounds{};

// Owns the thread's alternate signal stack and gives it back when the thread ends.
class SignalStack {
public:
    SignalStack() = default;
    SignalStack(const SignalStack&) = delete;
    SignalStack& operator=(const SignalStack&) = delete;
    ~SignalStack() { Release(); }

    bool Ready() const { return mapping_ != nullptr; }

    void Allocate() {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        std::size_t size = 64 * 1024 + static_cast<std::size_t>(SIGSTKSZ);
        size = (size + page - 1) / page * page;
        // One inaccessible page below, so that a handler that runs out of room faults
        // instead of writing over a neighbour.
        void* mapping = mmap(nullptr, size + page, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (mapping == MAP_FAILED) return;
        mprotect(mapping, page, PROT_NONE);
        stack_t stack{};
        stack.ss_sp = static_cast<char*>(mapping) + page;
        stack.ss_size = size;
        if (sigaltstack(&stack, &previous_) != 0) {
            munmap(mapping, size + page);
            return;
        }
        mapping_ = mapping;
        mappingSize_ = size + page;
        stackStart_ = stack.ss_sp;
    }

private:
    void Release() {
        if (mapping_ == nullptr) return;
        // A sanitizer runtime also manages this slot and frees whatever it finds there;
        // only give back a stack that is still ours.
        stack_t current{};
        if (sigaltstack(nullptr, &current) != 0 || current.ss_sp != stackStart_) return;
        if ((previous_.ss_flags & SS_DISABLE) != 0 || previous_.ss_sp == nullptr) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        } else {
            sigaltstack(&previous_, nullptr);
        }
        munmap(mapping_, mappingSize_);
        mapping_ = nullptr;
    }

    void* mapping_ = nullptr;
    std::size_t mappingSize_ = 0;
    void* stackStart_ = nullptr;
    stack_t previous_{};
};

thread_local SignalStack t_signalStack;

void RecordStackBounds() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        t_bounds.Low = reinterpret_cast<uintptr_t>(low);
        t_bounds.High = t_bounds.Low + size;
    }
    pthread_attr_destroy(&attr);
}

} // namespace

namespace detail {
StackBounds CurrentThreadStack() {
    return t_bounds;
}
} // namespace detail

void PrepareThread() {
    if (t_signalStack.Ready()) return;
    RecordStackBounds();
    t_signalStack.Allocate();
}

#endif

} // namespace crash
