// Password input.
#include "password.h"

#include <cstdlib>
#include <string>

#include "exit_codes.h"
#include "platform/terminal.h"

namespace vor::coffer {

std::string ReadPassword(const char* env_var, const std::string& prompt, bool confirm) {
  if (const char* value = std::getenv(env_var)) {
    if (*value == '\0') throw ECofferError(kExitUsage, std::string(env_var) + " is empty");
    return value;
  }
  std::string first;
  if (!platform::ReadTerminalLine(prompt, true, &first)) {
    throw ECofferError(kExitWrongPassword, std::string("a password is needed: set ") + env_var +
                                               " or run coffer on a terminal");
  }
  if (first.empty()) throw ECofferError(kExitUsage, "the password is empty");
  if (confirm) {
    std::string second;
    if (!platform::ReadTerminalLine("Repeat the password: ", true, &second) || second != first) {
      throw ECofferError(kExitUsage, "the passwords differ");
    }
  }
  return first;
}

bool FilePasswords::Request(const std::string& tried, std::string* password) {
  refused_ = true;
  if (!enabled_) return false;
  // The password at hand was tried and failed: give up on this file.
  if (read_ && tried == password_) return false;
  if (!read_) {
    // The request comes from inside the engine's open: a failure to get a
    // password cancels the open rather than unwinding through it.
    try {
      password_ = ReadPassword(kFilePasswordVariable, "Password for files: ", false);
    } catch (const ECofferError&) {
      enabled_ = false;
      return false;
    }
    read_ = true;
  }
  refused_ = false;
  *password = password_;
  return true;
}

}  // namespace vor::coffer
