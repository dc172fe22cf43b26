#include "installer/engine/silent_log.h"

#include "installer/engine/exit_codes.h"
#include "platform/file.h"

namespace vor {

std::string LogLines(const std::string& message) {
  std::string text;
  for (size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (c == '\r' || c == '\n') {
      text += "\r\n";
      if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') ++i;
    } else {
      text += c;
    }
  }
  return text + "\r\n";
}

void SilentLog::Add(const std::string& message, int exit_code) {
  messages_.push_back(message);
  lines_.push_back(message);
  if (first_failure_ == 0) first_failure_ = exit_code;
  if (!path_.empty() && !Write()) write_failed_ = true;
}

void SilentLog::Step(const std::string& line) {
  lines_.push_back(line);
  if (!path_.empty() && !Write()) write_failed_ = true;
}

void SilentLog::Start() {
  if (!path_.empty() && !Write()) write_failed_ = true;
}

int SilentLog::ExitCode() const {
  if (first_failure_ != 0) return first_failure_;
  return write_failed_ ? kExitLogWriteError : kExitInstalled;
}

bool SilentLog::Write() const {
  std::string bytes;
  for (const std::string& line : lines_) bytes += LogLines(line);
  auto file = platform::FileHandle::Open(path_, platform::FileAccess::kReadWrite,
                                         platform::FileShare::kShared,
                                         platform::FileDisposition::kCreateAlways, false);
  if (file == nullptr) return false;
  const auto size = static_cast<int32_t>(bytes.size());
  return file->Write(bytes.data(), size) == size && file->Flush();
}

}  // namespace vor
