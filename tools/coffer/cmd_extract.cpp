// coffer extract: copies files and folders of a container to disk.
//
// The items are listed first, so that every name is checked before anything
// is written; then each is saved under its disk name (converted from the
// code page where that differs), and the last-write times are set
// afterwards. The container is read on the main thread only: it hands each
// file's stored blocks to worker threads (UnpackAhead below), which unpack,
// check and write the disk files, so that decompressing overlaps reading.
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "common/error.h"
#include "container/stream/block_packer.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "platform/fs.h"
#include "platform/memory.h"
#include "platform/terminal.h"
#include "progress.h"
#include "walk.h"

namespace vor::coffer {

namespace {

enum class Overwrite { kReplace, kSkip, kAsk };

// One item of the selection, with its disk path relative to the
// destination.
struct Item {
  TreeEntry entry;
  std::string local;  // relative disk path, with the platform's delimiter
};

struct Selection {
  std::string root;  // stored folder the paths are relative to ("\" or "\a\")
  std::vector<Item> items;
  int64_t total_bytes = 0;
};

Overwrite OverwriteMode(const Session& session) {
  const std::string mode = session.Args().Value("overwrite");
  if (mode == "replace") return Overwrite::kReplace;
  if (mode == "skip") return Overwrite::kSkip;
  if (mode == "ask") {
    if (!platform::IsTerminal(platform::StdStream::kInput)) {
      throw ECofferError(kExitUsage, "--overwrite ask needs a terminal");
    }
    return Overwrite::kAsk;
  }
  if (!mode.empty()) {
    throw ECofferError(kExitUsage, "--overwrite takes replace, skip or ask, not '" + mode + "'");
  }
  return platform::IsTerminal(platform::StdStream::kInput) ? Overwrite::kAsk : Overwrite::kSkip;
}

// A stored name as one disk name component; raises when it has none.
std::string DiskName(const Session& session, const std::string& stored_path) {
  const std::string stored = StoredBaseName(stored_path);
  std::string local;
  std::string why;
  if (!session.Codec().ToLocal(stored, &local)) {
    why = "it has no form in the local encoding";
  } else if (IsValidStoredName(stored, &why)) {
    return local;
  }
  throw ECofferError(kExitFailure, "'" + session.Codec().DisplayPath(stored_path) +
                                       "' cannot be extracted: " + why);
}

Selection Select(Session& session, TCoffer& coffer) {
  const ParsedArgs& args = session.Args();
  Selection sel;
  std::string path = args.operands.size() > 1 ? session.Codec().ToStoredPath(args.operands[1], true)
                                              : std::string("\\");
  std::string name_mask = "*.*";
  if (path != "\\" && coffer.FolderExists(path) && path.find_first_of("*?") == std::string::npos) {
    sel.root = path + "\\";
  } else if (path == "\\") {
    sel.root = "\\";
  } else {
    const size_t cut = path.find_last_of('\\');
    sel.root = path.substr(0, cut + 1);
    name_mask = path.substr(cut + 1);
    if (sel.root != "\\" && !coffer.FolderExists(sel.root)) {
      throw ECofferError(kExitFailure,
                         "'" + args.operands[1] + "': no such folder in the container");
    }
  }
  const std::string folder = sel.root == "\\" ? "\\" : sel.root.substr(0, sel.root.size() - 1);
  for (TreeEntry& entry : WalkTree(coffer, folder, name_mask, true)) {
    Item item;
    item.entry = std::move(entry);
    const std::string rel = item.entry.path.substr(sel.root.size());
    size_t start = 0;
    std::string prefix = sel.root;
    while (start <= rel.size()) {
      size_t end = rel.find('\\', start);
      if (end == std::string::npos) end = rel.size();
      prefix += (start == 0 ? "" : "\\") + rel.substr(start, end - start);
      const std::string disk = DiskName(session, prefix);
      if (!item.local.empty()) item.local += platform::PathDelimiter();
      item.local += disk;
      start = end + 1;
    }
    if (!item.entry.folder) {
      // Progress counts content bytes; the stored size stands in for a file
      // with a password of its own.
      // Only a bar that is shown needs them: reading them opens every file.
      ContentInfo info;
      if (session.Progress() &&
          ReadContentInfo(coffer, item.entry.path, session.FilePasswordSource().Current(), &info)) {
        item.entry.size = info.size;
      }
      sel.total_bytes += item.entry.size;
    }
    sel.items.push_back(std::move(item));
  }
  if (sel.items.empty() && args.operands.size() > 1) {
    throw ECofferError(kExitFailure, "nothing in the container matches '" + args.operands[1] + "'");
  }
  return sel;
}

std::string JoinDisk(const std::string& folder, const std::string& rel) {
  if (folder.empty()) return rel;
  const char last = folder.back();
  return last == '/' || last == platform::PathDelimiter()
             ? folder + rel
             : folder + platform::PathDelimiter() + rel;
}

void ForceFolders(const std::string& path) {
  if (path.empty() || platform::DirectoryExists(path)) return;
  const std::string parent = platform::ExtractFilePath(path);
  if (parent.size() > 1 && parent.size() < path.size()) {
    ForceFolders(parent.substr(0, parent.size() - 1));
  }
  platform::CreateDirectory(path);
}

// Stored bytes handed to the workers and not yet written: bounds the memory
// of an extraction whatever the sizes of the files.
constexpr int64_t kUnpackAheadBudget = 8 * 1048576;

// Unpacks the stored blocks of files and writes them to disk on worker
// threads. A file whose stored data is damaged is noted (its partial output
// removed) and the others go on; the first other failure is kept and raised
// again by Check or Finish on the main thread, and files after it are not
// started.
std::string DamagedText(const std::string& shown, const std::string& what) {
  return "'" + shown + "': the stored data is damaged (" + what + "); not extracted";
}

class UnpackAhead {
 public:
  struct Job {
    std::string shown;  // the name in messages
    std::string disk;
    uint32_t attributes = 0;
    uint8_t compression = 0;
    std::vector<TCFRBlockHeader> headers;
    std::vector<std::vector<uint8_t>> packed;
    int64_t cost = 0;
  };

