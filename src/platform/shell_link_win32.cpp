// The shell's link object through IShellLinkA and IPersistFile.
// clang-format off
#include <windows.h>
#include <objbase.h>  // after windows.h, which it builds on
#include <shlobj.h>  // after windows.h, which it builds on
// clang-format on

#include <vector>

#include "platform/com_ref_win32.h"
#include "platform/com_result.h"
#include "platform/shell_link.h"

namespace vor::platform {

namespace {

int32_t Hr(HRESULT hr) { return static_cast<int32_t>(hr); }

// Runs a Get call into a buffer of buffer_size bytes and keeps the text up
// to the first zero byte.
template <typename Call>
int32_t IntoBuffer(std::string* out, int32_t buffer_size, Call call) {
  std::vector<char> buffer(buffer_size > 0 ? static_cast<size_t>(buffer_size) : 1, '\0');
  const HRESULT hr = call(buffer.data(), buffer_size > 0 ? buffer_size : 0);
  buffer.back() = '\0';
  if (SUCCEEDED(hr)) *out = buffer.data();
  return Hr(hr);
}

// text as a terminated UTF-16 string. A vector, not std::wstring: the wide
// string's library instantiation would add tens of kilobytes to the
// installer program for these two calls.
std::vector<wchar_t> Wide(const std::string& text) {
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  }
  return wide;
}

class Win32ShellLink : public ShellLinkObject {
 public:
  explicit Win32ShellLink(IShellLinkA* link) : link_(link) {}
  ~Win32ShellLink() override { link_->Release(); }
  Win32ShellLink(const Win32ShellLink&) = delete;
  Win32ShellLink& operator=(const Win32ShellLink&) = delete;

  int32_t GetPath(std::string* path, int32_t buffer_size, LinkFindData* find_data,
                  uint32_t flags) override {
    WIN32_FIND_DATAA data;
    ZeroMemory(&data, sizeof(data));
    const int32_t hr = IntoBuffer(path, buffer_size, [&](char* buffer, int size) {
      return link_->GetPath(buffer, size, &data, flags);
    });
    if (find_data != nullptr && !ResultFailed(hr)) {
      find_data->attributes = data.dwFileAttributes;
      find_data->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      data.cFileName[MAX_PATH - 1] = '\0';
      find_data->file_name = data.cFileName;
    }
    return hr;
  }
  int32_t SetPath(const std::string& path) override { return Hr(link_->SetPath(path.c_str())); }
  int32_t GetDescription(std::string* text, int32_t buffer_size) override {
    return IntoBuffer(text, buffer_size,
                      [&](char* buffer, int size) { return link_->GetDescription(buffer, size); });
  }
  int32_t SetDescription(const std::string& text) override {
    return Hr(link_->SetDescription(text.c_str()));
  }
  int32_t GetWorkingDirectory(std::string* path, int32_t buffer_size) override {
    return IntoBuffer(path, buffer_size, [&](char* buffer, int size) {
      return link_->GetWorkingDirectory(buffer, size);
    });
  }
  int32_t SetWorkingDirectory(const std::string& path) override {
    return Hr(link_->SetWorkingDirectory(path.c_str()));
  }
  int32_t GetArguments(std::string* text, int32_t buffer_size) override {
    return IntoBuffer(text, buffer_size,
                      [&](char* buffer, int size) { return link_->GetArguments(buffer, size); });
  }
  int32_t SetArguments(const std::string& text) override {
    return Hr(link_->SetArguments(text.c_str()));
  }
  int32_t GetHotkey(uint16_t* hotkey) override {
    WORD word = 0;
    const HRESULT hr = link_->GetHotkey(&word);
    if (SUCCEEDED(hr)) *hotkey = word;
    return Hr(hr);
  }
  int32_t SetHotkey(uint16_t hotkey) override { return Hr(link_->SetHotkey(hotkey)); }
  int32_t GetShowCmd(int32_t* show_cmd) override {
    int value = 0;
    const HRESULT hr = link_->GetShowCmd(&value);
    if (SUCCEEDED(hr)) *show_cmd = value;
    return Hr(hr);
  }
  int32_t SetShowCmd(int32_t show_cmd) override { return Hr(link_->SetShowCmd(show_cmd)); }
  int32_t GetIconLocation(std::string* path, int32_t buffer_size, int32_t* index) override {
    int value = 0;
    const int32_t hr = IntoBuffer(path, buffer_size, [&](char* buffer, int size) {
      return link_->GetIconLocation(buffer, size, &value);
    });
    if (!ResultFailed(hr)) *index = value;
    return hr;
  }
  int32_t SetIconLocation(const std::string& path, int32_t index) override {
    return Hr(link_->SetIconLocation(path.c_str(), index));
  }
  int32_t Save(const std::string& file_name) override {
    ComRef<IPersistFile> file;
    const HRESULT hr = link_->QueryInterface(IID_IPersistFile, file.out_void());
    if (FAILED(hr)) return Hr(hr);
    return Hr(file->Save(Wide(file_name).data(), TRUE));
  }
  int32_t Load(const std::string& file_name) override {
    ComRef<IPersistFile> file;
    const HRESULT hr = link_->QueryInterface(IID_IPersistFile, file.out_void());
    if (FAILED(hr)) return Hr(hr);
    return Hr(file->Load(Wide(file_name).data(), STGM_READ));
  }

 private:
  IShellLinkA* link_;
};

}  // namespace

ShellLinkCreation CreateShellLinkObject() {
  ShellLinkCreation creation;
  ComRef<IUnknown> object;
  HRESULT hr =
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, object.out_void());
  creation.result = Hr(hr);
  if (FAILED(hr) || object.get() == nullptr) return creation;
  IShellLinkA* link = nullptr;
  hr = object->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link));
  creation.result = Hr(hr);
  if (SUCCEEDED(hr) && link != nullptr) creation.link = std::make_unique<Win32ShellLink>(link);
  return creation;
}

}  // namespace vor::platform
