// Writing the installer.
#include "builder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/coding.h"
#include "container/coffer.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"
#include "container/store/page_file.h"
#include "container/stream/block_packer.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "container/stream/type_choice.h"
#include "container/volume/multipart_volume.h"
#include "container/volume/volume_header.h"
#include "crypto/random.h"
#include "exit_codes.h"
#include "file_checks.h"
#include "installer_checksum.h"
#include "new_container.h"
#include "pack_ahead.h"
#include "page_size_choice.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/process.h"
#include "platform/rename.h"
#include "platform/shell.h"
#include "progress.h"
#include "shell/shell_misc.h"

namespace vor::vorpack {

using coffer::ECofferError;
using coffer::kExitFailure;
using coffer::kExitIoError;

namespace {

// Attribute bits carried over from disk: read-only, hidden, system, archive.
constexpr uint32_t kKeptAttributes = 0x27;
// An installer program is a few megabytes; the installer's search for the
// container needs the prefix well below 2 GiB.
constexpr int64_t kMaxStubSize = 256 * 1048576;
// An empty container is a few pages.
constexpr int64_t kMaxEmptyContainerSize = 16 * 1048576;
// Seconds from 1601-01-01 to 1970-01-01, and FILETIME ticks per second.
constexpr int64_t kEpochToFileTimeSeconds = 11644473600LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;
// 9999-12-31 23:59:59 UTC.
constexpr int64_t kLastEpoch = 253402300799LL;

std::string ReadFileBytes(const std::string& path, int64_t limit, const std::string& what) {
  const int64_t size = platform::GetFileSize(path);
  if (size < 0) throw ECofferError(kExitIoError, "'" + path + "': cannot be read");
  if (size > limit) throw ECofferError(kExitFailure, "'" + path + "': too large for " + what);
  std::string bytes(static_cast<size_t>(size), '\0');
  try {
    TDiskFileStream source(path, TDiskFileMode::kOpenRead);
    if (size > 0) source.ReadBuffer(&bytes[0], static_cast<int32_t>(size));
  } catch (const std::exception&) {
    throw ECofferError(kExitIoError, "'" + path + "': cannot be read");
  }
  return bytes;
}

void WriteAll(platform::FileHandle& file, const std::string& bytes, const std::string& path) {
  size_t done = 0;
  while (done < bytes.size()) {
    const int32_t n = file.Write(
        bytes.data() + done, static_cast<int32_t>(std::min<size_t>(bytes.size() - done, 1 << 20)));
    if (n <= 0) {
      throw ECofferError(kExitIoError, "'" + path + "': cannot be written: " +
                                           platform::OsErrorMessage(platform::LastOsError()));
    }
    done += static_cast<size_t>(n);
  }
}

uint64_t FileTimeOfEpoch(int64_t epoch) {
  return static_cast<uint64_t>((epoch + kEpochToFileTimeSeconds) * kFileTimeTicksPerSecond);
}

// The temporary files of one build, removed unless the build is kept.
class TemporaryFiles {
 public:
  explicit TemporaryFiles(const std::string& output) {
    const std::string tag = ".vorpack-" + std::to_string(platform::CurrentProcessId());
    installer_ = output + tag;
    container_ = output + tag + ".new";
  }
  ~TemporaryFiles() {
    platform::DeleteFile(container_);
    if (!kept_) platform::DeleteFile(installer_);
  }
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  const std::string& Installer() const { return installer_; }
  const std::string& Container() const { return container_; }
  void Keep() { kept_ = true; }

