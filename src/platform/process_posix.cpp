// The running process on POSIX: signal handlers for interrupts.
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "platform/process.h"

namespace vor::platform {

namespace {

volatile sig_atomic_t g_interrupted = 0;

// Records the request; SA_RESETHAND has put the default action back, so a
// second one ends the process.
void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

void WatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

}  // namespace vor::platform
