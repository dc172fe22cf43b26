// The running process: its identifier and interrupt requests (Ctrl+C, a
// termination request, the console closing). The program's own path is
// ExecutablePath (shell.h).
#pragma once

#include <cstdint>

namespace vor::platform {

uint32_t CurrentProcessId();

// From this call on, an interrupt request no longer ends the process at
// once: it is recorded for InterruptRequested, so that a long job can stop
// at its next check and clean up. A second request ends the process as the
// first one would have.
void WatchInterrupts();
// Whether an interrupt arrived since WatchInterrupts.
bool InterruptRequested();

}  // namespace vor::platform