 private:
  std::string installer_;
  std::string container_;
  bool kept_ = false;
};

// The system's reason for the last write the container's volume could not
// make; empty when the disk refused none.
std::string DiskRefusal(TCoffer& coffer) {
  const TCFRHugeFile* store = coffer.PageFile().Store();
  if (store == nullptr || store->LastFailure() == 0) return std::string();
  return platform::OsErrorMessage(store->LastFailure());
}

ECofferError CannotWrite(const std::string& path, const std::string& why) {
  return ECofferError(kExitIoError, "'" + path + "': cannot be written: " + why);
}

void StopWhenInterrupted() {
  if (platform::InterruptRequested()) {
    throw ECofferError(kExitFailure, "interrupted; no installer was written");
  }
}

// Adds the package's entries to an open container, in the package's order.
class Writer {
 public:
  Writer(TCoffer& coffer, const Package& package, const BuildOptions& options)
      : coffer_(coffer),
        package_(package),
        options_(options),
        bar_("packing", package.TotalBytes(), options.progress) {
    coffer_.SetOnNoSpace([this](TCoffer&) { no_space_ = true; });
    now_ = NowFileTime();
    if (options_.reproducible) now_ = FileTimeOfEpoch(options_.epoch);
    for (const PackageEntry& e : package_.Entries()) files_ += e.folder ? 0 : 1;
  }

  void Run() {
    // The workers read the items: they must end (with ahead) before the
    // items go.
    std::vector<coffer::AddItem> items;
    std::unique_ptr<coffer::PackAhead> ahead;
    const bool choosing = !options_.auto_types.empty();
    if (options_.compression != 0 || choosing) {
      for (const PackageEntry& e : package_.Entries()) {
        if (e.folder || e.converted) continue;
        coffer::AddItem item;
        item.disk_path = e.disk_path;
        item.stored_path = e.stored_path;
        item.size = e.size;
        items.push_back(item);
      }
      std::vector<const coffer::AddItem*> files;
      for (const coffer::AddItem& item : items) files.push_back(&item);
      ahead = std::make_unique<coffer::PackAhead>(std::move(files), options_.compression,
                                                  options_.auto_types);
    }
    // A file made with type 0 takes the container's default: at 0 while
    // the types are chosen, the first candidate's afterwards.
    const uint8_t default_type = coffer_.DefaultCompression();
    if (choosing) coffer_.SetDefaultCompression(0);
    size_t packed_index = 0;
    for (const PackageEntry& entry : package_.Entries()) {
      StopWhenInterrupted();
      if (entry.folder) {
        MakeFolder(entry);
        continue;
      }
      ++file_number_;
      bar_.SetLabel("[" + std::to_string(file_number_) + "/" + std::to_string(files_) + "] " +
                    entry.shown);
      coffer::PackAhead::Result packed;
      if (ahead && !entry.converted) packed = ahead->Take(packed_index++);
      AddFile(entry, packed);
    }
    if (choosing) coffer_.SetDefaultCompression(default_type);
    bar_.Finish();
  }

  const std::vector<int>& FilesByType() const { return files_by_type_; }
  int64_t StoredBytes() const { return stored_bytes_; }

 private:
  std::string Shown(const PackageEntry& entry) const { return "'" + entry.shown + "'"; }

  [[noreturn]] void Fail(const std::string& what) {
    const std::string refused = DiskRefusal(coffer_);
    if (!refused.empty()) throw CannotWrite(options_.output, refused);
    if (no_space_) throw ECofferError(kExitIoError, what + ": the container cannot grow");
    throw ECofferError(kExitFailure, what);
  }

  void SetTimes(const PackageEntry& entry) {
    uint64_t written = platform::GetFileLastWriteTime(entry.disk_path);
    if (written == 0) written = now_;
    if (options_.reproducible) written = std::min(written, now_);
    coffer_.FileSetTimes(entry.stored_path, written, written, now_);
  }

  void MakeFolder(const PackageEntry& entry) {
    if (coffer_.CreateFolder(entry.stored_path) < 0) Fail("cannot make the folder " + Shown(entry));
    const uint32_t attributes = platform::GetFileAttributes(entry.disk_path);
    if (attributes != platform::kInvalidFileAttributes) {
      coffer_.FileSetAttr(entry.stored_path,
                          kFileAttributeDirectory | (attributes & kKeptAttributes));
    }
    SetTimes(entry);
  }

  // The type entry is stored with.
  uint8_t TypeOf(const PackageEntry& entry, const coffer::PackAhead::Result& packed) const {
    if (options_.auto_types.empty()) return options_.compression;
    if (!entry.converted) return packed.type;
    const auto* bytes = reinterpret_cast<const uint8_t*>(entry.content.data());
    return ChooseSmallestType(bytes, static_cast<int64_t>(entry.content.size()),
                              options_.auto_types)
        .type;
  }

