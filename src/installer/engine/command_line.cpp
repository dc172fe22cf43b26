#include "installer/engine/command_line.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vor {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWithNoCase(const std::string& text, size_t at, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (at + i >= text.size()) return false;
    if (std::toupper(static_cast<unsigned char>(text[at + i])) != prefix[i]) return false;
  }
  return true;
}

[[noreturn]] void Refuse(CommandLineErrorKind kind, const std::string& what) {
  throw ECommandLineError(kind, what + "\r\r" + UsageText());
}

// The value of /D=: the rest of the line without trailing blanks; one pair
// of quotes around all of it is dropped.
std::string RestOfLine(const std::string& line, size_t from) {
  size_t end = line.size();
  while (end > from && IsBlank(line[end - 1])) --end;
  std::string value = line.substr(from, end - from);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

void SetDestDir(InstallerCommandLine* result, const std::string& value) {
  if (value.empty()) Refuse(CommandLineErrorKind::kMissingValue, "The switch /D= needs a folder");
  if (result->has_dest_dir) {
    Refuse(CommandLineErrorKind::kRepeated, "The switch /D= is given more than once");
  }
  result->has_dest_dir = true;
  result->dest_dir = value;
}

void TakeSwitch(InstallerCommandLine* result, const std::string& token) {
  const std::string name = Upper(token);
  if (name == "/S") {
    result->silent = true;
  } else if (name == "/U") {
    result->uninstall = true;
  } else if (name == "/ALLUSERS" || name == "/CURRENTUSER") {
    const UserScope scope = name == "/ALLUSERS" ? UserScope::kAllUsers : UserScope::kCurrentUser;
    if (result->users != UserScope::kDefault && result->users != scope) {
      Refuse(CommandLineErrorKind::kConflict,
             "The switches /ALLUSERS and /CURRENTUSER cannot be used together");
    }
    result->users = scope;
  } else if (name == "/NODESKTOP") {
    result->no_desktop = true;
  } else if (name == "/NOQUICKLAUNCH") {
    result->no_quick_launch = true;
  } else if (name == "/LAUNCH") {
    result->launch = true;
  } else if (name == "/POSTEXEC") {
    result->post_exec = true;
  } else if (name == "/FORCE") {
    result->force = true;
  } else if (name.compare(0, 5, "/LOG=") == 0) {
    const std::string value = token.substr(5);
    if (value.empty()) Refuse(CommandLineErrorKind::kMissingValue, "The switch /LOG= needs a file");
    if (!result->log_file.empty()) {
      Refuse(CommandLineErrorKind::kRepeated, "The switch /LOG= is given more than once");
    }
    result->log_file = value;
  } else if (name.compare(0, 3, "/D=") == 0) {
    SetDestDir(result, token.substr(3));  // a quoted "/D=..." ends at its quote
  } else if (name == "/LOG" || name == "/D") {
    Refuse(CommandLineErrorKind::kMissingValue, "The switch " + token + " needs =<value>");
  } else if (name == "/?") {
    Refuse(CommandLineErrorKind::kHelp, "Switches of the installer");
  } else {
    Refuse(CommandLineErrorKind::kUnknownSwitch, "Unknown switch: " + token);
  }
}

// The uninstaller knows only /U, /S, /LOG= and /D= (the folder of the
// installation to remove, when it is not the uninstaller's own).
void CheckUninstallSwitches(const InstallerCommandLine& result) {
  const struct {
    bool given;
    const char* name;
  } install_only[] = {
      {result.users == UserScope::kAllUsers, "/ALLUSERS"},
      {result.users == UserScope::kCurrentUser, "/CURRENTUSER"},
      {result.no_desktop, "/NODESKTOP"},
      {result.no_quick_launch, "/NOQUICKLAUNCH"},
      {result.launch, "/LAUNCH"},
      {result.post_exec, "/POSTEXEC"},
      {result.force, "/FORCE"},
  };
  for (const auto& s : install_only) {
    if (s.given) {
      Refuse(CommandLineErrorKind::kConflict,
             std::string("The switch /U cannot be used with ") + s.name);
    }
  }
}

}  // namespace

std::string UsageText() {
  return "Installation: [/S] [/ALLUSERS | /CURRENTUSER] [/NODESKTOP] [/NOQUICKLAUNCH] "
         "[/LAUNCH] [/POSTEXEC] [/FORCE] [/LOG=<file>] [/D=<folder>]\r"
         "Removal: /U [/S] [/LOG=<file>] [/D=<folder>]\r"
         "\r"
         "/S\tno window; messages go to the /LOG file\r"
         "/D=<folder>\tthe destination folder (with /U: the installation's folder); the last "
         "switch, blanks allowed\r"
         "/ALLUSERS\tinstall for all users\r"
         "/CURRENTUSER\tinstall for this user only\r"
         "/NODESKTOP\tno desktop icon\r"
         "/NOQUICKLAUNCH\tno Quick Launch icon\r"
         "/LAUNCH\tstart the program when the installation is complete\r"
         "/POSTEXEC\twith /S: open the post-install program too\r"
         "/FORCE\twith /S: install even when the program is installed in another folder\r"
         "/LOG=<file>\twrite every step and message to this file\r"
         "/U\tremove the installed program";
}

InstallerCommandLine ParseCommandLine(const std::string& arguments) {
  // The words before /D=, and /D='s value when it is there.
  std::vector<std::string> tokens;
  bool has_rest = false;
  std::string rest;
  size_t i = 0;
  const size_t n = arguments.size();
  while (i < n) {
    if (IsBlank(arguments[i])) {
      ++i;
      continue;
    }
    if (StartsWithNoCase(arguments, i, "/D=")) {
      has_rest = true;
      rest = RestOfLine(arguments, i + 3);
      break;
    }
    std::string token;
    bool quoted = false;
    for (; i < n && (quoted || !IsBlank(arguments[i])); ++i) {
      if (arguments[i] == '"') {
        quoted = !quoted;
      } else {
        token += arguments[i];
      }
    }
    tokens.push_back(token);
  }
  InstallerCommandLine result;
  try {
    for (const std::string& token : tokens) TakeSwitch(&result, token);
    if (has_rest) SetDestDir(&result, rest);
    if (result.uninstall) CheckUninstallSwitches(result);
  } catch (const ECommandLineError& e) {
    // A refused line that asks for no window gets no window either.
    const bool silent = std::any_of(tokens.begin(), tokens.end(),
                                    [](const std::string& t) { return Upper(t) == "/S"; });
    throw ECommandLineError(e.Kind(), e.what(), silent);
  }
  return result;
}

std::string UninstallRelaunchArguments(const InstallerCommandLine& command_line,
                                       const std::string& dest_dir) {
  std::string arguments = "/U";
  if (command_line.silent) arguments += " /S";
  if (!command_line.log_file.empty()) arguments += " \"/LOG=" + command_line.log_file + "\"";
  return arguments + " /D=" + dest_dir;
}

std::string CommandLineArguments(const std::string& command_line) {
  size_t i = 0;
  const size_t n = command_line.size();
  while (i < n && IsBlank(command_line[i])) ++i;
  if (i < n && command_line[i] == '"') {
    ++i;
    while (i < n && command_line[i] != '"') ++i;
    if (i < n) ++i;
  } else {
    while (i < n && !IsBlank(command_line[i])) ++i;
  }
  while (i < n && IsBlank(command_line[i])) ++i;
  return command_line.substr(i);
}

}  // namespace vor
