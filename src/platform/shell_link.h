// The system's shell link object: one shortcut, held in memory and saved to
// a file.
//
// On Windows it is the shell's own link object (CoCreateInstance of
// CLSID_ShellLink with IShellLinkA, IPersistFile to save and load); the
// calling thread must have initialised COM (ComApartment). On POSIX the link
// is held in memory and saved as a freedesktop launcher (a ".desktop" file,
// see desktop_entry.h), written whole or not at all; hot key, show command
// and icon index live only in memory there, and loading is not supported.
//
// Every call returns the result code of the underlying call (com_result.h).
// The Get calls copy at most buffer_size - 1 bytes, as a call into a buffer
// of buffer_size bytes ended by a zero byte would deliver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vor::platform {

// Flags for GetPath.
constexpr uint32_t kLinkPathShort = 1;        // SLGP_SHORTPATH
constexpr uint32_t kLinkPathUncPriority = 2;  // SLGP_UNCPRIORITY
constexpr uint32_t kLinkPathRaw = 4;          // SLGP_RAWPATH

// What GetPath reports about the link's target.
struct LinkFindData {
  uint32_t attributes = 0;  // Windows attribute bits (fs.h)
  uint64_t size = 0;
  std::string file_name;  // the target's name without its folder
};

class ShellLinkObject {
 public:
  virtual ~ShellLinkObject() = default;

  virtual int32_t GetPath(std::string* path, int32_t buffer_size, LinkFindData* find_data,
                          uint32_t flags) = 0;
  virtual int32_t SetPath(const std::string& path) = 0;
  virtual int32_t GetDescription(std::string* text, int32_t buffer_size) = 0;
  virtual int32_t SetDescription(const std::string& text) = 0;
  virtual int32_t GetWorkingDirectory(std::string* path, int32_t buffer_size) = 0;
  virtual int32_t SetWorkingDirectory(const std::string& path) = 0;
  virtual int32_t GetArguments(std::string* text, int32_t buffer_size) = 0;
  virtual int32_t SetArguments(const std::string& text) = 0;
  // The hot-key word: virtual-key code in the low byte, modifier bits in the
  // high byte (1 Shift, 2 Ctrl, 4 Alt, 8 extended).
  virtual int32_t GetHotkey(uint16_t* hotkey) = 0;
  virtual int32_t SetHotkey(uint16_t hotkey) = 0;
  virtual int32_t GetShowCmd(int32_t* show_cmd) = 0;
  virtual int32_t SetShowCmd(int32_t show_cmd) = 0;
  virtual int32_t GetIconLocation(std::string* path, int32_t buffer_size, int32_t* index) = 0;
  virtual int32_t SetIconLocation(const std::string& path, int32_t index) = 0;
  // Writes the link to file_name (8-bit, turned into the system's wide form
  // by its 8-bit code page), creating or replacing the file; the link then
  // remembers that name.
  virtual int32_t Save(const std::string& file_name) = 0;
  // Replaces the link's settings by those stored in file_name.
  virtual int32_t Load(const std::string& file_name) = 0;
};

struct ShellLinkCreation {
  int32_t result = 0;                     // the creation call's result code
  std::unique_ptr<ShellLinkObject> link;  // empty when no object came back
};

// A new link object with the system's defaults.
ShellLinkCreation CreateShellLinkObject();

}  // namespace vor::platform
