// Running another program and waiting for it to end.
#pragma once

#include <string>
#include <vector>

namespace vor::platform {

struct ProgramRun {
  bool started = false;    // false: the program could not be started
  bool not_found = false;  // ...because no program of that name was found
  int exit_code = -1;      // its exit code once it ended (-1 when killed by a signal)
  std::string error;       // the system's text when it could not be started
};

// Runs program (a path, or a bare name looked up in the PATH) with
// arguments, with this process's standard streams, and waits for it.
// Windows quotes each argument as the C runtime splits a command line.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace vor::platform
