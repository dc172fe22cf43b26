// A link object held in memory for tests of the shortcut writer: it honours
// the buffer sizes it is given, records the calls it receives and fails a
// chosen call with a chosen code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_result.h"
#include "platform/shell_link.h"

namespace vor::testing {

struct FakeLinkState {
  std::string path, description, working_directory, arguments, icon_path;
  int32_t icon_index = 0;
  uint16_t hotkey = 0;
  int32_t show_cmd = 1;
  uint32_t last_path_flags = 0;
  std::vector<std::string> calls;  // names of the calls, in order
  std::string fail_call;           // the call that fails ...
  int32_t fail_code = 0;           // ... with this code
  std::string saved_to;
};

class FakeLinkObject : public platform::ShellLinkObject {
 public:
  explicit FakeLinkObject(std::shared_ptr<FakeLinkState> state) : s_(std::move(state)) {}

  int32_t GetPath(std::string* path, int32_t size, platform::LinkFindData* data,
                  uint32_t flags) override {
    s_->last_path_flags = flags;
    if (data != nullptr) data->file_name = "target";
    return Get("GetPath", s_->path, path, size);
  }
  int32_t SetPath(const std::string& v) override { return Set("SetPath", &s_->path, v); }
  int32_t GetDescription(std::string* v, int32_t size) override {
    return Get("GetDescription", s_->description, v, size);
  }
  int32_t SetDescription(const std::string& v) override {
    return Set("SetDescription", &s_->description, v);
  }
  int32_t GetWorkingDirectory(std::string* v, int32_t size) override {
    return Get("GetWorkingDirectory", s_->working_directory, v, size);
  }
  int32_t SetWorkingDirectory(const std::string& v) override {
    return Set("SetWorkingDirectory", &s_->working_directory, v);
  }
  int32_t GetArguments(std::string* v, int32_t size) override {
    return Get("GetArguments", s_->arguments, v, size);
  }
  int32_t SetArguments(const std::string& v) override {
    return Set("SetArguments", &s_->arguments, v);
  }
  int32_t GetHotkey(uint16_t* v) override {
    const int32_t r = Call("GetHotkey");
    if (r == 0) *v = s_->hotkey;
    return r;
  }
  int32_t SetHotkey(uint16_t v) override {
    const int32_t r = Call("SetHotkey");
    if (r == 0) s_->hotkey = v;
    return r;
  }
  int32_t GetShowCmd(int32_t* v) override {
    const int32_t r = Call("GetShowCmd");
    if (r == 0) *v = s_->show_cmd;
    return r;
  }
  int32_t SetShowCmd(int32_t v) override {
    const int32_t r = Call("SetShowCmd");
    if (r == 0) s_->show_cmd = v;
    return r;
  }
  int32_t GetIconLocation(std::string* v, int32_t size, int32_t* index) override {
    const int32_t r = Get("GetIconLocation", s_->icon_path, v, size);
    if (r == 0) *index = s_->icon_index;
    return r;
  }
  int32_t SetIconLocation(const std::string& v, int32_t index) override {
    const int32_t r = Set("SetIconLocation", &s_->icon_path, v);
    if (r == 0) s_->icon_index = index;
    return r;
  }
  int32_t Save(const std::string& file_name) override {
    return Set("Save", &s_->saved_to, file_name);
  }
  int32_t Load(const std::string& /*file_name*/) override { return Call("Load"); }

 private:
  int32_t Call(const char* name) {
    s_->calls.push_back(name);
    return s_->fail_call == name ? s_->fail_code : 0;
  }
  int32_t Get(const char* name, const std::string& value, std::string* out, int32_t size) {
    const int32_t r = Call(name);
    if (r == 0) *out = value.substr(0, size > 0 ? static_cast<size_t>(size) - 1 : 0);
    return r;
  }
  int32_t Set(const char* name, std::string* field, const std::string& value) {
    const int32_t r = Call(name);
    if (r == 0) *field = value;
    return r;
  }

  std::shared_ptr<FakeLinkState> s_;
};

}  // namespace vor::testing
