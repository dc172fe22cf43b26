// The shortcut writer as the installation uses it: start a link, set its
// description, working folder, icon and target, save it, read the
// description back. TSxWinShellLink is the real one; tests use fakes.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

class ILinkWriter {
 public:
  virtual ~ILinkWriter() = default;

  // Discards the current link with everything set on it.
  virtual void NewLink() = 0;
  virtual std::string GetDescription() = 0;
  virtual void SetDescription(const std::string& value) = 0;
  virtual void SetWorkingDirectory(const std::string& value) = 0;
  virtual void SetIconLocationPath(const std::string& value) = 0;
  virtual void SetIconLocationIndex(int32_t value) = 0;
  virtual void SetPath(const std::string& value) = 0;
  // Writes the link to file_name, creating or replacing it.
  virtual void SaveToFile(const std::string& file_name) = 0;
};

}  // namespace vor
