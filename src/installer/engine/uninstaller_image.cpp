#include "installer/engine/uninstaller_image.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/pe_checksum.h"
#include "container/volume/multipart_volume.h"
#include "package/install_error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/rename.h"

namespace vor {

namespace {

constexpr int32_t kCopyChunk = 1 << 16;

[[noreturn]] void NoImage(const std::string& installer_path) {
  throw EInstallError(InstallErrorKind::kNoProgramImage,
                      "No installer program in front of a container: " + installer_path);
}

// The reason is taken before the half-written temp_path goes.
[[noreturn]] void WriteFailed(const std::string& temp_path, const std::string& dest_path) {
  const uint32_t code = platform::LastOsError();
  platform::DeleteFile(temp_path);
  throw EInstallError(InstallErrorKind::kImageWrite,
                      "Cannot create file " + dest_path + ": " + platform::OsErrorMessage(code));
}

// The installer's file opened as a volume, read-only and shared (the
// running installer holds it open too).
std::unique_ptr<TCFRHugeFile> OpenVolume(const std::string& installer_path) {
  auto volume = std::make_unique<TCFRHugeFile>(installer_path, /*read_only=*/true,
                                               /*exclusive=*/false, /*in_memory=*/false, -1);
  bool opened = false;
  try {
    opened = volume->Open(/*create=*/false, /*force=*/true);
  } catch (const EVorError&) {
    opened = false;
  }
  if (!opened || volume->PartCount() == 0 || volume->HeaderOffset() <= 0) NoImage(installer_path);
  return volume;
}

}  // namespace

int64_t ProgramImageSize(const std::string& installer_path) {
  return OpenVolume(installer_path)->HeaderOffset();
}

void WriteUninstallerImage(const std::string& installer_path, const std::string& dest_path) {
  const std::unique_ptr<TCFRHugeFile> volume = OpenVolume(installer_path);
  TCFRAbstractFile& first = volume->Part(0);
  const int64_t size = volume->HeaderOffset();
  // Written beside the destination and put in its place whole, so that an
  // older uninstaller stays usable until the new one is complete.
  const std::string temp_path = dest_path + ".new";
  auto out = platform::FileHandle::Open(temp_path, platform::FileAccess::kReadWrite,
                                        platform::FileShare::kExclusive,
                                        platform::FileDisposition::kCreateAlways,
                                        /*random_access=*/false);
  if (out == nullptr) WriteFailed(temp_path, dest_path);
  // The whole program is read first: a signed installer's certificate lies
  // behind the container, so the uninstaller's header must not point at it.
  std::vector<uint8_t> image(static_cast<size_t>(size));
  first.Seek(0, 0);
  for (int64_t done = 0; done < size;) {
    const auto want = static_cast<int32_t>(std::min<int64_t>(kCopyChunk, size - done));
    if (first.Read(image.data() + done, want) != want) {
      out.reset();
      platform::DeleteFile(temp_path);
      NoImage(installer_path);  // the file shrank under us
    }
    done += want;
  }
  StripPeCertificateEntry(image.data(), image.size());
  for (int64_t done = 0; done < size;) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(kCopyChunk, size - done));
    if (out->Write(image.data() + done, n) != n) {
      out.reset();
      WriteFailed(temp_path, dest_path);
    }
    done += n;
  }
  const bool flushed = out->Flush();
  out.reset();
  if (!flushed || !platform::ReplaceFileWith(temp_path, dest_path)) {
    WriteFailed(temp_path, dest_path);
  }
}

}  // namespace vor
