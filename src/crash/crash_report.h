// Turns a fault on any thread into a short report text and shows it.
#pragma once

namespace crash {

// Gives the calling thread the alternate signal stack that the fault report runs on, so
// that a stack overflow can be reported too. Every thread of the program calls it first.
void PrepareThread();

} // namespace crash
