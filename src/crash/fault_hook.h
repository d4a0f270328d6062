// Pieces of the fault hook that its translation units share; not for use outside crash/.
#pragma once
#include <cstddef>
#include <cstdint>

#include "crash/crash_report.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace crash::detail {

// Lowest and highest address of a thread's own stack; both 0 when not known.
struct StackBounds {
    uintptr_t Low = 0;
    uintptr_t High = 0;
};

// The calling thread's stack as PrepareThread recorded it. Safe inside a signal handler.
StackBounds CurrentThreadStack();

// Whether a fault at `address`, with the thread's stack pointer at `stackPointer`, is the
// thread running off the end of its stack.
bool LooksLikeStackOverflow(uintptr_t address, uintptr_t stackPointer, StackBounds stack);

// Hooks the platform's unhandled-fault mechanism. Only the first call does anything.
void HookFaults();

// Looks up the message-box programs while allocating is still allowed.
void FindReportBoxes();

#ifndef _WIN32
// Describes a fatal signal the way the platform's structured exceptions describe the same
// fault. `context` is the handler's ucontext_t, or null.
ReportRecord RecordFromSignal(int signal, const siginfo_t& info, const void* context);

// Writes a report to standard error without allocating.
void WriteReportToStandardError(const char* report, std::size_t length);
#endif

} // namespace crash::detail
