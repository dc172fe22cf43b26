// coffer add: files and folder trees into a container.
//
// Everything is planned and checked first (add_plan.h), so a name that
// cannot be stored stops the command before the container changes. Entries
// are then written one by one inside one transaction: a failure (or a
// crash) part-way undoes the whole command, a file replaced included.
//
// Compressing is most of the work, and the blocks of different files are
// independent: worker threads read and pack the files ahead of the writer
// (pack_ahead.h), while the container itself is only ever touched by the
// main thread, in the plan's order. The stored bytes are those a plain
// write of each file would give.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "add_plan.h"
#include "codecs/compression.h"
#include "commands.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"
#include "container/store/open_mode.h"
#include "container/stream/block_packer.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "container/stream/type_choice.h"
#include "exit_codes.h"
#include "pack_ahead.h"
#include "platform/fs.h"
#include "progress.h"

namespace vor::coffer {

namespace {

// Attribute bits carried over from disk: read-only, hidden, system, archive.
constexpr uint32_t kKeptAttributes = 0x27;

// Makes type the container's default compression for its lifetime. The
// block stream takes the default when it is given type 0, so storing
// without compression needs the default set to 0 while the files are made.
class DefaultCompressionScope {
 public:
  DefaultCompressionScope(TCoffer& coffer, uint8_t type)
      : coffer_(coffer), saved_(coffer.DefaultCompression()) {
    if (type != saved_) coffer_.SetDefaultCompression(type);
  }
  ~DefaultCompressionScope() {
    try {
      if (coffer_.DefaultCompression() != saved_) coffer_.SetDefaultCompression(saved_);
    } catch (...) {
      // The header stays as it is; the files written are sound either way.
    }
  }
  DefaultCompressionScope(const DefaultCompressionScope&) = delete;
  DefaultCompressionScope& operator=(const DefaultCompressionScope&) = delete;

 private:
  TCoffer& coffer_;
  uint8_t saved_;
};

class Adder {
 public:
  // auto_types not empty: each file gets the type chosen among them.
  Adder(Session& session, TCoffer& coffer, const AddPlan& plan, uint8_t compression,
        std::vector<uint8_t> auto_types, const std::string& file_password)
      : session_(session),
        coffer_(coffer),
        plan_(plan),
        compression_(compression),
        auto_types_(std::move(auto_types)),
        file_password_(file_password),
        bar_("adding", plan.total_bytes, session.Progress()) {
    coffer_.SetOnNoSpace([this](TCoffer&) { no_space_ = true; });
  }

  void Run() {
    if (plan_.target != "\\") MakeFolder(plan_.target, "");
    std::unique_ptr<PackAhead> ahead;
    if (compression_ != 0 || !auto_types_.empty()) {
      std::vector<const AddItem*> files;
      for (const AddItem& item : plan_.items) {
        if (!item.folder) files.push_back(&item);
      }
      ahead = std::make_unique<PackAhead>(std::move(files), compression_, auto_types_);
    }
    size_t file_index = 0;
    for (const AddItem& item : plan_.items) {
      if (item.folder) {
        MakeFolder(item.stored_path, item.disk_path);
      } else {
        PackAhead::Result packed;
        if (ahead) packed = ahead->Take(file_index++);
        AddFile(item, packed);
      }
    }
    bar_.Finish();
  }

 private:
  std::string Shown(const std::string& stored_path) const {
    return "'" + session_.Codec().DisplayPath(stored_path) + "'";
  }

  [[noreturn]] void Fail(const std::string& what, const std::string& stored_path) {
    if (coffer_.LastFailureKind() == ErrorKind::kDiskFull) {
      throw ECofferError(kExitIoError, "disk full while writing " + Shown(stored_path));
    }
    if (no_space_) throw ECofferError(kExitIoError, what + ": the container cannot grow");
    throw ECofferError(kExitFailure, what);
  }

  void MakeFolder(const std::string& stored_path, const std::string& disk_path) {
    if (coffer_.CreateFolder(stored_path) < 0) {
      Fail("cannot make the folder " + Shown(stored_path), stored_path);
    }
    if (disk_path.empty()) return;
    const uint32_t attributes = platform::GetFileAttributes(disk_path);
    if (attributes != platform::kInvalidFileAttributes) {
      coffer_.FileSetAttr(stored_path, kFileAttributeDirectory | (attributes & kKeptAttributes));
    }
    SetTimes(stored_path, disk_path);
  }

  void SetTimes(const std::string& stored_path, const std::string& disk_path) {
    const uint64_t now = NowFileTime();
    uint64_t written = platform::GetFileLastWriteTime(disk_path);
    if (written == 0) written = now;
    coffer_.FileSetTimes(stored_path, written, written, now);
  }

