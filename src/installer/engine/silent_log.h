// The /LOG file of an unattended run (/S) and of a removal: every step with
// its result, and what the wizard would show in a message box; the first
// failure decides the exit code.
#pragma once

#include <string>
#include <vector>

namespace vor {

class SilentLog {
 public:
  // path: the /LOG file ("" keeps the messages in memory only).
  explicit SilentLog(std::string path) : path_(std::move(path)) {}

  // Records a message with the exit code it stands for (0 for a message
  // that does not make the run fail, such as a shortcut that could not be
  // made) and writes the whole log again, so that it is complete even when
  // the run ends abruptly. The message's line breaks (single carriage
  // returns in the message texts) become CR LF in the file.
  void Add(const std::string& message, int exit_code);
  // Records a step done and its result (one line): in the file between the
  // messages, in the order they came, but not among Messages().
  void Step(const std::string& line);
  // Creates the /LOG file (empty) at the start of the run, so that a file
  // that cannot be written shows in the exit code even when no message
  // follows.
  void Start();

  const std::vector<std::string>& Messages() const { return messages_; }
  // The first failure's code; 0 when there was none. A /LOG file that could
  // not be written makes an otherwise clean run end with kExitLogWriteError.
  int ExitCode() const;

 private:
  bool Write() const;

  std::string path_;
  std::vector<std::string> messages_;
  std::vector<std::string> lines_;  // the file's entries: messages and steps
  int first_failure_ = 0;
  bool write_failed_ = false;
};

// A message's text as a log line: CR, LF and CR LF all become CR LF, and
// the line ends with CR LF.
std::string LogLines(const std::string& message);

}  // namespace vor
