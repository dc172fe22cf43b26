// coffer check: verifies everything that can be reached.
//
// 1. The header (signature, checksum, geometry) as the page file loads it.
// 2. The allocation maps, the directory and every file's page map, loaded
//    by the engine's managers; each page they name is given its owner,
//    which finds pages used twice, used pages marked free and pages whose
//    type does not fit their use (type 0, a zeroed page, included).
// 3. The checksum of every page in use, read as stored (no key needed) over
//    the bytes its owner writes and reads: a directory or map page holds
//    fewer data bytes than a page has room for, and the rest of it is
//    whatever the page held before. Free pages are not read: nothing reads
//    them, and they keep what they last held.
// 4. Every file's content through its TCFRFileStream: every block is
//    decompressed and CRC-checked.
// Problems are printed by page and by file; any problem makes exit code 4.
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/store/page_map.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "progress.h"
#include "record_names.h"

namespace vor::coffer {

namespace {

// sum + size for the progress figures: sizes come from records on disk, so
// a damaged one (negative, or near the largest number) must not overflow.
int64_t AddStoredSize(int64_t sum, int64_t size) {
  if (size <= 0) return sum;
  return size > INT64_MAX - sum ? INT64_MAX : sum + size;
}

const char* PageTypeName(int type) {
  switch (type) {
    case PageTypeDIR:
      return "directory";
    case PageTypeGAM:
      return "GAM map";
    case PageTypeSGAM:
      return "SGAM map";
    case PageTypePFS:
      return "PFS map";
    case PageTypeUFPM:
      return "page map";
    case PageTypeData:
      return "data";
    default:
      return "unused";
  }
}

std::string PageErrorText(int32_t code) {
  switch (code) {
    case kPageReadHeaderError:
      return "its header cannot be read";
    case kPageReadDataError:
      return "its data cannot be read";
    case kPageChecksumError:
      return "checksum mismatch";
    case kPageDecodeError:
      return "cannot be deciphered";
    case kPageTypeError:
      return "not of the type its reader expects";
    default:
      return "read error " + std::to_string(code);
  }
}

// Who uses a page.
struct Owner {
  int type = PageTypeNone;  // the page type the use requires
  std::string what;         // "directory", "file docs/a.txt", ...
};

class Checker {
 public:
  Checker(Session& session, const std::string& archive) : session_(session), archive_(archive) {}
  // Checks the structures of a container open for writing, quietly: the
  // header, the allocation maps, the directory, the page maps, and who uses
  // which page. File contents are not read.
  Checker(Session& session, TPageFileManager& page_file)
      : session_(session), page_file_(&page_file), quiet_(true) {}

  std::vector<std::string> StructureProblems() {
    ScanPages();
    LoadStructures();
    CheckOwnership();
    return problems_;
  }

  int Run() {
    std::string password;
    try {
      // A change left unfinished is rolled back first, as by every command.
      if (session_.RecoverBeforeOpen(archive_, true))
        Say("journal: unfinished change rolled back\n");
      password = session_.ContainerPassword(archive_);
      own_page_file_ = std::make_unique<TPageFileManager>(archive_, kOpenModeRead, password, "", "",
                                                          false, 4096, 8, -1);
      page_file_ = own_page_file_.get();
    } catch (const EVorError& e) {
      if (ExitCodeOf(e) != kExitDamaged) throw;
      Problem(std::string("header: ") + e.what());
      return Finish();
    }
    Say("header: ok\n");
    ScanPages();
    LoadStructures();
    VerifyUsedPages();
    CheckOwnership();
    if (directory_ != nullptr) CheckContents();
    return Finish();
  }

 private:
  void Problem(const std::string& text) { problems_.push_back(text); }
  bool Progress() const { return !quiet_ && session_.Progress(); }
  // printf, unless quiet.
  template <typename... Args>
  void Say(const char* format, Args... args) {
    if (quiet_) return;
    if constexpr (sizeof...(Args) == 0) {
      std::fputs(format, stdout);  // callers pass text without conversions
    } else {
      std::printf(format, args...);
    }
  }