  void AddFile(const AddItem& item, const PackAhead::Result& packed) {
    bar_.SetLabel(platform::ExtractFileName(item.disk_path));
    // A failure leaves the half-written entry to the transaction's rollback.
    try {
      const uint8_t type = auto_types_.empty() ? compression_ : packed.type;
      if (packed.packed) {
        StorePacked(item, packed, type);
      } else {
        TDiskFileStream source(item.disk_path, TDiskFileMode::kOpenRead);
        CopyContent(item, source, type);
      }
    } catch (const ECofferError&) {
      throw;
    } catch (const EVorError&) {
      if (coffer_.LastFailureKind() == ErrorKind::kDiskFull) {
        throw ECofferError(kExitIoError, "disk full while writing " + Shown(item.stored_path));
      }
      throw;
    }
    const uint32_t attributes = platform::GetFileAttributes(item.disk_path);
    if (attributes != platform::kInvalidFileAttributes) {
      coffer_.FileSetAttr(item.stored_path, attributes & kKeptAttributes);
    }
    SetTimes(item.stored_path, item.disk_path);
  }

  void StorePacked(const AddItem& item, const PackAhead::Result& packed, uint8_t type) {
    TCFRFileStream target(&coffer_, item.stored_path, kOpenModeCreate, file_password_, "", "",
                          type);
    target.BlockStream().WritePacked(packed.blocks);
    done_ += packed.bytes;
    bar_.Update(done_);
    if (packed.bytes != item.size) {
      Warn("'" + item.disk_path + "' changed while it was added (" + std::to_string(packed.bytes) +
           " bytes stored)");
    }
  }

  void CopyContent(const AddItem& item, TDiskFileStream& source, uint8_t type) {
    TCFRFileStream target(&coffer_, item.stored_path, kOpenModeCreate, file_password_, "", "",
                          type);
    const int32_t block = target.BlockStream().Header().BlockSize;
    // Whole blocks per write (a write that covers part of a block repacks
    // it), a few per thread, so that each write packs them in parallel. The
    // buffer is kept from file to file and never larger than the file.
    const int64_t chunk =
        int64_t{block > 0 ? block : 1 << 20} * 2 * std::max(BlockPackingThreads(), 1);
    const int64_t want = std::max<int64_t>(std::min<int64_t>(chunk, item.size), 1);
    if (static_cast<int64_t>(buffer_.size()) < want ||
        static_cast<int64_t>(buffer_.size()) > chunk) {
      buffer_.resize(static_cast<size_t>(want));
    }
    std::vector<uint8_t>& buffer = buffer_;
    int64_t copied = 0;
    while (true) {
      const int32_t n = source.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
      if (n < 0) throw ECofferError(kExitIoError, "'" + item.disk_path + "': read error");
      if (n == 0) break;
      if (target.Write(buffer.data(), n) != n) {
        Fail("cannot write " + Shown(item.stored_path) + " (error " +
                 std::to_string(coffer_.LastError()) + ")",
             item.stored_path);
      }
      copied += n;
      done_ += n;
      bar_.Update(done_);
    }
    if (copied != item.size) {
      Warn("'" + item.disk_path + "' changed while it was added (" + std::to_string(copied) +
           " bytes stored)");
    }
  }

  Session& session_;
  TCoffer& coffer_;
  const AddPlan& plan_;
  uint8_t compression_;
  std::vector<uint8_t> auto_types_;
  std::string file_password_;
  ProgressBar bar_;
  int64_t done_ = 0;
  bool no_space_ = false;
  std::vector<uint8_t> buffer_;
};

}  // namespace

int RunAdd(Session& session) {
  const ParsedArgs& args = session.Args();
  const std::string& archive = args.operands[0];
  std::unique_ptr<TCoffer> coffer = session.Open(archive, kOpenModeExclusiveReadWrite);
  std::vector<uint8_t> auto_types;
  uint8_t compression = 0;
  if (args.Has("compression") && IsAutoCompression(args.Value("compression"))) {
    const std::string problem = ParseAutoTypes(args.Value("compression"), &auto_types);
    if (!problem.empty()) {
      throw ECofferError(kExitUsage,
                         "option '--compression': " + problem + " (see 'coffer --help')");
    }
  } else {
    compression = CompressionOption(session, coffer->DefaultCompression());
  }
  const std::string target =
      args.Has("to") ? session.Codec().ToStoredPath(args.Value("to")) : std::string("\\");
  const std::vector<std::string> paths(args.operands.begin() + 1, args.operands.end());
  const AddPlan plan = MakeAddPlan(*coffer, session.Codec(), target, paths, archive);

  std::string file_password;
  if (args.Has("file-password")) {
    file_password = ReadPassword(kFilePasswordVariable, "Password for the added files: ", true);
  }
  {
    // A file stored without compression is made with the default at 0,
    // which "auto" may choose for any file.
    DefaultCompressionScope scope(*coffer, compression == 0 ? 0 : coffer->DefaultCompression());
    Adder adder(session, *coffer, plan, compression, std::move(auto_types), file_password);
    adder.Run();
  }
  coffer->Commit();
  return kExitOk;
}

}  // namespace vor::coffer
