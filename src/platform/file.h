// Operating-system file handles.
//
// A FileHandle is an open file, closed by its destructor. Opening chooses the
// access (read-only or read-write), the sharing (exclusive or shared for
// reading and writing), the disposition (create-always or open-existing) and
// the random-access hint. On Windows this is CreateFileA and friends; on POSIX
// open(2) with an advisory lock standing in for the share mode (see
// file_posix.cpp for the exact rule).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vor::platform {

enum class FileAccess { kReadOnly, kReadWrite };
enum class FileShare { kExclusive, kShared };
// kCreateNew makes a file that must not exist yet (the open fails when
// anything of that name does, a folder included); it needs no truncation.
enum class FileDisposition { kCreateAlways, kOpenExisting, kCreateNew };

// Seek origins, as the engine numbers them.
enum SeekOrigin : uint16_t { kSeekBegin = 0, kSeekCurrent = 1, kSeekEnd = 2 };

class FileHandle {
 public:
  // Opens path; returns nullptr when the operating system refuses (the reason
  // is left in LastOsError()).
  static std::unique_ptr<FileHandle> Open(const std::string& path, FileAccess access,
                                          FileShare share, FileDisposition disposition,
                                          bool random_access = true);
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // Bytes transferred (fewer at the end of the file), -1 on failure.
  int32_t Read(void* buffer, int32_t count);
  int32_t Write(const void* buffer, int32_t count);
  // New position, -1 on failure.
  int64_t Seek(int64_t offset, SeekOrigin origin);
  // Truncates or extends the file at the current position.
  bool SetEndOfFile();
  bool Flush();
  // The open file's attribute bits (the Windows values of fs.h) in
  // *attributes, read through the handle without looking its path up again.
  // POSIX reports the bits GetFileAttributes derives from the mode (archive,
  // read-only), without the hidden bit, which comes from the name. False when
  // the system cannot tell.
  bool GetAttributes(uint32_t* attributes);

  // Positioned transfers: count bytes at byte offset of the file, in one
  // call to the system where it can. Bytes transferred (fewer at the end of
  // the file), -1 on failure. Whether they move the position of Read and
  // Write differs between the systems: a caller uses one kind or the other.
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count);
  int32_t WriteAt(int64_t offset, const void* buffer, int32_t count);
  // Truncates or extends the file to size bytes.
  bool Truncate(int64_t size);
  // The file's length in bytes, -1 on failure.
  int64_t Size();

 private:
  explicit FileHandle(intptr_t native) : native_(native) {}
  intptr_t native_;
};

}  // namespace vor::platform
