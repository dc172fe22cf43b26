// The running process on Windows: a console control handler for
// interrupts.
#include <windows.h>

#include <atomic>

#include "platform/process.h"

namespace vor::platform {

namespace {

std::atomic<int> g_interrupts{0};

// The first request is recorded and the process goes on; a later one falls
// through to the default handler, which ends it. Closing the console, a
// log-off or a shutdown leave a few seconds: the handler waits for the
// program to stop on its own in that time.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (g_interrupts.fetch_add(1) > 0) return FALSE;
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    Sleep(4000);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

void WatchInterrupts() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool InterruptRequested() { return g_interrupts.load() > 0; }

}  // namespace vor::platform
