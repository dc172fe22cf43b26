// TDIRManager: the container's directory of files and folders.
//
// The records lie in order on a chain of directory pages (PageTypeDIR),
// EntriesPerPage = PageDataSize div 512 to a page, starting at the header's
// FirstDIRPageNo; the header keeps DIRPageCount and DIRItemCount. Load reads
// them all into a TDIRArray; every later change rewrites the record's page at
// once. Paths use backslash or slash; a path that starts with a separator is
// absolute, any other is relative to the root.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "container/store/dir_array.h"
#include "container/store/engine_arrays.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"

namespace vor {

class TPageFileManager;
class TFreeSpaceManager;
struct TCollation;
struct TPageRecord;

class TDIRManager {
 public:
  // Computes the page geometry and runs Load. Neither manager is owned. The
  // collation decides name equality; by default the process-wide one.
  TDIRManager(TPageFileManager& page_file, TFreeSpaceManager& free_space,
              const TCollation* collation = nullptr);
  ~TDIRManager();

  TDIRManager(const TDIRManager&) = delete;
  TDIRManager& operator=(const TDIRManager&) = delete;

  // Reads every directory page and rebuilds the records, the page list and
  // the open counts. Raises for a page that cannot be read and for a chain
  // or a count that the container cannot hold.
  void Load();

  // A copy of record item_no; raises for an invalid number.
  TFileRec ReadItem(int32_t item_no) const;
  // Replaces record item_no in memory and on its page.
  void WriteItem(int32_t item_no, const TFileRec& rec);
  // Stores a new record in the first deleted slot, else appends it (with a
  // new directory page when the last one is full). False with LastError -17
  // when no page could be allocated.
  bool AddItem(const TFileRec& rec);

  // A new empty file record for path (with its own password record when
  // password is not empty): its item number, or -1.
  int32_t CreateEntry(const std::string& path, const std::string& password,
                      const std::string& question, const std::string& answer);
  // Looks path up for opening and counts the handle: the item number, or -1
  // (the root and blocked records cannot be opened). key receives the file's
  // own key string when it has a password; the access time is updated
  // unless the container is read-only.
  int32_t OpenEntry(const std::string& path, const std::string& password, std::string* key);
  void CloseEntry(int32_t item_no);
  // Handles open on the record, -1 for an invalid number.
  int32_t OpenCount(int32_t item_no) const;
  // Whether password opens the file at path.
  bool CheckEntryPassword(const std::string& path, const std::string& password);
  // The item number of path, -1 for the root, below -1 when not found.
  int32_t GetIndex(const std::string& path) const;

  int32_t FindFirst(const std::string& path, int32_t attr, TSearchRec* search_rec);
  int32_t FindNext(TSearchRec* search_rec);
  void FindClose(TSearchRec* search_rec);
  // True for "\", "/" and "."; otherwise whether a folder search for path
  // (folders included) finds anything.
  bool DirExists(const std::string& path);

  int32_t LastError() const { return last_error_; }
  int32_t EntriesPerPage() const { return entries_per_page_; }
  int32_t DIRPageDataSize() const { return dir_page_data_size_; }
  const TIntegerArray& DIRPageNos() const { return dir_page_nos_; }
  const TDIRArray& DirArray() const { return *dir_array_; }
  const std::string& CurrentDir() const { return current_dir_; }
  int32_t CurrentDirIndex() const { return current_dir_index_; }

 private:
  // AddItem with the item number of the stored record, or -1.
  int32_t StoreNewItem(const TFileRec& rec);
  // Writes directory page page_index from the records, with header as the
  // page's header (pData is set here).
  bool SavePage(int32_t page_index, TPageRecord& header);

  TPageFileManager& page_file_;
  TFreeSpaceManager& free_space_;
  TIntegerArray dir_page_nos_;
  int32_t entries_per_page_ = 1;
  int32_t dir_page_data_size_ = 0;
  std::unique_ptr<TDIRArray> dir_array_;
  TIntegerArray open_counts_;
  int32_t last_error_ = 0;
  std::string current_dir_ = "\\";
  int32_t current_dir_index_ = -1;
};

}  // namespace vor
