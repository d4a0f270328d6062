#include "crash/crash_report.h"

namespace crash {

// Filled in with the fault hook.
void PrepareThread() {}

} // namespace crash
