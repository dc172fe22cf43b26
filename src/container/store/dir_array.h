// TDIRArray: the directory's records in memory, with the name and parent
// indexes and the folder searches.
//
// Items holds every record, deleted ones included; a record's item number is
// its position. NameIndex lists the item numbers of the live records ordered
// by name (records of equal names by ParentID), ParentIndex the same item
// numbers ordered by ParentID. Both are searched and extended by
// FindPosition, whose probe sequence also decides where among equal keys a
// new item goes, and with it the order in which a folder is listed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "container/store/engine_arrays.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"

namespace vor {

struct TCollation;

class TDIRArray {
 public:
  // entries_per_page sets the growth steps of Items. The collation decides
  // name equality; by default the process-wide one.
  explicit TDIRArray(int32_t entries_per_page, const TCollation* collation = nullptr);
  ~TDIRArray();

  TDIRArray(const TDIRArray&) = delete;
  TDIRArray& operator=(const TDIRArray&) = delete;

  int32_t ItemCount() const { return item_count_; }
  int32_t IndexedCount() const { return indexed_count_; }
  const TIntegerArray& NameIndex() const { return name_index_; }
  const TIntegerArray& ParentIndex() const { return parent_index_; }

  // 0 clears everything and ends every search; a larger size appends zero
  // records; a smaller one raises.
  void SetSize(int32_t new_size);
  // Appends rec as the next item and indexes it unless it is deleted.
  void Add(const TFileRec& rec);
  // A copy of record item_no; raises for an invalid number.
  TFileRec ReadItem(int32_t item_no) const;
  // The stored record item_no; raises for an invalid number.
  const TFileRec& Item(int32_t item_no) const;
  // Replaces record item_no and moves it in, out of or within the indexes.
  void UpdateItem(int32_t item_no, const TFileRec& rec);

  // Searches NameIndex (by_name) or ParentIndex for key. A lookup returns
  // the position of an equal key (the first one with first_match) or -1; an
  // insert search returns where key goes, in front of the element there.
  int32_t FindPosition(const TFileRec& key, bool by_name, bool first_match, bool for_insert) const;

  // The item number that path names, starting from folder start_index (-1
  // the root); -1 for the root itself; below -1 when it does not resolve.
  // The last path looked up and the last folder part resolved are
  // remembered until the records change: opening a file looks its path up
  // several times, and the files of one folder follow one another.
  int32_t FindPath(const std::string& path, int32_t start_index) const;

  // Folder search: 0 with search_rec filled from the first match,
  // kSearchFolderNotFound (-2) when the folder does not exist, kSearchNoMore
  // (-5) when nothing matches (common/result_code.h).
  int32_t FindFirst(const std::string& path, int32_t attr, int32_t start_index,
                    TSearchRec* search_rec);
  // 0 with the next match, kSearchClosed (-4) for a search that was closed,
  // kSearchNoMore (-5) at the end (or for an unknown handle).
  int32_t FindNext(TSearchRec* search_rec);
  // Ends the search; an unknown handle is ignored.
  void FindClose(TSearchRec* search_rec);

 private:
  enum class KeyKind { kName, kNameOnly, kParent };

  int Compare(KeyKind kind, int32_t pos, const TFileRec& key) const;
  int32_t FindPositionOf(KeyKind kind, const TFileRec& key, bool first_match,
                         bool for_insert) const;
  const TIntegerArray& IndexOf(KeyKind kind) const;
  int CompareNames(const std::string& a, const std::string& b) const;
  void CheckItemNo(const char* where, int32_t item_no) const;
  // FindPath's walk over the components of path from character pos on,
  // starting in folder dir.
  int32_t WalkPath(const std::string& path, size_t pos, int32_t dir) const;
  // Called by everything that changes the records or the indexes.
  void ForgetLookups() const;
  void FillSearchRec(int32_t item_no, TSearchRec* search_rec) const;

  const TCollation* collation_;
  std::vector<TFileRec> items_;  // size is the capacity; spare slots are zero
  TGrowthRule rule_;
  int32_t item_count_ = 0;
  int32_t indexed_count_ = 0;
  TIntegerArray name_index_;
  TIntegerArray parent_index_;
  std::vector<std::unique_ptr<TIntegerArray>> search_lists_;  // null: slot free
  // FindPath's memory: a path with its start folder and its result, and a
  // folder part (up to and including its last separator) with its folder.
  struct Lookup {
    bool valid = false;
    std::string path;
    int32_t start = 0;
    int32_t result = 0;
  };
  mutable Lookup last_path_;
  mutable Lookup last_folder_;
};

}  // namespace vor
