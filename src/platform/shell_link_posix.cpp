// The shell link object on POSIX: the link lives in memory and is saved as a
// freedesktop launcher, written to a temporary file beside the target name
// and renamed over it, so a reader sees the old file or the new one whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/com_result.h"
#include "platform/desktop_entry.h"
#include "platform/fs.h"
#include "platform/shell_link.h"

namespace vor::platform {

namespace {

constexpr int32_t kShowNormal = 1;  // SW_SHOWNORMAL

int32_t IntoBuffer(const std::string& value, std::string* out, int32_t buffer_size) {
  const size_t room = buffer_size > 0 ? static_cast<size_t>(buffer_size) - 1 : 0;
  *out = value.substr(0, room);
  return kResultOk;
}

// The name without its folder and its last extension: the launcher's Name
// when the link has no description.
std::string Stem(const std::string& file_name) {
  std::string name = ExtractFileName(file_name);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

// Writes text to path through a temporary file in the same folder and a
// rename; kResultOk or the failed call's wrapped errno.
int32_t WriteWhole(const std::string& path, const std::string& text) {
  std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return ResultFromOsError(static_cast<uint32_t>(errno));
  temp = name.data();
  int error = 0;
  size_t done = 0;
  while (done < text.size() && error == 0) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += static_cast<size_t>(n);
  }
  // Launchers are marked executable (less the process's umask): desktops
  // refuse to start launchers that are not.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  if (error == 0 && ::fchmod(fd, 0755 & ~mask) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return ResultFromOsError(static_cast<uint32_t>(error));
  }
  return kResultOk;
}

class DesktopLink : public ShellLinkObject {
 public:
  int32_t GetPath(std::string* path, int32_t buffer_size, LinkFindData* find_data,
                  uint32_t /*flags*/) override {
    if (find_data != nullptr) {
      *find_data = LinkFindData();
      struct stat st;
      if (!target_.empty() && ::stat(target_.c_str(), &st) == 0) {
        find_data->attributes = GetFileAttributes(target_);
        find_data->size = static_cast<uint64_t>(st.st_size);
        find_data->file_name = ExtractFileName(target_);
      }
    }
    IntoBuffer(target_, path, buffer_size);
    return target_.empty() ? kResultFalse : kResultOk;
  }
  int32_t SetPath(const std::string& path) override {
    target_ = path;
    return kResultOk;
  }
  int32_t GetDescription(std::string* text, int32_t buffer_size) override {
    return IntoBuffer(description_, text, buffer_size);
  }
  int32_t SetDescription(const std::string& text) override {
    description_ = text;
    return kResultOk;
  }
  int32_t GetWorkingDirectory(std::string* path, int32_t buffer_size) override {
    return IntoBuffer(working_directory_, path, buffer_size);
  }
  int32_t SetWorkingDirectory(const std::string& path) override {
    working_directory_ = path;
    return kResultOk;
  }
  int32_t GetArguments(std::string* text, int32_t buffer_size) override {
    return IntoBuffer(arguments_, text, buffer_size);
  }
  int32_t SetArguments(const std::string& text) override {
    arguments_ = text;
    return kResultOk;
  }
  int32_t GetHotkey(uint16_t* hotkey) override {
    *hotkey = hotkey_;
    return kResultOk;
  }
  int32_t SetHotkey(uint16_t hotkey) override {
    hotkey_ = hotkey;
    return kResultOk;
  }
  int32_t GetShowCmd(int32_t* show_cmd) override {
    *show_cmd = show_cmd_;
    return kResultOk;
  }
  int32_t SetShowCmd(int32_t show_cmd) override {
    show_cmd_ = show_cmd;
    return kResultOk;
  }
  int32_t GetIconLocation(std::string* path, int32_t buffer_size, int32_t* index) override {
    *index = icon_index_;
    return IntoBuffer(icon_path_, path, buffer_size);
  }
  int32_t SetIconLocation(const std::string& path, int32_t index) override {
    icon_path_ = path;
    icon_index_ = index;
    return kResultOk;
  }
  int32_t Save(const std::string& file_name) override {
    DesktopEntry entry;
    entry.name = description_.empty() ? Stem(file_name) : description_;
    entry.target = target_;
    entry.arguments = arguments_;
    entry.working_directory = working_directory_;
    entry.icon = icon_path_;
    return WriteWhole(file_name, FormatDesktopEntry(entry));
  }
  int32_t Load(const std::string& /*file_name*/) override { return kResultNotImplemented; }

 private:
  std::string target_;
  std::string description_;
  std::string working_directory_;
  std::string arguments_;
  std::string icon_path_;
  int32_t icon_index_ = 0;
  uint16_t hotkey_ = 0;
  int32_t show_cmd_ = kShowNormal;
};

}  // namespace

ShellLinkCreation CreateShellLinkObject() {
  ShellLinkCreation creation;
  creation.result = kResultOk;
  creation.link = std::make_unique<DesktopLink>();
  return creation;
}

}  // namespace vor::platform
