// Win32 file and folder operations.
#include <windows.h>

#include <cctype>
#include <vector>

// <windows.h> maps these names onto their A/W variants; the platform layer's
// own functions carry the plain names.
#undef CreateDirectory
#undef DeleteFile
#undef GetCurrentDirectory
#undef GetFileAttributes
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef SetFileAttributes

#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor::platform {

namespace {

size_t LastDelimiter(const std::string& path) { return path.find_last_of("\\/:"); }

// "C:" or "\\server\share" at the start of path; "" when it has neither.
std::string ExtractDrive(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && path[1] == path[0]) {
    size_t pos = path.find_first_of("\\/", 2);  // end of the server name
    if (pos == std::string::npos) return path;
    pos = path.find_first_of("\\/", pos + 1);  // end of the share name
    return pos == std::string::npos ? path : path.substr(0, pos);
  }
  return std::string();
}

}  // namespace

char PathDelimiter() { return '\\'; }

std::string ExtractFilePath(const std::string& path) {
  const size_t pos = LastDelimiter(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  const size_t pos = LastDelimiter(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractRoot(const std::string& path) {
  std::string full = path;
  std::vector<char> buffer(MAX_PATH * 4);
  const DWORD length =
      ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length > 0 && length < buffer.size()) full.assign(buffer.data(), length);
  return ExtractDrive(full) + "\\";
}

bool IsAbsolutePath(const std::string& path) {
  const auto delimiter = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      delimiter(path[2])) {
    return true;
  }
  return path.size() >= 3 && delimiter(path[0]) && delimiter(path[1]) && !delimiter(path[2]);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushFolder(const std::string&) { return true; }

bool CreateDirectory(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool RemoveDirectory(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveDirectoryTree(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileA(path.c_str()) != 0;
  }
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  bool ok = true;
  for (const std::string& name : names) ok = RemoveDirectoryTree(path + "\\" + name) && ok;
  return ::RemoveDirectoryA(path.c_str()) != 0 && ok;
}

uint32_t GetFileAttributes(const std::string& path) {
  return static_cast<uint32_t>(::GetFileAttributesA(path.c_str()));
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

int64_t GetFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t GetFileLastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

bool SetFileLastWriteTime(const std::string& path, uint64_t filetime) {
  HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(filetime);
  ft.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  const bool ok = ::SetFileTime(h, nullptr, nullptr, &ft) != 0;
  ::CloseHandle(h);
  return ok;
}

std::string GetCurrentDirectory() {
  const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::vector<char> buffer(needed + 1);
  const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return std::string();
  return std::string(buffer.data(), length);
}

bool SetCurrentDirectory(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != 0;
}

bool GetVolumeFileSystemName(const std::string& root, std::string* name) {
  char buffer[MAX_PATH + 1] = {0};
  if (!::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, buffer,
                               MAX_PATH)) {
    return false;
  }
  *name = buffer;
  return true;
}

int64_t GetDiskFreeBytesAvailable(const std::string& root) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}

std::string MakeTempDirectory(const std::string& prefix) {
  char base[MAX_PATH + 1] = {0};
  const DWORD length = ::GetTempPathA(MAX_PATH, base);
  if (length == 0 || length > MAX_PATH) RaiseLastOsError();
  std::string folder(base, length);
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  static unsigned counter = 0;
  const unsigned long pid = ::GetCurrentProcessId();
  for (int attempt = 0; attempt < 10000; ++attempt) {
    const std::string path = folder + prefix + std::to_string(pid) + "-" +
                             std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
    if (::CreateDirectoryA(path.c_str(), nullptr)) return path;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) RaiseLastOsError();
  }
  RaiseLastOsError();
}

}  // namespace vor::platform
