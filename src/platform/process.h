// The running process: its program file, its identifier, and interrupt
// requests (Ctrl+C, a termination request, the console closing).
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Full path of the running program's file ("" when the system cannot tell).
std::string RunningProgramPath();

uint32_t CurrentProcessId();

// From this call on, an interrupt request no longer ends the process at
// once: it is recorded for InterruptRequested, so that a long job can stop
// at its next check and clean up. A second request ends the process as the
// first one would have.
void WatchInterrupts();
// Whether an interrupt arrived since WatchInterrupts.
bool InterruptRequested();

}  // namespace vor::platform
