// The one table of POSIX file-system types and their Windows names.
#include "platform/fs_types.h"

namespace vor::platform {

namespace {

constexpr char kNtfs[] = "NTFS";

constexpr FileSystemTypeRow kRows[] = {
    {0xEF53, "ext2/ext3/ext4", kNtfs}, {0x58465342, "xfs", kNtfs},
    {0x9123683E, "btrfs", kNtfs},      {0x01021994, "tmpfs", kNtfs},
    {0x858458F6, "ramfs", kNtfs},      {0x794C7630, "overlayfs", kNtfs},
    {0xF2F52010, "f2fs", kNtfs},       {0x2FC12FC1, "zfs", kNtfs},
    {0x52654973, "reiserfs", kNtfs},   {0x3153464A, "jfs", kNtfs},
    {0x5346544E, "ntfs/ntfs3", kNtfs}, {0x6969, "nfs", kNtfs},
    {0xFF534D42, "cifs", kNtfs},       {0xFE534D42, "smb2", kNtfs},
    {0x65735546, "fuse", kNtfs},       {0x00C36400, "ceph", kNtfs},
    {0x4D44, "msdos/vfat", "FAT32"},   {0x2011BAB0, "exfat", "exFAT"},
    {0x9660, "iso9660", "CDFS"},       {0x15013346, "udf", "FS_UDF"},
};

}  // namespace

const FileSystemTypeRow* FileSystemTypeTable(size_t* count) {
  *count = sizeof(kRows) / sizeof(kRows[0]);
  return kRows;
}

std::string WindowsFileSystemName(uint64_t magic) {
  for (const FileSystemTypeRow& row : kRows) {
    if (row.magic == magic) return row.windows_name;
  }
  return kNtfs;
}

}  // namespace vor::platform