  void AddFile(const PackageEntry& entry, const coffer::PackAhead::Result& packed) {
    const uint8_t type = TypeOf(entry, packed);
    if (type < files_by_type_.size()) ++files_by_type_[type];
    try {
      TCFRFileStream target(&coffer_, entry.stored_path, kOpenModeCreate, "", "", "", type);
      if (entry.converted) {
        WriteBytes(target, entry, entry.content);
      } else if (packed.packed) {
        target.BlockStream().WritePacked(packed.blocks);
        Count(packed.bytes);
        if (packed.bytes != entry.size) Changed(entry);
      } else {
        CopyContent(target, entry);
      }
      const TCFRAdvancedFileStream& blocks = target.BlockStream();
      stored_bytes_ += blocks.PassThrough() ? target.Size() : blocks.StoredSize();
    } catch (...) {
      coffer_.DeleteFile(entry.stored_path);
      throw;
    }
    const uint32_t attributes = platform::GetFileAttributes(entry.disk_path);
    if (attributes != platform::kInvalidFileAttributes) {
      coffer_.FileSetAttr(entry.stored_path, attributes & kKeptAttributes);
    }
    SetTimes(entry);
  }

  void WriteBytes(TCFRFileStream& target, const PackageEntry& entry, const std::string& bytes) {
    if (bytes.empty()) return;
    if (target.Write(bytes.data(), static_cast<int32_t>(bytes.size())) !=
        static_cast<int32_t>(bytes.size())) {
      Fail("cannot write " + Shown(entry) + " (error " + std::to_string(coffer_.LastError()) + ")");
    }
    Count(static_cast<int64_t>(bytes.size()));
  }

  // A file whose size changed after the package was checked is a package
  // that was being edited: refuse rather than build from half of it.
  [[noreturn]] void Changed(const PackageEntry& entry) {
    throw ECofferError(kExitFailure, Shown(entry) + " changed while the installer was built");
  }

  void CopyContent(TCFRFileStream& target, const PackageEntry& entry) {
    TDiskFileStream source(entry.disk_path, TDiskFileMode::kOpenRead);
    const int32_t block = target.BlockStream().Header().BlockSize;
    // Whole blocks per write, a few per thread, so that each write packs
    // them in parallel; never more than the file.
    const int64_t chunk =
        int64_t{block > 0 ? block : 1 << 20} * 2 * std::max(BlockPackingThreads(), 1);
    const int64_t want = std::max<int64_t>(std::min<int64_t>(chunk, entry.size), 1);
    if (static_cast<int64_t>(buffer_.size()) != want) buffer_.resize(static_cast<size_t>(want));
    int64_t copied = 0;
    while (true) {
      StopWhenInterrupted();
      const int32_t n = source.Read(buffer_.data(), static_cast<int32_t>(buffer_.size()));
      if (n < 0) throw ECofferError(kExitIoError, "'" + entry.disk_path + "': read error");
      if (n == 0) break;
      if (target.Write(buffer_.data(), n) != n) {
        Fail("cannot write " + Shown(entry) + " (error " + std::to_string(coffer_.LastError()) +
             ")");
      }
      copied += n;
      Count(n);
    }
    if (copied != entry.size) Changed(entry);
  }

  void Count(int64_t bytes) {
    done_ += bytes;
    bar_.Update(done_);
  }

