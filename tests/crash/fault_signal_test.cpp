#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <thread>

#include <sys/mman.h>
#include <unistd.h>

#include "crash/crash_report.h"
#include "crash/fault_hook.h"

namespace {

siginfo_t Info(int signal, int code, uintptr_t address) {
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_signo = signal;
    info.si_code = code;
    info.si_addr = reinterpret_cast<void*>(address);
    return info;
}

TEST(FaultSignal, SignalsMapToTheirExceptionCodes) {
    struct Case {
        int signal;
        int code;
        uint32_t expected;
    };
    const Case cases[] = {
        {SIGFPE, FPE_INTDIV, 0xC0000094},   {SIGFPE, FPE_INTOVF, 0xC0000095},
        {SIGFPE, FPE_FLTDIV, 0xC000008E},   {SIGFPE, FPE_FLTOVF, 0xC0000091},
        {SIGFPE, FPE_FLTUND, 0xC0000093},   {SIGFPE, FPE_FLTRES, 0xC000008F},
        {SIGFPE, FPE_FLTINV, 0xC0000090},   {SIGFPE, FPE_FLTSUB, 0xC000008C},
        {SIGILL, ILL_ILLOPC, 0xC000001D},   {SIGILL, ILL_ILLOPN, 0xC000001D},
        {SIGILL, ILL_PRVOPC, 0xC0000096},   {SIGILL, ILL_PRVREG, 0xC0000096},
        {SIGSEGV, SEGV_MAPERR, 0xC0000005}, {SIGSEGV, SEGV_ACCERR, 0xC0000005},
        {SIGBUS, BUS_ADRERR, 0xC0000005},
    };
    for (const Case& c : cases) {
        const crash::ReportRecord r =
            crash::detail::RecordFromSignal(c.signal, Info(c.signal, c.code, 16), nullptr);
        EXPECT_EQ(r.Code, c.expected) << "signal " << c.signal << " code " << c.code;
        EXPECT_EQ(r.Flags, 0u);
        EXPECT_EQ(r.ChainedRecord, 0u);
        const bool access = c.signal == SIGSEGV || c.signal == SIGBUS;
        EXPECT_EQ(r.NumberParameters, access ? 2 : 0);
        if (access) {
            EXPECT_EQ(r.Information[1], 16u);
        }
    }
}

TEST(FaultSignal, FaultAddressKeepsItsLowHalfAndOnlyComesFromTheKernel) {
    const auto high = crash::detail::RecordFromSignal(
        SIGSEGV, Info(SIGSEGV, SEGV_MAPERR, static_cast<uintptr_t>(0x00007F12DEADBEEFull)),
        nullptr);
    EXPECT_EQ(high.Information[1], 0xDEADBEEFu);
    // Sent with kill(): si_addr holds the sender's id, not an address.
    const auto sent =
        crash::detail::RecordFromSignal(SIGSEGV, Info(SIGSEGV, SI_USER, 1234), nullptr);
    EXPECT_EQ(sent.Code, 0xC0000005u);
    EXPECT_EQ(sent.Information[1], 0u);
    // A non-canonical pointer faults without an address.
    const auto wild =
        crash::detail::RecordFromSignal(SIGSEGV, Info(SIGSEGV, SI_KERNEL, 0), nullptr);
    EXPECT_EQ(wild.Information[1], 0xFFFFFFFFu);
}

TEST(FaultSignal, StackOverflowIsAFaultAtTheStackEdge) {
    using crash::detail::LooksLikeStackOverflow;
    const crash::detail::StackBounds stack{0x7000000000, 0x7000800000};
    EXPECT_TRUE(LooksLikeStackOverflow(0x7000000000 - 8, 0, stack)); // guard page
    EXPECT_TRUE(
        LooksLikeStackOverflow(0x6FFFFF0000, 0x6FFFFF0010, {}));   // next to the stack pointer
    EXPECT_FALSE(LooksLikeStackOverflow(16, 0x7000400000, stack)); // null-ish pointer
    EXPECT_FALSE(LooksLikeStackOverflow(0x7000400000, 0x7000500000, stack)); // far from both
}

// Twenty threads per test run, run after run: each thread's signal stack must go with it.
TEST(SignalStack, EachThreadGetsOneThatEndsWithIt) {
    void* first = nullptr;
    void* second = nullptr;
    std::size_t size = 0;
    std::thread([&] {
        crash::PrepareThread();
        stack_t stack{};
        sigaltstack(nullptr, &stack);
        first = stack.ss_sp;
        size = stack.ss_size;
        crash::PrepareThread(); // a second call keeps the same stack
        sigaltstack(nullptr, &stack);
        second = stack.ss_sp;
        EXPECT_EQ(stack.ss_flags & SS_DISABLE, 0);
    }).join();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_GE(size, 64u * 1024);
    unsigned char resident = 0;
    const long page = sysconf(_SC_PAGESIZE);
    EXPECT_EQ(mincore(first, static_cast<std::size_t>(page), &resident), -1) << "still mapped";
    EXPECT_EQ(errno, ENOMEM);
}

} // namespace
