// Turns a fault on any thread into a short report text and shows it.
#pragma once
#include <cstddef>
#include <cstdint>

#ifdef _WIN32
struct _EXCEPTION_POINTERS;
#endif

namespace crash {

inline constexpr int kMaxInformationWords = 15;

// The fields of a fault that the report shows, each in the report's 32-bit width.
struct ReportRecord {
    uint32_t Code = 0;
    uint32_t Flags = 0;
    uint32_t ChainedRecord = 0;
    uint32_t Address = 0;
    int32_t NumberParameters = 0;
    uint32_t Information[kMaxInformationWords] = {};
};

// What the platform hands to the filter: the fault and the interrupted thread's context.
#ifdef _WIN32
using ExceptionPointers = ::_EXCEPTION_POINTERS;
#else
struct ExceptionPointers {
    ReportRecord* ExceptionRecord = nullptr;
    void* ContextRecord = nullptr; // the signal's ucontext_t
};
#endif

// The filter's answers, with the meaning the platform gives them.
inline constexpr int32_t kContinueSearch = 0;     // let the platform's default handling run
inline constexpr int32_t kExecuteHandler = 1;     // end the process quietly
inline constexpr int32_t kContinueExecution = -1; // resume the faulting thread

// A report routine: gets the platform's fault description and the report text; its answer
// is the filter's answer.
using Handler = int32_t (*)(ExceptionPointers* pointers, const char* report);

// Largest report: four fixed lines, the count line and fifteen information lines.
inline constexpr std::size_t kReportCapacity = 1024;

// Writes the report text for `record` into `out` (NUL-terminated, truncated to `capacity`)
// and returns its length. Allocates nothing, so it can run inside a signal handler.
std::size_t FormatReport(const ReportRecord& record, char* out, std::size_t capacity);

// Hooks the process's unhandled faults. A non-zero `flag` makes `handler` the report
// routine; with 0 the routine stays as it was (DefaultCrashHandler when none was set).
// Also prepares the calling thread (see PrepareThread).
void InstallCrashReport(Handler handler, int32_t flag);

// The top-level filter: builds the report, hands it to the report routine and returns
// that routine's answer.
int32_t CrashFilter(ExceptionPointers* pointers);

// Report routine used while none is installed: shows nothing and lets the process end.
int32_t DefaultCrashHandler(ExceptionPointers* pointers, const char* report);

// The program's report routine: shows the report in a message box captioned "信息：" and
// returns kContinueExecution once the user has dismissed it. Where no box can be shown
// (no display) it returns at once; the report has already gone to standard error.
int32_t ShowCrashReport(ExceptionPointers* pointers, const char* report);

// Gives the calling thread the alternate signal stack that the fault report runs on, so
// that a stack overflow can be reported too. Every thread of the program calls it first.
void PrepareThread();

// Where ShowCrashReport finds its message-box program (default: "xinglan-crash-box" next to
// the running program). Call before any thread faults.
void SetReportBoxProgram(const char* path);

} // namespace crash