  TCoffer& coffer_;
  const Package& package_;
  const BuildOptions& options_;
  coffer::ProgressBar bar_;
  uint64_t now_ = 0;
  int files_ = 0;
  int file_number_ = 0;
  int64_t done_ = 0;
  bool no_space_ = false;
  std::vector<uint8_t> buffer_;
  std::vector<int> files_by_type_ = std::vector<int>(10, 0);
  int64_t stored_bytes_ = 0;
};

// Makes an empty container at path and returns its bytes with the part size
// of an installer's volume.
std::string EmptyInstallerVolume(const std::string& path, uint8_t compression, int32_t page_size) {
  try {
    coffer::MakeEmptyContainer(path, kJobPassword, "", "", compression, page_size);
  } catch (...) {
    platform::DeleteFile(path);
    throw;
  }
  std::string bytes = ReadFileBytes(path, kMaxEmptyContainerSize, "an empty container");
  platform::DeleteFile(path);
  TCFRVolumeHeader header;
  if (bytes.size() >= kVolumeHeaderSize)
    std::memcpy(header.Data(), bytes.data(), kVolumeHeaderSize);
  if (!header.HasSignature() || !header.NextPartName().empty()) {
    throw ECofferError(kExitFailure, "the new container did not come out as one part");
  }
  // Init keeps the padding bytes; the name is empty already.
  header.Init(kInstallerPartSize);
  std::memcpy(&bytes[0], header.Data(), kVolumeHeaderSize);
  return bytes;
}

}  // namespace

std::string ReadStub(const std::string& path, std::string* warning) {
  if (platform::DirectoryExists(path)) {
    throw ECofferError(kExitIoError, "'" + path + "': a folder, not an installer program");
  }
  if (!platform::FileExists(path)) {
    throw ECofferError(kExitIoError, "'" + path + "': no such installer program");
  }
  std::string bytes = ReadFileBytes(path, kMaxStubSize, "an installer program");
  const std::string why = StubProblem(bytes);
  if (!why.empty()) {
    throw ECofferError(kExitFailure, "'" + path + "' cannot be the installer program: " + why);
  }
  constexpr uint16_t kMachineI386 = 0x14C;
  if (PeMachine(bytes) != kMachineI386 && warning != nullptr) {
    *warning =
        "'" + path + "' is not a 32-bit x86 program; the installer is made for 32-bit Windows";
  }
  return bytes;
}

std::string DefaultStub(const std::string& build_tree_stub) {
  const std::string program = platform::ExecutablePath();
  std::string beside;
  if (!program.empty()) {
    beside = platform::ExtractFilePath(program) + kStubFileName;
    if (platform::FileExists(beside)) return beside;
  }
  if (!build_tree_stub.empty() && platform::FileExists(build_tree_stub)) return build_tree_stub;
  std::string looked = beside.empty() ? std::string() : "'" + beside + "'";
  if (!build_tree_stub.empty()) {
    looked += (looked.empty() ? "'" : " and '") + build_tree_stub + "'";
  }
  throw ECofferError(kExitIoError, "no installer program found (looked for " + looked +
                                       "); build the win32 preset or give one with --stub");
}

uint32_t EpochSeed(int64_t epoch) {
  const auto value = static_cast<uint64_t>(epoch);
  return static_cast<uint32_t>(value) ^ static_cast<uint32_t>(value >> 32);
}

bool ParseEpoch(const std::string& text, int64_t* epoch) {
  if (text.empty() || text.size() > 12) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > kLastEpoch) return false;
  *epoch = value;
  return true;
}