  int Finish() {
    if (problems_.empty()) {
      Say("result: ok\n");
      return kExitOk;
    }
    Say("damaged:\n");
    for (const std::string& p : problems_) Say("  %s\n", p.c_str());
    Say("result: damaged (%zu problem%s)\n", problems_.size(), problems_.size() == 1 ? "" : "s");
    return kExitDamaged;
  }

  // The page headers: the type of every page. The count comes from the
  // header and is bounded by the pages the volume holds before anything is
  // sized from it.
  void ScanPages() {
    const int64_t page_size = page_file_->Header().PageSize;
    const int64_t held = (page_file_->Store()->GetSize() + page_size - 1) / page_size;
    int32_t count = page_file_->Header().FilePageCount;
    if (count > held) {
      Problem("the header counts " + std::to_string(count) + " pages, the container holds " +
              std::to_string(held));
      count = static_cast<int32_t>(held);
    }
    types_.assign(static_cast<size_t>(count), PageTypeNone);
    TPageRecord page;
    for (int32_t p = 1; p < count; ++p) {
      if (!page_file_->ReadPage(page, p, 0)) {
        bad_pages_[p] = PageErrorText(page_file_->LastError());
        continue;
      }
      types_[static_cast<size_t>(p)] = page.PageType;
    }
  }

  // The data bytes of a page of this use, as the engine writes and reads them.
  int32_t DataSizeFor(int type) const {
    switch (type) {
      case PageTypeDIR:
        // Whole 512-byte records, as many as fit (also when the directory
        // itself could not be loaded).
        return directory_ != nullptr ? directory_->DIRPageDataSize()
                                     : page_file_->PageDataSize() / 512 * 512;
      case PageTypePFS:
        return free_space_ != nullptr ? free_space_->PFSBytesPerPage() : -1;
      case PageTypeGAM:
      case PageTypeSGAM:
        return free_space_ != nullptr ? free_space_->GAMBytesPerPage() : -1;
      default:
        return page_file_->PageDataSize();
    }
  }

  // The checksum of every page in use: those the structures name, and
  // those the allocation maps mark used that nothing could be read to name
  // (the pages of a page map that failed, say), by their stored type.
  void VerifyUsedPages() {
    std::map<int32_t, int> used;
    for (const auto& [p, owner] : owners_) used[p] = owner.type;
    if (free_space_ != nullptr) {
      const int64_t extent_pages =
          static_cast<int64_t>(free_space_->ExtentCount()) * free_space_->ExtentPageCount();
      const int32_t first = page_file_->Header().FirstExtentPageNo;
      for (int32_t p = 1; p < static_cast<int32_t>(types_.size()); ++p) {
        const int64_t r = static_cast<int64_t>(p) - first;
        if (used.count(p) == 0 && r >= 0 && r < extent_pages &&
            !free_space_->PageFree(static_cast<int32_t>(r))) {
          used[p] = types_[static_cast<size_t>(p)];
        }
      }
    }
    ProgressBar bar("checking pages", static_cast<int64_t>(used.size()), Progress());
    TPageRecord page;
    page_file_->InitPage(page);
    int32_t read = 0;
    int32_t bad = 0;
    for (const auto& [p, type] : used) {
      ++read;
      bar.Update(read);
      if (bad_pages_.count(p) != 0) {
        ++bad;
        continue;
      }
      const int32_t size = DataSizeFor(type);
      if (size <= 0) continue;
      if (!page_file_->ReadPage(page, p, size, std::string(), true)) {
        bad_pages_[p] = PageErrorText(page_file_->LastError());
        ++bad;
      }
    }
    page_file_->DonePage(page);
    bar.Finish();
    Say("pages: %d in use read, %d damaged\n", read, bad);
  }

  void Use(int32_t page, int type, const std::string& what) {
    if (page < 1 || page >= static_cast<int32_t>(types_.size())) {
      Problem(what + ": names page " + std::to_string(page) + ", outside the container");
      return;
    }
    const auto it = owners_.find(page);
    if (it != owners_.end()) {
      Problem("page " + std::to_string(page) + " is used twice: by " + it->second.what +
              " and by " + what);
      return;
    }
    owners_[page] = Owner{type, what};
  }