  UnpackAhead() {
    const int32_t threads = std::max(BlockPackingThreads(), 1);
    for (int32_t t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
  }
  ~UnpackAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }
  UnpackAhead(const UnpackAhead&) = delete;
  UnpackAhead& operator=(const UnpackAhead&) = delete;

  // Queues a job, waiting while the stored bytes in flight exceed the budget.
  void Add(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return failed_ || in_flight_ == 0 || in_flight_ + job.cost <= kUnpackAheadBudget;
    });
    if (failed_) return;
    in_flight_ += job.cost;
    queue_.push_back(std::move(job));
    lock.unlock();
    changed_.notify_all();
  }
  // Held while a block of type 3 or 4 is unpacked (see Save); the main
  // thread takes it too when it saves such a file itself.
  std::mutex& LargeModel() { return large_model_; }

  // Raises the first failure of a worker, if there was one.
  void Check() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failed_) RaiseFailure();
  }
  // Waits until every queued job is done, then raises as Check.
  void Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return in_flight_ == 0 && busy_ == 0 && queue_.empty(); });
    if (failed_) RaiseFailure();
  }

  // The damaged files met so far, each with its message.
  std::vector<std::string> TakeDamaged() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(damaged_);
  }

 private:
  [[noreturn]] void RaiseFailure() {
    if (failure_io_) throw ECofferError(kExitIoError, failure_);
    throw EVorError(failure_, failure_kind_);
  }

  void Work() {
    while (true) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
      }
      std::string failure;
      std::string damage;
      ErrorKind kind = ErrorKind::kGeneral;
      bool io = false;
      try {
        if (!FailedNow()) Save(job);
      } catch (const ECofferError& e) {
        failure = e.what();
        io = true;
      } catch (const EVorError& e) {
        if (e.Kind() == ErrorKind::kDamaged) {
          damage = DamagedText(job.shown, e.what());
          platform::DeleteFile(job.disk);
        } else {
          failure = e.what();
          kind = e.Kind();
        }
      } catch (const std::exception& e) {
        failure = e.what();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!damage.empty()) damaged_.push_back(damage);
        if (!failure.empty() && !failed_) {
          failed_ = true;
          failure_ = failure;
          failure_io_ = io;
          failure_kind_ = kind;
        }
        in_flight_ -= job.cost;
        --busy_;
      }
      changed_.notify_all();
    }
  }

  bool FailedNow() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
  }

  void Save(const Job& job) {
    // Types 3 and 4 build a PPM model of 25 or 50 MiB for every block: one
    // such block is unpacked at a time, so that an extraction stays within
    // 64 MiB (type 4's model alone excepted).
    std::unique_lock<std::mutex> model(large_model_, std::defer_lock);
    if (job.compression == 3 || job.compression == 4) model.lock();
    TDiskFileStream file(job.disk, TDiskFileMode::kCreate);
    for (size_t k = 0; k < job.headers.size(); ++k) {
      const std::vector<uint8_t> data = TCFRAdvancedFileStream::UnpackBlock(
          job.headers[k], job.packed[k].data(), job.compression);
      file.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    }
    platform::SetFileAttributes(job.disk, job.attributes);
  }

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::mutex large_model_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  int64_t in_flight_ = 0;
  int busy_ = 0;
  bool stop_ = false;
  bool failed_ = false;
  bool failure_io_ = false;
  ErrorKind failure_kind_ = ErrorKind::kGeneral;
  std::string failure_;
  std::vector<std::string> damaged_;
};