BuildResult BuildInstaller(const Package& package, const BuildOptions& options) {
  const std::string& stub = options.stub;
  if (!StubProblem(stub).empty()) {
    throw ECofferError(kExitFailure, "the installer program is not usable: " + StubProblem(stub));
  }
  const std::string folder = platform::ExtractFilePath(options.output);
  if (!folder.empty() && !platform::DirectoryExists(folder)) {
    throw ECofferError(kExitIoError, "'" + folder + "': no such folder for the installer");
  }
  if (platform::DirectoryExists(options.output)) {
    throw ECofferError(kExitFailure, "'" + options.output + "' is a folder");
  }
  if (!options.force && platform::FileExists(options.output)) {
    throw ECofferError(kExitFailure,
                       "'" + options.output + "' exists already (--force replaces it)");
  }

  TemporaryFiles temporary(options.output);
  if (options.reproducible) {
    // The same epoch must give the same master key, so keys come from the
    // seeded generator (the installer's password is fixed: that key guards
    // against damage, not against readers).
    SetKeySource(KeySource::kSeededGenerator);
    SeedRandom(EpochSeed(options.epoch));
  } else {
    SetKeySource(KeySource::kSystemEntropy);
    SeedRandomFromTimeOfDay();  // as the installer seeds it at start-up
  }
  // The container's default type: with "auto", the first type tried.
  const uint8_t header_type =
      options.auto_types.empty() ? options.compression : options.auto_types[0];
  int32_t page_size = options.page_size;
  if (page_size == 0) {
    std::vector<int64_t> sizes;
    for (const PackageEntry& e : package.Entries()) {
      if (!e.folder) sizes.push_back(e.size);
    }
    page_size = ChoosePageSize(sizes, package.FolderCount(), header_type);
  }
  const std::string volume = EmptyInstallerVolume(temporary.Container(), header_type, page_size);
  {
    std::unique_ptr<platform::FileHandle> file = platform::FileHandle::Open(
        temporary.Installer(), platform::FileAccess::kReadWrite, platform::FileShare::kExclusive,
        platform::FileDisposition::kCreateAlways, false);
    if (!file) {
      throw ECofferError(kExitIoError, "'" + temporary.Installer() + "': cannot be created: " +
                                           platform::OsErrorMessage(platform::LastOsError()));
    }
    // The installer is written under a temporary name; messages name it as
    // the user asked for it.
    WriteAll(*file, stub, options.output);
    WriteAll(*file, volume, options.output);
    if (!file->Flush()) {
      throw CannotWrite(options.output, platform::OsErrorMessage(platform::LastOsError()));
    }
  }
  std::vector<int> files_by_type;
  int64_t stored_bytes = 0;
  {
    std::unique_ptr<TCoffer> coffer;
    try {
      coffer = std::make_unique<TCoffer>(temporary.Installer(), kOpenModeExclusiveReadWrite,
                                         kJobPassword, "", "", 0);
      Writer writer(*coffer, package, options);
      writer.Run();
      files_by_type = writer.FilesByType();
      stored_bytes = writer.StoredBytes();
      coffer.reset();
    } catch (const ECofferError&) {
      throw;
    } catch (const EVorError&) {
      // A write the disk refused: say so in its own words, not the engine's.
      const std::string refused = coffer ? DiskRefusal(*coffer) : std::string();
      if (refused.empty()) throw;
      throw CannotWrite(options.output, refused);
    }
  }
  StopWhenInterrupted();
  if (!SetFileChecksum(temporary.Installer())) {
    throw ECofferError(kExitIoError, "'" + temporary.Installer() + "': cannot be written: " +
                                         platform::OsErrorMessage(platform::LastOsError()));
  }
  {
    // Open it and read its job as the installer will (package/job.h)
    // before it takes the output's place.
    const std::unique_ptr<TCoffer> check = OpenJobContainer(temporary.Installer());
    const std::string job_ini = JobFilePath(kJobIniFile);
    if (!check->FileExists(job_ini) && package.Find(job_ini) != nullptr) {
      throw ECofferError(kExitFailure, "the new installer does not open as the installer opens it");
    }
    Job job;
    try {
      ReadJob(*check, &job);
    } catch (const std::exception& e) {
      throw ECofferError(kExitFailure,
                         std::string("the new installer's job does not read as the installer "
                                     "reads it: ") +
                             e.what());
    }
  }
  if (!platform::ReplaceFileWith(temporary.Installer(), options.output)) {
    throw ECofferError(kExitIoError, "'" + options.output + "': cannot be written: " +
                                         platform::OsErrorMessage(platform::LastOsError()));
  }
  temporary.Keep();

  BuildResult result;
  result.files = package.FileCount();
  result.folders = package.FolderCount();
  result.input_bytes = package.TotalBytes();
  result.stub_bytes = static_cast<int64_t>(stub.size());
  result.installer_bytes = platform::GetFileSize(options.output);
  result.page_size = page_size;
  result.page_size_chosen = options.page_size == 0;
  result.files_by_type = std::move(files_by_type);
  result.stored_bytes = stored_bytes;
  result.cost = MeasureContainer(options.output, kJobPassword, stored_bytes,
                                 result.installer_bytes - result.stub_bytes);
  return result;
}

}  // namespace vor::vorpack
