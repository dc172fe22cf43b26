// File and folder operations on disk paths.
//
// Disk paths use the platform's own separator ('\' on Windows, '/' on POSIX);
// the container's internal names always use '\' and never reach these calls.
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Windows attribute bits; the POSIX implementation maps its modes onto them.
constexpr uint32_t kFileAttributeReadOnly = 0x01;
constexpr uint32_t kFileAttributeHidden = 0x02;
constexpr uint32_t kFileAttributeSystem = 0x04;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

char PathDelimiter();
// The one rule for delimiters in disk paths: '/' everywhere and the
// platform's own ('\' on Windows) end a part of a path.
bool IsPathDelimiter(char c);
// path with a trailing delimiter added when it has none ("" gives the
// delimiter alone, the root).
std::string WithTrailingDelimiter(const std::string& path);
// path without its trailing delimiters ("C:\Apps\" gives "C:\Apps", "C:\"
// gives "C:"); a path of delimiters only keeps its first.
std::string WithoutTrailingDelimiters(const std::string& path);
// The one path join: base and relative with one delimiter between them;
// "" as base gives relative (the current folder), "" as relative gives base.
std::string JoinDiskPath(const std::string& base, const std::string& relative);
// Folder part of a path including its trailing delimiter ("" when none).
std::string ExtractFilePath(const std::string& path);
// File-name part of a path (after the last delimiter).
std::string ExtractFileName(const std::string& path);
// The folder to ask about the volume that holds path: its root on Windows
// ("C:\", "\\server\share\"; relative paths are made absolute first). POSIX
// has no drive letters, and a mount point is found from any folder inside it,
// so there it is the folder part of path ("." when path has none).
std::string ExtractRoot(const std::string& path);
// Whether path names its place without the current folder or drive: on
// Windows a drive letter with a colon and a delimiter ("C:\x") or a UNC path
// ("\\server\share"); on POSIX a path starting with "/".
bool IsAbsolutePath(const std::string& path);

bool FileExists(const std::string& path);  // an existing file, not a folder
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Renames a file, replacing a file of the new name; on Windows the rename is
// written through to the disk before it returns.
bool RenameFile(const std::string& from, const std::string& to);
// Makes the folder's entries (files created, renamed or deleted in it)
// durable. POSIX needs an fsync of the folder for that; Windows file systems
// keep their own metadata log, so there it does nothing.
bool FlushFolder(const std::string& path);
bool CreateDirectory(const std::string& path);  // one level
// Creates the folder path and every parent that does not exist yet; true
// when the folder exists afterwards. Trailing delimiters ('\' or the
// platform's own) are ignored; a drive ("C:") or a root counts as existing;
// "" names no folder and gives false.
bool ForceDirectories(const std::string& path);
bool RemoveDirectory(const std::string& path);  // an empty folder
// Removes a folder with everything inside it; false when anything remains.
bool RemoveDirectoryTree(const std::string& path);
uint32_t GetFileAttributes(const std::string& path);  // kInvalidFileAttributes on failure
bool SetFileAttributes(const std::string& path, uint32_t attributes);
int64_t GetFileSize(const std::string& path);  // -1 on failure
// Last-write time of a file as a FILETIME (100 ns since 1601, UTC); 0 on failure.
uint64_t GetFileLastWriteTime(const std::string& path);
bool SetFileLastWriteTime(const std::string& path, uint64_t filetime);
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const std::string& path);

// File-system name of the volume at root ("NTFS", "FAT32", ...); false when
// the query fails. On POSIX the mounted file-system type is mapped onto the
// Windows names (see fs_types.h).
bool GetVolumeFileSystemName(const std::string& root, std::string* name);
// Free bytes available to the caller on the volume at root; -1 on failure.
int64_t GetDiskFreeBytesAvailable(const std::string& root);
// The longest part of path that is an existing folder (path itself when it
// is one), with the delimiters it has in path; "" when not even its root or
// drive exists. Relative paths are looked up from the current folder.
std::string NearestExistingFolder(const std::string& path);

// A fresh, empty temporary folder (no trailing delimiter) for tests and tools;
// the caller removes it. Raises the platform error when none can be made.
std::string MakeTempDirectory(const std::string& prefix);

}  // namespace vor::platform
