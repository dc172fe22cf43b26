// Passwords: from the environment or typed on the terminal without echo,
// never from the command line.
#pragma once

#include <string>

namespace vor::coffer {

constexpr const char kPasswordVariable[] = "COFFER_PASSWORD";
constexpr const char kFilePasswordVariable[] = "COFFER_FILE_PASSWORD";

// The value of env_var when it is set; otherwise asks on the terminal (twice
// when confirm). Raises kExitWrongPassword when there is neither, and
// kExitUsage for an empty password or two entries that differ.
std::string ReadPassword(const char* env_var, const std::string& prompt, bool confirm);

// Supplies the password of files that have one of their own: asked for (or
// read from COFFER_FILE_PASSWORD) once, then offered to every file whose
// open did not try it yet.
class FilePasswords {
 public:
  // Whether files with passwords may be asked about (false: every request
  // is cancelled, which leaves such files unopened).
  explicit FilePasswords(bool enabled) : enabled_(enabled) {}

  // The password to try first (empty until one was read).
  const std::string& Current() const { return password_; }
  // Whether a request was cancelled: a file stayed shut for want of its
  // password.
  bool Refused() const { return refused_; }
  // An OnPassword request after the password tried failed: true with the
  // password to try, or false to cancel (it was the one at hand already, or
  // there is none).
  bool Request(const std::string& tried, std::string* password);

 private:
  bool enabled_;
  bool read_ = false;
  bool refused_ = false;
  std::string password_;
};

}  // namespace vor::coffer