class Extractor {
 public:
  Extractor(Session& session, TCoffer& coffer, const Selection& sel, const std::string& dest,
            Overwrite mode)
      : session_(session),
        coffer_(coffer),
        sel_(sel),
        dest_(dest),
        mode_(mode),
        bar_("extracting", sel.total_bytes, session.Progress()) {
    for (const Item& item : sel_.items) by_local_[item.local] = &item;
  }

  void Run() {
    RunItems();
    bar_.Finish();
    // Times last: writing into a folder changes its time.
    for (auto it = sel_.items.rbegin(); it != sel_.items.rend(); ++it) {
      if (it->entry.folder || written_.count(it->local) != 0) {
        platform::SetFileLastWriteTime(JoinDisk(dest_, it->local), it->entry.write_time);
      }
    }
    if (skipped_ > 0) Warn(std::to_string(skipped_) + " existing file(s) left as they were");
    if (!damaged_.empty()) {
      throw ECofferError(kExitDamaged, std::to_string(damaged_.size()) +
                                           " damaged file(s) not extracted, the others were");
    }
  }

 private:
  // Whether the disk file at local may be replaced.
  bool MayReplace(const std::string& local) {
    switch (mode_) {
      case Overwrite::kReplace:
        return true;
      case Overwrite::kSkip:
        ++skipped_;
        return false;
      case Overwrite::kAsk:
        break;
    }
    if (answer_all_ != 0) {
      if (answer_all_ < 0) ++skipped_;
      return answer_all_ > 0;
    }
    while (true) {
      std::string reply;
      if (!platform::ReadTerminalLine(
              "Replace '" + JoinDisk(dest_, local) + "'? [y]es, [n]o, [A]ll, [N]one: ", false,
              &reply)) {
        reply = "N";
      }
      if (reply == "y" || reply == "yes") return true;
      if (reply == "A") answer_all_ = 1;
      if (reply == "N") answer_all_ = -1;
      if (reply == "A" || reply == "N") return MayReplace(local);
      if (reply == "n" || reply == "no" || reply.empty()) {
        ++skipped_;
        return false;
      }
    }
  }

  // Byte progress from the engine's per-file percentages.
  void FileProgress(const std::string& local, double percent) {
    if (local != current_) {
      if (!current_.empty()) finished_ += SizeOf(current_);
      current_ = local;
      written_[local] = true;
      bar_.SetLabel(local);
    }
    bar_.Update(finished_ + static_cast<int64_t>(SizeOf(local) * percent / 100.0));
  }

  int64_t SizeOf(const std::string& local) const {
    const auto it = by_local_.find(local);
    return it == by_local_.end() ? 0 : it->second->entry.size;
  }

