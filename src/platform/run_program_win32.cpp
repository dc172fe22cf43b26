// Running a program on Windows: CreateProcessA on a quoted command line.
#include <windows.h>

#include "platform/platform_error.h"
#include "platform/run_program.h"

namespace vor::platform {

namespace {

// One argument as the C runtime's command-line splitting reads it back:
// quoted when it holds a blank or a quote or is empty, backslashes doubled
// before a quote.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// Closes a handle when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = Quoted(program);
  for (const std::string& a : arguments) line += " " + Quoted(a);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ProgramRun run;
  if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    const DWORD code = ::GetLastError();
    run.not_found = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    run.error = OsErrorMessage(code);
    return run;
  }
  const ScopedHandle thread(process.hThread);
  const ScopedHandle child(process.hProcess);
  run.started = true;
  ::WaitForSingleObject(child.Get(), INFINITE);
  DWORD exit_code = 0;
  if (::GetExitCodeProcess(child.Get(), &exit_code)) run.exit_code = static_cast<int>(exit_code);
  return run;
}

}  // namespace vor::platform
