// Win32 file handles: CreateFileA with the random-access hint, ReadFile,
// WriteFile, SetFilePointerEx, SetEndOfFile, FlushFileBuffers. Positioned
// transfers move the file pointer and then read or write.
#include <windows.h>

#include "platform/file.h"

namespace vor::platform {

namespace {

HANDLE AsHandle(intptr_t native) { return reinterpret_cast<HANDLE>(native); }

// GetFileInformationByHandleEx's FileBasicInfo (Windows Vista and later; the
// program also runs on XP, where it is looked up and not found).
struct BasicInfo {
  LARGE_INTEGER creation_time;
  LARGE_INTEGER last_access_time;
  LARGE_INTEGER last_write_time;
  LARGE_INTEGER change_time;
  DWORD file_attributes;
};
constexpr int kFileBasicInfoClass = 0;
using GetInfoByHandleEx = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

GetInfoByHandleEx FindGetInfoByHandleEx() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<GetInfoByHandleEx>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "GetFileInformationByHandleEx")));
}

}  // namespace

std::unique_ptr<FileHandle> FileHandle::Open(const std::string& path, FileAccess access,
                                             FileShare share, FileDisposition disposition,
                                             bool random_access) {
  const DWORD desired =
      access == FileAccess::kReadOnly ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
  const DWORD share_mode =
      share == FileShare::kExclusive ? 0 : (FILE_SHARE_READ | FILE_SHARE_WRITE);
  const DWORD creation = disposition == FileDisposition::kCreateAlways ? CREATE_ALWAYS
                         : disposition == FileDisposition::kCreateNew  ? CREATE_NEW
                                                                       : OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (random_access) flags |= FILE_FLAG_RANDOM_ACCESS;
  HANDLE h = ::CreateFileA(path.c_str(), desired, share_mode, nullptr, creation, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<FileHandle>(new FileHandle(reinterpret_cast<intptr_t>(h)));
}

FileHandle::~FileHandle() { ::CloseHandle(AsHandle(native_)); }

int32_t FileHandle::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!::ReadFile(AsHandle(native_), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
  return static_cast<int32_t>(done);
}

int32_t FileHandle::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!::WriteFile(AsHandle(native_), buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return -1;
  }
  return static_cast<int32_t>(done);
}

int64_t FileHandle::Seek(int64_t offset, SeekOrigin origin) {
  DWORD method;
  switch (origin) {
    case kSeekBegin:
      method = FILE_BEGIN;
      break;
    case kSeekCurrent:
      method = FILE_CURRENT;
      break;
    case kSeekEnd:
      method = FILE_END;
      break;
    default:
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return -1;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(AsHandle(native_), distance, &result, method)) return -1;
  return result.QuadPart;
}

bool FileHandle::SetEndOfFile() { return ::SetEndOfFile(AsHandle(native_)) != 0; }

bool FileHandle::Flush() { return ::FlushFileBuffers(AsHandle(native_)) != 0; }

// Positioned transfers move the file pointer, then read or write. An
// OVERLAPPED offset on this synchronous handle would save the move on
// Windows, but Wine then posts a completion for every transfer through its
// server, a round trip per page read; the move is a local call there.
int32_t FileHandle::ReadAt(int64_t offset, void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (offset < 0) {
    ::SetLastError(ERROR_NEGATIVE_SEEK);
    return -1;
  }
  if (Seek(offset, kSeekBegin) < 0) return -1;
  return Read(buffer, count);
}

int32_t FileHandle::WriteAt(int64_t offset, const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (offset < 0) {
    ::SetLastError(ERROR_NEGATIVE_SEEK);
    return -1;
  }
  if (Seek(offset, kSeekBegin) < 0) return -1;
  return Write(buffer, count);
}

bool FileHandle::Truncate(int64_t size) {
  return Seek(size, kSeekBegin) >= 0 && ::SetEndOfFile(AsHandle(native_)) != 0;
}

int64_t FileHandle::Size() {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(AsHandle(native_), &size)) return -1;
  return size.QuadPart;
}

bool FileHandle::GetAttributes(uint32_t* attributes) {
  // The basic information is all that is asked for: the full record of
  // GetFileInformationByHandle also looks up the file's name and volume,
  // which Wine answers through its server.
  static const GetInfoByHandleEx get_info = FindGetInfoByHandleEx();
  if (get_info != nullptr) {
    BasicInfo info{};
    if (!get_info(AsHandle(native_), kFileBasicInfoClass, &info, sizeof(info))) return false;
    *attributes = info.file_attributes;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(AsHandle(native_), &info)) return false;
  *attributes = info.dwFileAttributes;
  return true;
}

}  // namespace vor::platform
