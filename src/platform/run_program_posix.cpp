// Running a program on POSIX: posix_spawnp and waitpid.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "platform/run_program.h"

extern char** environ;

namespace vor::platform {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  ProgramRun run;
  pid_t pid = 0;
  const int failed = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (failed != 0) {
    run.not_found = failed == ENOENT;
    run.error = std::strerror(failed);
    return run;
  }
  run.started = true;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return run;
  }
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

}  // namespace vor::platform
