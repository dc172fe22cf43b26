// The terminal behind the standard streams: whether there is one, its
// width, and reading a line from it (with or without echo).
//
// Lines are read from the controlling terminal itself (/dev/tty, the
// console), not from standard input, so that a program whose input is a pipe
// can still ask its user.
#pragma once

#include <string>

namespace vor::platform {

enum class StdStream { kInput, kOutput, kError };

// Whether the stream is connected to a terminal.
bool IsTerminal(StdStream stream);
// Columns of the terminal on standard error; 80 when unknown.
int TerminalColumns();
// Writes prompt to the terminal and reads one line (without its line end);
// with hide_input the typed characters are not echoed. False when there is
// no terminal or the input ended before a line.
bool ReadTerminalLine(const std::string& prompt, bool hide_input, std::string* line);
// Makes the stream pass bytes unchanged (no line-end translation).
void SetBinaryMode(StdStream stream);

}  // namespace vor::platform