  std::string RecordPath(int32_t item_no) const {
    const TDIRArray& records = directory_->DirArray();
    std::string path;
    for (int depth = 0; item_no >= 0 && item_no < records.ItemCount() && depth < 1000; ++depth) {
      const TFileRec& rec = records.Item(item_no);
      path = "\\" + rec.FileName + path;
      item_no = rec.ParentID;
    }
    return session_.Codec().DisplayPath(path);
  }

  void LoadStructures() {
    try {
      free_space_ = std::make_unique<TFreeSpaceManager>(*page_file_);
      const TIntegerArray& pfs = free_space_->PFSPageMap();
      for (int32_t i = 0; i < pfs.Count(); ++i) Use(pfs[i], PageTypePFS, "the allocation maps");
      const TIntegerArray& gam = free_space_->GAMPageMap();
      for (int32_t i = 0; i < gam.Count(); ++i) {
        Use(gam[i], PageTypeGAM, "the allocation maps");
        Use(gam[i] + 1, PageTypeSGAM, "the allocation maps");
      }
      Say("allocation maps: ok\n");
    } catch (const EVorError& e) {
      Problem(std::string("allocation maps: ") + e.what());
      return;
    }
    try {
      directory_ = std::make_unique<TDIRManager>(*page_file_, *free_space_);
      const TIntegerArray& pages = directory_->DIRPageNos();
      for (int32_t i = 0; i < pages.Count(); ++i) Use(pages[i], PageTypeDIR, "the directory");
      const std::vector<std::string> names =
          RecordNameProblems(directory_->DirArray(), [this](int32_t item) {
            return item < 0 ? std::string("the root folder") : "'" + RecordPath(item) + "'";
          });
      for (const std::string& p : names) Problem("directory: " + p);
      if (names.empty()) {
        Say("directory: ok (%d records)\n", directory_->DirArray().ItemCount());
      } else {
        Say("directory: damaged (%d records)\n", directory_->DirArray().ItemCount());
      }
    } catch (const EVorError& e) {
      Problem(std::string("directory: ") + e.what());
      return;
    }
    TUserFilePageMapManager page_maps(*page_file_, *free_space_);
    const TDIRArray& records = directory_->DirArray();
    int32_t damaged = 0;
    for (int32_t i = 0; i < records.ItemCount(); ++i) {
      const TFileRec& rec = records.Item(i);
      if (rec.Deleted != 0 || rec.FirstMapPageNo == -1) continue;
      const std::string what = "file " + RecordPath(i);
      try {
        std::shared_ptr<const TIntegerArray> maps;
        std::shared_ptr<const TIntegerArray> data;
        page_maps.GetMaps(rec, &maps, &data);
        for (int32_t k = 0; k < maps->Count(); ++k) Use((*maps)[k], PageTypeUFPM, what + " (map)");
        for (int32_t k = 0; k < data->Count(); ++k) Use((*data)[k], PageTypeData, what);
      } catch (const EVorError& e) {
        Problem(what + ": page map: " + e.what());
        unreadable_.insert(i);
        ++damaged;
      }
    }
    Say("page maps: %s\n", damaged == 0 ? "ok" : "damaged");
  }

  void CheckOwnership() {
    for (const auto& [page, reason] : bad_pages_) {
      const auto it = owners_.find(page);
      const std::string owner =
          it != owners_.end() ? it->second.what : PageTypeName(types_[static_cast<size_t>(page)]);
      Problem("page " + std::to_string(page) + " (" + owner + "): " + reason);
    }
    for (const auto& [page, owner] : owners_) {
      const int stored = types_[static_cast<size_t>(page)];
      // A page in use is always written with its type before anything
      // reads it: type 0 there is a page that was zeroed or never written.
      if (bad_pages_.count(page) == 0 && stored != owner.type) {
        Problem("page " + std::to_string(page) + " (" + owner.what + ") is marked as " +
                (stored == PageTypeNone ? std::string("unused (type 0)")
                                        : std::string("a ") + PageTypeName(stored) + " page"));
      }
    }
    if (free_space_ == nullptr) return;
    const int64_t extent_pages =
        static_cast<int64_t>(free_space_->ExtentCount()) * free_space_->ExtentPageCount();
    const int32_t first = page_file_->Header().FirstExtentPageNo;
    for (const auto& [page, owner] : owners_) {
      if (owner.type == PageTypePFS || owner.type == PageTypeGAM || owner.type == PageTypeSGAM) {
        continue;
      }
      const int64_t r = static_cast<int64_t>(page) - first;
      if (r >= 0 && r < extent_pages && free_space_->PageFree(static_cast<int32_t>(r))) {
        Problem("page " + std::to_string(page) + " (" + owner.what +
                ") is in use but marked free in the allocation maps");
      }
    }
  }

