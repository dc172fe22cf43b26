// The running process on POSIX: /proc for the program path, signal
// handlers for interrupts.
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace vor::platform {

namespace {

volatile sig_atomic_t g_interrupted = 0;

// Records the request; SA_RESETHAND has put the default action back, so a
// second one ends the process.
void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

std::string RunningProgramPath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(n));
}

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
