// coffer extract: copies files and folders of a container to disk.
//
// The items are listed first, so that every name is checked before anything
// is written; then each is saved under its disk name (converted from the
// code page where that differs), and the last-write times are set
// afterwards. The container is read and the files are written on the main
// thread, in order; worker threads unpack the blocks of the next files
// meanwhile (TExportAhead), so that decompressing overlaps reading and
// writing. A file that fails part-way is removed; Ctrl+C stops at the next
// chunk the same way.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "common/error.h"
#include "container/export_ahead.h"
#include "container/store/file_rec.h"
#include "container/stream/block_packer.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "platform/fs.h"
#include "platform/memory.h"
#include "platform/process.h"
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
  // FolderExists holds for a file of that name too: a file is extracted
  // as a mask of its own name in its folder.
  const bool names_folder = path != "\\" && path.find_first_of("*?") == std::string::npos &&
                            coffer.FolderExists(path) &&
                            (coffer.FileGetAttr(path) & kFileAttributeDirectory) != 0;
  if (names_folder) {
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

// Unpacked bytes and files read ahead of the file being written: bounds the
// memory of an extraction whatever the sizes of the files.
constexpr int64_t kUnpackAheadBytes = 8 * 1048576;
constexpr int32_t kUnpackAheadFiles = 64;

std::string DamagedText(const std::string& shown, const std::string& what) {
  return "'" + shown + "': the stored data is damaged (" + what + "); not extracted";
}

void StopWhenInterrupted() {
  if (platform::InterruptRequested()) {
    throw ECofferError(kExitFailure,
                       "interrupted; the files extracted before are complete, the one being "
                       "written was removed");
  }
}

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
        platform::SetFileLastWriteTime(platform::JoinDiskPath(dest_, it->local),
                                       it->entry.write_time);
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
      if (!platform::ReadTerminalLine("Replace '" + platform::JoinDiskPath(dest_, local) +
                                          "'? [y]es, [n]o, [A]ll, [N]one: ",
                                      false, &reply)) {
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
    // A file with a password of its own is not opened ahead: the question
    // for it comes in its turn.
    coffer_.SetOnPassword([this](TCoffer&, const std::string&, std::string& pw, bool& cancel) {
      cancel = opening_ahead_ || !session_.FilePasswordSource().Request(pw, &pw);
    });
    auto open = [&](size_t i, bool ahead) -> std::unique_ptr<TCFRFileStream> {
      const Item& item = sel_.items[i];
      if (item.entry.folder) return nullptr;
      opening_ahead_ = ahead;
      try {
        auto stream = std::make_unique<TCFRFileStream>(&coffer_, item.entry.path, kOpenModeRead,
                                                       coffer_.Password(), "", "", 0);
        opening_ahead_ = false;
        return stream;
      } catch (...) {
        opening_ahead_ = false;
        throw;
      }
    };
    // The container is read on this thread only; the workers unpack.
    TExportAhead ahead(sel_.items.size(), open, kUnpackAheadBytes, kUnpackAheadFiles,
                       std::max(BlockPackingThreads(), 1));
    for (size_t i = 0; i < sel_.items.size(); ++i) {
      StopWhenInterrupted();
      const Item& item = sel_.items[i];
      const std::string disk = platform::JoinDiskPath(dest_, item.local);
      if (item.entry.folder) {
        if (!MakeFolder(disk)) {
          throw ECofferError(kExitIoError, "'" + disk + "': cannot make the folder");
        }
        continue;
      }
      const std::string folder = platform::ExtractFilePath(disk);
      if (!folder.empty()) MakeFolder(folder.substr(0, folder.size() - 1));
      // A name not taken yet is made at once; one that is taken goes by the
      // overwrite rule first and is made when the copy starts.
      std::unique_ptr<TDiskFileStream> file = TDiskFileStream::CreateNew(disk);
      if (file == nullptr && platform::FileExists(disk)) {
        if (!MayReplace(item.local)) continue;
        platform::SetFileAttributes(disk, 0);
        if (!platform::DeleteFile(disk)) {
          throw ECofferError(kExitIoError, "'" + disk + "' cannot be overwritten");
        }
      }
      try {
        TCFRFileStream* stream;
        try {
          stream = ahead.Open(i);
        } catch (...) {
          // The stored file cannot be read: the file made for it goes again.
          if (file != nullptr) {
            file.reset();
            platform::DeleteFile(disk);
          }
          throw;
        }
        FileProgress(item.local, 0);
        stream->BlockStream().SetOnProgress([this, &item](TStream&, double percent) {
          FileProgress(item.local, percent);
          StopWhenInterrupted();
        });
        Save(ahead, disk, std::move(file));
        platform::SetFileAttributes(disk, item.entry.attributes);
      } catch (const EVorError& e) {
        // A damaged file is named and the others go on.
        if (e.Kind() != ErrorKind::kDamaged || dynamic_cast<const ECofferError*>(&e) != nullptr) {
          throw;
        }
        Damaged(DamagedText(item.local, e.what()));
      }
    }
  }

  // Makes the folder path with its parents; folders made or found in this
  // run are remembered, so that the files inside them cost no more checks.
  bool MakeFolder(const std::string& path) {
    if (folders_.count(path) != 0) return true;
    if (!platform::ForceDirectories(path)) return false;
    folders_.insert(path);
    return true;
  }

  // Writes the current file of ahead to disk, into file when it was made
  // already; a copy that fails part-way (damage, a full disk, an interrupt)
  // leaves no partial file.
  static void Save(TExportAhead& ahead, const std::string& disk,
                   std::unique_ptr<TDiskFileStream> file) {
    if (file == nullptr) file = std::make_unique<TDiskFileStream>(disk, TDiskFileMode::kCreate);
    try {
      ahead.Save(*file);
    } catch (...) {
      file.reset();
      platform::DeleteFile(disk);
      throw;
    }
  }

  void Damaged(const std::string& text) {
    Warn(text);
    damaged_.push_back(text);
  }

  Session& session_;
  TCoffer& coffer_;
  const Selection& sel_;
  std::string dest_;
  Overwrite mode_;
  ProgressBar bar_;
  std::map<std::string, const Item*> by_local_;
  std::map<std::string, bool> written_;
  std::set<std::string> folders_;  // disk folders made or found in this run
  std::string current_;
  int64_t finished_ = 0;
  int skipped_ = 0;
  std::vector<std::string> damaged_;
  int answer_all_ = 0;          // 1: replace all, -1: replace none
  bool opening_ahead_ = false;  // a file is being opened before its turn
};

}  // namespace

int RunExtract(Session& session) {
  const ParsedArgs& args = session.Args();
  const Overwrite mode = OverwriteMode(session);
  std::unique_ptr<TCoffer> coffer = session.Open(args.operands[0], kOpenModeRead);
  const Selection sel = Select(session, *coffer);
  std::string dest = args.Value("output", ".");
  if (dest.empty()) dest = ".";
  platform::ForceDirectories(dest);
  if (!platform::DirectoryExists(dest)) {
    throw ECofferError(kExitIoError, "'" + dest + "': cannot make the folder");
  }
  // Ctrl+C is noticed between chunks: the file being written is removed.
  platform::WatchInterrupts();
  Extractor extractor(session, *coffer, sel, dest, mode);
  extractor.Run();
  return kExitOk;
}

}  // namespace vor::coffer