  void CheckContents() {
    std::unique_ptr<TCoffer> coffer;
    try {
      coffer = session_.Open(archive_, kOpenModeRead);
    } catch (const EVorError& e) {
      Problem(std::string("the container cannot be opened: ") + e.what());
      return;
    }
    const TDIRArray& records = directory_->DirArray();
    int64_t total = 0;
    for (int32_t i = 0; i < records.ItemCount(); ++i) {
      const TFileRec& rec = records.Item(i);
      if (rec.Deleted == 0 && (rec.Attributes & kFileAttributeDirectory) == 0)
        total = AddStoredSize(total, rec.FileSize);
    }
    ProgressBar bar("checking files", total, Progress());
    int64_t done = 0;
    int32_t files = 0, damaged = 0, skipped = 0;
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < records.ItemCount(); ++i) {
      const TFileRec& rec = records.Item(i);
      if (rec.Deleted != 0 || (rec.Attributes & kFileAttributeDirectory) != 0) continue;
      ++files;
      if (unreadable_.count(i) != 0) {  // reported with its page map
        ++damaged;
        done = AddStoredSize(done, rec.FileSize);
        continue;
      }
      std::string stored_path;
      for (int32_t k = i, depth = 0; k >= 0 && depth < 1000; ++depth) {
        stored_path = "\\" + records.Item(k).FileName + stored_path;
        k = records.Item(k).ParentID;
      }
      const std::string shown = RecordPath(i);
      bar.SetLabel(shown);
      try {
        TCFRFileStream stream(coffer.get(), stored_path, kOpenModeRead,
                              session_.FilePasswordSource().Current(), "", "", 0);
        const int32_t chunk = stream.BlockStream().BufferSize();
        buffer.resize(static_cast<size_t>(chunk > 0 ? chunk : 1 << 20));
        int64_t read = 0;
        while (true) {
          const int32_t n = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
          if (n <= 0) break;
          read += n;
          bar.Update(AddStoredSize(done, read));
        }
        const int64_t size = stream.Size();
        if (read != size) {
          Problem("file " + shown + ": only " + std::to_string(read) + " of " +
                  std::to_string(size) + " bytes can be read (error " +
                  std::to_string(coffer->LastError()) + ")");
          ++damaged;
        }
      } catch (const EVorError& e) {
        if (rec.OwnEncryption != 0 && ExitCodeOf(e) != kExitDamaged) {
          Warn("file " + shown + " has a password of its own and was not read");
          ++skipped;
        } else {
          Problem("file " + shown + ": " + e.what());
          ++damaged;
        }
      }
      done = AddStoredSize(done, rec.FileSize);
      bar.Update(done);
    }
    bar.Finish();
    Say("files: %d read, %d damaged", files - skipped, damaged);
    if (skipped > 0) Say(", %d not read (password)", skipped);
    Say("\n");
  }

  Session& session_;
  std::string archive_;
  std::unique_ptr<TPageFileManager> own_page_file_;
  TPageFileManager* page_file_ = nullptr;
  bool quiet_ = false;
  std::unique_ptr<TFreeSpaceManager> free_space_;
  std::unique_ptr<TDIRManager> directory_;
  std::vector<int> types_;
  std::map<int32_t, std::string> bad_pages_;
  std::map<int32_t, Owner> owners_;
  std::set<int32_t> unreadable_;  // records whose page map cannot be read
  std::vector<std::string> problems_;
};

}  // namespace

std::vector<std::string> StructureProblems(Session& session, TCoffer& coffer) {
  Checker checker(session, coffer.PageFile());
  return checker.StructureProblems();
}

int RunCheck(Session& session) {
  Checker checker(session, session.Args().operands[0]);
  return checker.Run();
}

}  // namespace vor::coffer
