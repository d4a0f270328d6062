#include "crash/fault_hook.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <ucontext.h>
#include <unistd.h>
#endif

namespace crash::detail {

#ifdef _WIN32

namespace {

// The filter that was in force before ours; kept, never called.
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> PreviousFilter{nullptr};
std::atomic<bool> g_hooked{false};

LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS* pointers) {
    const int32_t answer = CrashFilter(pointers);
    // Resuming at a hardware fault only runs into it again, report after report; end the
    // process once the report has been seen.
    return answer == kContinueExecution ? EXCEPTION_EXECUTE_HANDLER : answer;
}

} // namespace

void HookFaults() {
    if (g_hooked.exchange(true)) return;
    PreviousFilter = SetUnhandledExceptionFilter(TopLevelFilter);
}

#else

namespace {

constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kIllegalInstruction = 0xC000001D;
constexpr uint32_t kArrayBoundsExceeded = 0xC000008C;
constexpr uint32_t kFloatDivideByZero = 0xC000008E;
constexpr uint32_t kFloatInexactResult = 0xC000008F;
constexpr uint32_t kFloatInvalidOperation = 0xC0000090;
constexpr uint32_t kFloatOverflow = 0xC0000091;
constexpr uint32_t kFloatUnderflow = 0xC0000093;
constexpr uint32_t kIntegerDivideByZero = 0xC0000094;
constexpr uint32_t kIntegerOverflow = 0xC0000095;
constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kStackOverflow = 0xC00000FD;

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

// What each fatal signal did before ours took over; kept, never called.
struct sigaction PreviousFilter[kSignalCount];
std::atomic<bool> g_hooked{false};

// The interrupted thread's registers that the report needs.
struct Machine {
    uintptr_t Pc = 0;
    uintptr_t Sp = 0;
    uint32_t AccessKind = 0; // 0 read, 1 write, 8 instruction fetch
};

Machine ReadMachine(const void* context) {
    Machine m;
    if (context == nullptr) return m;
    [[maybe_unused]] const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    m.Pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    m.Sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
    // The page-fault error code tells a write (bit 1) and an instruction fetch (bit 4);
    // other traps carry no such code.
    constexpr greg_t kPageFault = 14;
    if (uc->uc_mcontext.gregs[REG_TRAPNO] == kPageFault) {
        const greg_t error = uc->uc_mcontext.gregs[REG_ERR];
        m.AccessKind = (error & 0x10) != 0 ? 8 : (error & 0x2) != 0 ? 1 : 0;
    }
#elif defined(__i386__)
    m.Pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
    m.Sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
    constexpr greg_t kPageFault = 14;
    if (uc->uc_mcontext.gregs[REG_TRAPNO] == kPageFault) {
        const greg_t error = uc->uc_mcontext.gregs[REG_ERR];
        m.AccessKind = (error & 0x10) != 0 ? 8 : (error & 0x2) != 0 ? 1 : 0;
    }
#elif defined(__aarch64__)
    m.Pc = static_cast<uintptr_t>(uc->uc_mcontext.pc);
    m.Sp = static_cast<uintptr_t>(uc->uc_mcontext.sp);
#endif
    return m;
}

uint32_t FloatingPointCode(int code) {
    switch (code) {
    case FPE_INTDIV:
        return kIntegerDivideByZero;
    case FPE_INTOVF:
        return kIntegerOverflow;
    case FPE_FLTDIV:
        return kFloatDivideByZero;
    case FPE_FLTOVF:
        return kFloatOverflow;
    case FPE_FLTUND:
        return kFloatUnderflow;
    case FPE_FLTRES:
        return kFloatInexactResult;
    case FPE_FLTSUB:
        return kArrayBoundsExceeded;
    default:
        return kFloatInvalidOperation; // FPE_FLTINV, and a SIGFPE sent by someone
    }
}

void WriteAll(const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(STDERR_FILENO, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    ReportRecord record = RecordFromSignal(signal, *info, context);
    ExceptionPointers pointers{&record, context};
    const int32_t answer = CrashFilter(&pointers);
    if (answer == kContinueSearch) {
        // The system's own handling: die of this signal (core dump and all). The signal is
        // blocked while we run, so it arrives once we return.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        raise(signal);
        errno = savedErrno;
        return;
    }
    // Resuming would run straight into the same fault again, report after report; so both
    // other answers end the process here, as a shell reports a death by this signal.
    _exit(128 + signal);
}

} // namespace

ReportRecord RecordFromSignal(int signal, const siginfo_t& info, const void* context) {
    const Machine machine = ReadMachine(context);
    // si_addr only means the faulting address when the kernel raised the signal.
    const bool raisedByFault = info.si_code > 0;
    const uintptr_t faultAddress = raisedByFault ? reinterpret_cast<uintptr_t>(info.si_addr) : 0;

    ReportRecord record;
    // The report's fields are 32 bits wide; on a 64-bit system addresses keep their low half.
    record.Address = static_cast<uint32_t>(machine.Pc);
    switch (signal) {
    case SIGSEGV:
    case SIGBUS:
        record.Code = signal == SIGSEGV && raisedByFault &&
                              LooksLikeStackOverflow(faultAddress, machine.Sp, CurrentThreadStack())
                          ? kStackOverflow
                          : kAccessViolation;
        record.NumberParameters = 2;
        record.Information[0] = machine.AccessKind;
        // A fault the kernel cannot pin to an address (a non-canonical pointer) is reported
        // with an all-ones address, as Windows does.
        record.Information[1] =
            info.si_code == SI_KERNEL ? 0xFFFFFFFFu : static_cast<uint32_t>(faultAddress);
        break;
    case SIGFPE:
        record.Code = FloatingPointCode(info.si_code);
        break;
    case SIGILL:
        record.Code = info.si_code == ILL_PRVOPC || info.si_code == ILL_PRVREG
                          ? kPrivilegedInstruction
                          : kIllegalInstruction;
        break;
    default:
        break;
    }
    return record;
}

void HookFaults() {
    if (g_hooked.exchange(true)) return;
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kFatalSignals[i], &action, &PreviousFilter[i]);
}

// Standard error is where a report goes whatever the report routine then does with it.
void WriteReportToStandardError(const char* report, std::size_t length) {
    WriteAll(report, length);
}

#endif

} // namespace crash::detail
