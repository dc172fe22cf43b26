// Shell folders, opening files and the program's path on POSIX: XDG
// folders, xdg-open, /proc/self/exe.
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/com_result.h"
#include "platform/desktop_entry.h"
#include "platform/shell.h"

extern char** environ;

namespace vor::platform {

namespace {

constexpr int32_t kOpenFileNotFound = 2;    // SE_ERR_FNF
constexpr int32_t kOpenNoAssociation = 31;  // SE_ERR_NOASSOC
constexpr int32_t kOpenStarted = 33;

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && IsAbsolute(home)) return home;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && IsAbsolute(found->pw_dir)) {
    return found->pw_dir;
  }
  return std::string();
}

// An XDG base folder: the variable when it holds an absolute path, else the
// home folder + fallback; empty when neither is known.
std::string XdgFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && IsAbsolute(value)) return value;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + fallback;
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a shell assignment of "$HOME/..." or
// of an absolute path, in double quotes.
std::string UserDirsDesktop() {
  const std::string config = XdgFolder("XDG_CONFIG_HOME", "/.config");
  if (config.empty()) return std::string();
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=";
  std::string found;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    while (!value.empty() &&
           (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
      value.pop_back();
    }
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    std::string unquoted;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
      if (value[i] == '\\' && i + 2 < value.size()) ++i;
      unquoted += value[i];
    }
    if (unquoted == "$HOME" || unquoted.compare(0, 6, "$HOME/") == 0) {
      const std::string home = HomeFolder();
      if (home.empty()) continue;
      unquoted = home + unquoted.substr(5);
    }
    if (IsAbsolute(unquoted)) found = unquoted;  // the last assignment wins
  }
  return found;
}

std::string DesktopFolder() {
  std::string desktop = UserDirsDesktop();
  const char* variable = std::getenv("XDG_DESKTOP_DIR");
  if (desktop.empty() && variable != nullptr && IsAbsolute(variable)) desktop = variable;
  if (desktop.empty()) {
    const std::string home = HomeFolder();
    if (!home.empty()) desktop = home + "/Desktop";
  }
  return desktop;
}

// Starts argv[0] found on PATH without waiting; a detached thread reaps it
// so that it leaves no zombie behind.
bool Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace

bool IsWindowHandle(WindowId /*window*/) { return false; }

int32_t GetSpecialFolderPath(WindowId /*owner*/, int32_t folder, std::string* path) {
  std::string found;
  switch (folder) {
    case kFolderPrograms: {
      const std::string data = XdgFolder("XDG_DATA_HOME", "/.local/share");
      if (!data.empty()) found = data + "/applications";
      break;
    }
    case kFolderDesktopDirectory:
    case kFolderCommonDesktopDirectory:
      found = DesktopFolder();
      break;
    case kFolderCommonPrograms:
      found = "/usr/share/applications";
      break;
    case kFolderAppData:
      found = XdgFolder("XDG_CONFIG_HOME", "/.config");
      break;
    case kFolderLocalAppData:
      found = XdgFolder("XDG_DATA_HOME", "/.local/share");
      break;
    default:
      return kResultFail;
  }
  if (found.empty()) return kResultFail;
  *path = found;
  return kResultOk;
}

int32_t ShellOpen(const std::string& file, const std::string& parameters) {
  struct stat st;
  const bool is_url = file.find("://") != std::string::npos;
  if (!is_url && (file.empty() || ::stat(file.c_str(), &st) != 0)) return kOpenFileNotFound;
  std::vector<std::string> args;
  if (parameters.empty()) {
    args = {"xdg-open", file};
  } else {
    args.push_back(file.find('/') == std::string::npos ? "./" + file : file);
    for (const std::string& word : SplitCommandLine(parameters)) args.push_back(word);
  }
  return Spawn(args) ? kOpenStarted : kOpenNoAssociation;
}

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(n));
}

}  // namespace vor::platform
