#include <atomic>

#include "crash/crash_report.h"
#include "crash/fault_hook.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace crash {
namespace {

// The report routine; written once at start-up, read by any thread that faults.
std::atomic<Handler> ExceptionHandler{nullptr};
static_assert(std::atomic<Handler>::is_always_lock_free, "read inside a signal handler");

ReportRecord CopyRecord(const ExceptionPointers* pointers) {
#ifdef _WIN32
    ReportRecord copy;
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record == nullptr) return copy;
    // The report's fields are 32 bits wide; a 64-bit build keeps the low half of addresses.
    copy.Code = static_cast<uint32_t>(record->ExceptionCode);
    copy.Flags = static_cast<uint32_t>(record->ExceptionFlags);
    copy.ChainedRecord =
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record->ExceptionRecord));
    copy.Address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record->ExceptionAddress));
    copy.NumberParameters = static_cast<int32_t>(record->NumberParameters);
    for (DWORD i = 0; i < record->NumberParameters && i < kMaxInformationWords; ++i)
        copy.Information[i] = static_cast<uint32_t>(record->ExceptionInformation[i]);
    return copy;
#else
    return pointers->ExceptionRecord != nullptr ? *pointers->ExceptionRecord : ReportRecord{};
#endif
}

} // namespace

void InstallCrashReport(Handler handler, int32_t flag) {
    if (flag != 0) ExceptionHandler.store(handler);
    PrepareThread();
    detail::FindReportBoxes();
    detail::HookFaults();
}

int32_t CrashFilter(ExceptionPointers* pointers) {
    const ReportRecord record = CopyRecord(pointers);
    // On the faulting thread's signal stack: each fault gets its own text.
    char report[kReportCapacity];
    [[maybe_unused]] const std::size_t length = FormatReport(record, report, sizeof report);
#ifndef _WIN32
    detail::WriteReportToStandardError(report, length);
#endif
    Handler handler = ExceptionHandler.load();
    if (handler == nullptr) handler = DefaultCrashHandler;
    return handler(pointers, report);
}

int32_t DefaultCrashHandler(ExceptionPointers* /*pointers*/, const char* /*report*/) {
    return kExecuteHandler;
}

} // namespace crash
