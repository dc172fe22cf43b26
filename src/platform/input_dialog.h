// The one-line input dialog.
//
// InputQuery shows a modal dialog with a caption, a prompt, an edit line
// that starts with *value, and OK and Cancel buttons. On Windows it is a
// dialog built in memory; on POSIX the prompt goes to the terminal and a
// line is read from it when standard input is a terminal, and the query is
// cancelled otherwise.
#pragma once

#include <functional>
#include <string>

namespace vor::platform {

// True when the text was confirmed; *value then holds it. False when the
// user cancelled or no dialog could be shown; *value is then unchanged.
// hide_input masks the typed characters (passwords).
bool InputQuery(const std::string& caption, const std::string& prompt, bool hide_input,
                std::string* value);

// Stands in for the dialog in this process (automation, tests): InputQuery
// calls the hook instead while one is set. An empty hook restores the
// dialog. Returns the hook that was set before.
using InputQueryHook = std::function<bool(const std::string& caption, const std::string& prompt,
                                          bool hide_input, std::string* value)>;
InputQueryHook SetInputQueryHook(InputQueryHook hook);

// The system's dialog, whatever hook is set.
bool ShowInputDialog(const std::string& caption, const std::string& prompt, bool hide_input,
                     std::string* value);

}  // namespace vor::platform