  void RunItems() {
    // PPM models (10 to 50 MiB) are taken from and given back to the system
    // with each block, so that no thread keeps one after its block.
    platform::ReturnLargeAllocations(4 * 1048576);
    UnpackAhead ahead;
    for (const Item& item : sel_.items) {
      const std::string disk = JoinDisk(dest_, item.local);
      if (item.entry.folder) {
        ForceFolders(disk);
        if (!platform::DirectoryExists(disk)) {
          throw ECofferError(kExitIoError, "'" + disk + "': cannot make the folder");
        }
        continue;
      }
      ForceFolders(platform::ExtractFilePath(disk).empty()
                       ? std::string()
                       : disk.substr(0, platform::ExtractFilePath(disk).size() - 1));
      if (platform::FileExists(disk)) {
        if (!MayReplace(item.local)) continue;
        platform::SetFileAttributes(disk, 0);
        if (!platform::DeleteFile(disk)) {
          throw ECofferError(kExitIoError, "'" + disk + "' cannot be overwritten");
        }
      }
      try {
        TCFRFileStream stream(&coffer_, item.entry.path, kOpenModeRead, coffer_.Password(), "", "",
                              0);
        FileProgress(item.local, 0);
        if (!Hand(stream, disk, item, ahead)) {
          stream.SetOnProgress(
              [this, &item](TStream&, double percent) { FileProgress(item.local, percent); });
          std::unique_lock<std::mutex> model(ahead.LargeModel(), std::defer_lock);
          const uint8_t type = stream.BlockStream().Compression();
          if (type == 3 || type == 4) model.lock();
          stream.SaveToFile(disk);
          platform::SetFileAttributes(disk, item.entry.attributes);
        }
      } catch (const EVorError& e) {
        // A damaged file is named, its partial output goes, the others go on.
        if (e.Kind() != ErrorKind::kDamaged || dynamic_cast<const ECofferError*>(&e) != nullptr) {
          throw;
        }
        platform::DeleteFile(disk);
        Damaged(DamagedText(item.local, e.what()));
      }
      for (const std::string& text : ahead.TakeDamaged()) Damaged(text);
      ahead.Check();
    }
    ahead.Finish();
    for (const std::string& text : ahead.TakeDamaged()) Damaged(text);
  }

  void Damaged(const std::string& text) {
    Warn(text);
    damaged_.push_back(text);
  }

  // Hands the stored blocks of a compressed file to the workers; false (and
  // nothing read) for content stored without blocks or larger than the
  // budget, which the caller saves itself.
  bool Hand(TCFRFileStream& stream, const std::string& disk, const Item& item, UnpackAhead& ahead) {
    TCFRAdvancedFileStream& blocks = stream.BlockStream();
    if (blocks.PassThrough()) return false;
    UnpackAhead::Job job;
    job.shown = item.local;
    for (int32_t k = 0; k < blocks.BlockCount(); ++k) {
      job.cost += blocks.BlockHeader(k).CompressedSize;
    }
    if (job.cost > kUnpackAheadBudget) return false;
    job.disk = disk;
    job.attributes = item.entry.attributes;
    job.compression = blocks.Compression();
    job.headers.resize(static_cast<size_t>(blocks.BlockCount()));
    job.packed.resize(job.headers.size());
    for (int32_t k = 0; k < blocks.BlockCount(); ++k) {
      blocks.ReadPackedBlock(k, &job.headers[static_cast<size_t>(k)],
                             &job.packed[static_cast<size_t>(k)]);
    }
    ahead.Add(std::move(job));
    FileProgress(item.local, 100);
    return true;
  }

  Session& session_;
  TCoffer& coffer_;
  const Selection& sel_;
  std::string dest_;
  Overwrite mode_;
  ProgressBar bar_;
  std::map<std::string, const Item*> by_local_;
  std::map<std::string, bool> written_;
  std::string current_;
  int64_t finished_ = 0;
  int skipped_ = 0;
  std::vector<std::string> damaged_;
  int answer_all_ = 0;  // 1: replace all, -1: replace none
};

}  // namespace

int RunExtract(Session& session) {
  const ParsedArgs& args = session.Args();
  const Overwrite mode = OverwriteMode(session);
  std::unique_ptr<TCoffer> coffer = session.Open(args.operands[0], kOpenModeRead);
  const Selection sel = Select(session, *coffer);
  std::string dest = args.Value("output", ".");
  if (dest.empty()) dest = ".";
  ForceFolders(dest);
  if (!platform::DirectoryExists(dest)) {
    throw ECofferError(kExitIoError, "'" + dest + "': cannot make the folder");
  }
  Extractor extractor(session, *coffer, sel, dest, mode);
  extractor.Run();
  return kExitOk;
}

}  // namespace vor::coffer
