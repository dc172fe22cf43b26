// Freedesktop launchers: the text of a ".desktop" file of type Application.
//
// This is the POSIX stand-in for a shortcut file: Name is the shortcut's
// description, Exec the target with its arguments, Path the working folder,
// Icon the icon file. The text follows the Desktop Entry rules for string
// values (\\, \n, \t, \r escapes) and for Exec (arguments with reserved
// characters in double quotes, literal "%" written "%%").
#pragma once

#include <string>
#include <vector>

namespace vor::platform {

struct DesktopEntry {
  std::string name;
  std::string target;     // the program or document; the first word of Exec
  std::string arguments;  // a command line in the Windows manner, split by SplitCommandLine
  std::string working_directory;
  std::string icon;
};

// The whole file, every line ended by "\n". Empty working folder and icon
// leave their keys out.
std::string FormatDesktopEntry(const DesktopEntry& entry);

// A string value with the general escapes applied.
std::string EscapeDesktopString(const std::string& value);
// One argument of Exec, before the general escapes: quoted when it holds a
// reserved character or is empty, "%" doubled.
std::string QuoteExecArgument(const std::string& argument);
// Splits a command line the way Windows programs split theirs: blanks and
// tabs separate words, double quotes group, 2n backslashes before a quote
// give n backslashes and the quote acts, 2n+1 give n and a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace vor::platform
