// TDIRArray: records, indexes, path lookup and folder search.
#include "container/store/dir_array.h"

#include <algorithm>

#include "common/error.h"
#include "common/quoting.h"
#include "common/result_code.h"
#include "container/store/collation.h"

namespace vor {
namespace {

constexpr int kNoComparison = 2;             // unequal to every comparison result
constexpr int32_t kSearchAttributes = 0x1E;  // hidden, system, volume, folder

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

TDIRArray::TDIRArray(int32_t entries_per_page, const TCollation* collation)
    : collation_(collation),
      rule_(std::max(entries_per_page, 1), std::max(entries_per_page, 1),
            10 * std::max(entries_per_page, 1)),
      name_index_(0, 10, 100),
      parent_index_(0, 10, 100) {}

TDIRArray::~TDIRArray() = default;

int TDIRArray::CompareNames(const std::string& a, const std::string& b) const {
  return collation_ != nullptr ? vor::CompareNames(*collation_, a, b) : vor::CompareNames(a, b);
}

void TDIRArray::ForgetLookups() const {
  last_path_.valid = false;
  last_folder_.valid = false;
}

void TDIRArray::SetSize(int32_t new_size) {
  ForgetLookups();
  if (new_size == 0) {
    search_lists_.clear();
    ResizeByRule(items_, rule_, item_count_, 0);
    name_index_.SetCount(0);
    parent_index_.SetCount(0);
    item_count_ = 0;
    indexed_count_ = 0;
    return;
  }
  if (new_size < item_count_) {
    throw EVorError("TDIRArray.SetSize - newSize < itemCount error.  newSize = " +
                        std::to_string(new_size) + " itemCount = " + std::to_string(item_count_),
                    ErrorKind::kMisuse);
  }
  ResizeByRule(items_, rule_, item_count_, new_size);
  item_count_ = new_size;
}

void TDIRArray::Add(const TFileRec& rec) {
  SetSize(item_count_ + 1);
  const int32_t item_no = item_count_ - 1;
  TFileRec& slot = items_[static_cast<size_t>(item_no)];
  slot = rec;
  slot.FileName = StoredFileName(rec.FileName);
  if (slot.Deleted != 0) return;
  name_index_.Insert(FindPosition(slot, true, false, true), item_no);
  parent_index_.Insert(FindPosition(slot, false, false, true), item_no);
  ++indexed_count_;
}

void TDIRArray::CheckItemNo(const char* where, int32_t item_no) const {
  if (item_no < 0 || item_no >= item_count_) {
    throw EVorError(std::string(where) + " - invalid itemNo = " + std::to_string(item_no),
                    ErrorKind::kMisuse);
  }
}

TFileRec TDIRArray::ReadItem(int32_t item_no) const { return Item(item_no); }

const TFileRec& TDIRArray::Item(int32_t item_no) const {
  CheckItemNo("TDIRArray.ReadItem", item_no);
  return items_[static_cast<size_t>(item_no)];
}

void TDIRArray::UpdateItem(int32_t item_no, const TFileRec& rec) {
  CheckItemNo("TDIRArray.UpdateItem", item_no);
  ForgetLookups();
  TFileRec& slot = items_[static_cast<size_t>(item_no)];
  const TFileRec old = slot;
  TFileRec updated = rec;
  updated.FileName = StoredFileName(rec.FileName);
  const bool old_live = old.Deleted == 0;
  const bool new_live = updated.Deleted == 0;
  // The positions are searched while the slot still holds the old record,
  // so that the indexes are in order for every search, also when the name or
  // the folder changes.
  if (!old_live && !new_live) {
    slot = updated;
    return;
  }

  // Where the old record stands in both indexes.
  int32_t i = -1;
  int32_t j = -1;
  if (old_live) {
    i = FindPositionOf(KeyKind::kName, old, true, false);
    while (i >= 0 && i < indexed_count_ && name_index_.Item(i) != item_no) ++i;
    if (i < 0 || i >= indexed_count_) {
      throw EVorError("TDIRArray.UpdateItem - old name position not found. Position = " +
                          std::to_string(item_no) + ", ItemCount = " + std::to_string(item_count_) +
                          ", FileName = " + DoubleQuoted(old.FileName),
                      ErrorKind::kDamaged);
    }
    j = FindPositionOf(KeyKind::kParent, old, true, false);
    while (j >= 0 && j < indexed_count_ && parent_index_.Item(j) != item_no) ++j;
    if (j < 0 || j >= indexed_count_) {
      throw EVorError("TDIRArray.UpdateItem - old parentID position not found. Position = " +
                          std::to_string(item_no) + ", ItemCount = " + std::to_string(item_count_) +
                          ", ParentID = " + std::to_string(old.ParentID),
                      ErrorKind::kDamaged);
    }
  }

  // Where the new record goes, computed while the item still stands at i, j.
  int32_t ni = -1;
  int32_t np = -1;
  if (new_live) {
    ni = FindPositionOf(KeyKind::kName, updated, false, true);
    np = FindPositionOf(KeyKind::kParent, updated, false, true);
  }
  slot = updated;

  if (!old_live) {
    name_index_.Insert(ni, item_no);
    parent_index_.Insert(np, item_no);
    ++indexed_count_;
  } else if (!new_live) {
    name_index_.Delete(i);
    parent_index_.Delete(j);
    --indexed_count_;
  } else {
    if (ni != i && ni != i + 1) name_index_.Relocate(i, ni);
    if (np != j && np != j + 1) parent_index_.Relocate(j, np);
  }
}

const TIntegerArray& TDIRArray::IndexOf(KeyKind kind) const {
  return kind == KeyKind::kParent ? parent_index_ : name_index_;
}

// +1 when the record at index position pos sorts before key, -1 after, 0 equal.
int TDIRArray::Compare(KeyKind kind, int32_t pos, const TFileRec& key) const {
  const TFileRec& rec = items_[static_cast<size_t>(IndexOf(kind).Item(pos))];
  if (kind != KeyKind::kParent) {
    const int c = CompareNames(rec.FileName, key.FileName);
    if (c != 0) return c < 0 ? 1 : -1;
    if (kind == KeyKind::kNameOnly) return 0;
  }
  if (rec.ParentID == key.ParentID) return 0;
  return rec.ParentID < key.ParentID ? 1 : -1;
}

int32_t TDIRArray::FindPosition(const TFileRec& key, bool by_name, bool first_match,
                                bool for_insert) const {
  return FindPositionOf(by_name ? KeyKind::kName : KeyKind::kParent, key, first_match, for_insert);
}

int32_t TDIRArray::FindPositionOf(KeyKind kind, const TFileRec& key, bool first_match,
                                  bool for_insert) const {
  const int32_t n = indexed_count_;
  if (n <= 0) return for_insert ? 0 : -1;
  int32_t pos = n / 2;
  int32_t step = pos;
  int32_t res = 0;
  int32_t turns = 0;
  int cmp = kNoComparison;
  while (true) {
    step = std::max(step / 2, 1);
    const int prev = cmp;
    cmp = Compare(kind, pos, key);
    if (cmp == 0) {
      res = pos;
      break;
    }
    pos += cmp < 0 ? -step : step;
    if (pos < 0 && step == 1) {
      res = 0;
      break;
    }
    if (pos > n - 1 && step == 1) {
      res = n;
      break;
    }
    pos = std::clamp(pos, 0, n - 1);
    if (step == 1 && turns > 1) {
      cmp = Compare(kind, pos, key);
      if (cmp == 0) {
        // An equal key met on the last probe is the answer itself.
        res = pos;
        break;
      }
      if (cmp < 0 && prev > 0) res = pos;
      if (cmp > 0 && prev < 0) res = pos + 1;
      if (cmp == prev) continue;
      break;
    }
    if (cmp != prev && step == 1 && prev != kNoComparison) ++turns;
  }
  if (!for_insert && res >= n) res = -1;
  if (res < 0) res = for_insert ? 0 : -1;
  if (!for_insert && res >= 0 && Compare(kind, res, key) != 0) res = -1;
  if (first_match && !for_insert) {
    while (res > 0 && Compare(kind, res - 1, key) == 0) --res;
  }
  return res;
}

int32_t TDIRArray::FindPath(const std::string& path, int32_t start_index) const {
  if (path == "\\" || path == "/") return -1;
  if (path.empty() || start_index < -1 || start_index >= item_count_) return -2;
  if (last_path_.valid && last_path_.start == start_index && last_path_.path == path) {
    return last_path_.result;
  }
  // The folder part is walked first (or taken from the last one walked),
  // then the last component from there: the same steps as one walk.
  int32_t result;
  const size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0 || cut + 1 >= path.size()) {
    result = WalkPath(path, 0, start_index);
  } else {
    int32_t folder;
    if (last_folder_.valid && last_folder_.start == start_index &&
        last_folder_.path.size() == cut + 1 && path.compare(0, cut + 1, last_folder_.path) == 0) {
      folder = last_folder_.result;
    } else {
      last_folder_.path.assign(path, 0, cut + 1);
      folder = WalkPath(last_folder_.path, 0, start_index);
      last_folder_.start = start_index;
      last_folder_.result = folder;
      last_folder_.valid = true;
    }
    result = folder < -1 ? folder : WalkPath(path, cut + 1, folder);
  }
  last_path_.path = path;
  last_path_.start = start_index;
  last_path_.result = result;
  last_path_.valid = true;
  return result;
}

int32_t TDIRArray::WalkPath(const std::string& path, size_t pos, int32_t dir) const {
  while (pos < path.size()) {
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string component = path.substr(pos, end - pos);
    if (component.empty()) {
      if (pos != 0) return -2;  // two separators in a row
      dir = -1;
    } else if (component == "..") {
      if (dir >= item_count_) return -3;
      if (dir >= 0) dir = items_[static_cast<size_t>(dir)].ParentID;
    } else {
      TFileRec key;
      key.FileName = StoredFileName(component);
      key.ParentID = dir;
      if (FindPositionOf(KeyKind::kNameOnly, key, false, false) < 0) return -2;
      const int32_t p = FindPositionOf(KeyKind::kName, key, true, false);
      if (p < 0) return -3;
      dir = name_index_.Item(p);
    }
    pos = end + 1;
  }
  return dir;
}

void TDIRArray::FillSearchRec(int32_t item_no, TSearchRec* sr) const {
  const TFileRec& rec = items_[static_cast<size_t>(item_no)];
  sr->Attr = static_cast<int32_t>(rec.Attributes);
  sr->FindData.dwFileAttributes = rec.Attributes;
  sr->Time = FileTimeToLocalDosDateTime(rec.LastWriteTime);
  sr->Size = static_cast<int32_t>(static_cast<uint32_t>(rec.FileSize));
  sr->FindData.nFileSizeLow = static_cast<uint32_t>(rec.FileSize);
  // The high half is filled too, so that files of 4 GiB and more list with
  // their real size (Size stays the low 32 bits).
  sr->FindData.nFileSizeHigh = static_cast<uint32_t>(static_cast<uint64_t>(rec.FileSize) >> 32);
  sr->Name = rec.FileName;
  sr->FindData.cFileName = rec.FileName;
  sr->FindData.ftCreationTime = rec.CreationTime;
  sr->FindData.ftLastAccessTime = rec.LastAccessTime;
  sr->FindData.ftLastWriteTime = rec.LastWriteTime;
}

int32_t TDIRArray::FindFirst(const std::string& path, int32_t attr, int32_t start_index,
                             TSearchRec* sr) {
  size_t slot = 0;
  while (slot < search_lists_.size() && search_lists_[slot] != nullptr) ++slot;
  if (slot == search_lists_.size()) search_lists_.emplace_back();
  search_lists_[slot] = std::make_unique<TIntegerArray>(0, 10, 100);
  TIntegerArray& list = *search_lists_[slot];
  sr->SearchHandle = static_cast<int32_t>(slot);
  sr->ExcludeMask = ~attr & kSearchAttributes;

  std::string folder_part;
  std::string mask;
  int32_t folder = start_index;
  if (!SplitPath(path, &folder_part, &mask)) {
    mask = path;
  } else if (folder_part.empty()) {
    folder = IsSeparator(path[0]) ? -1 : start_index;
  } else {
    folder = FindPath(folder_part, start_index);
  }
  if (folder < -1) return kSearchFolderNotFound;

  TFileRec key;
  key.ParentID = folder;
  int32_t p = FindPositionOf(KeyKind::kParent, key, true, false);
  if (p < 0) return kSearchNoMore;
  for (; p < indexed_count_; ++p) {
    const int32_t item_no = parent_index_.Item(p);
    const TFileRec& rec = items_[static_cast<size_t>(item_no)];
    if (rec.ParentID != folder) break;
    if ((rec.Attributes & static_cast<uint32_t>(sr->ExcludeMask)) != 0) continue;
    if (MatchesMask(rec.FileName, mask, true)) list.Add(item_no);
  }
  if (list.Count() == 0) return kSearchNoMore;
  list.SetCursor(0);
  FillSearchRec(list.Item(0), sr);
  return kResultOk;
}

int32_t TDIRArray::FindNext(TSearchRec* sr) {
  const int32_t handle = sr->SearchHandle;
  if (handle < 0 || static_cast<size_t>(handle) >= search_lists_.size()) return kSearchNoMore;
  TIntegerArray* list = search_lists_[static_cast<size_t>(handle)].get();
  if (list == nullptr) return kSearchClosed;
  if (list->Cursor() >= list->Count() - 1) return kSearchNoMore;
  list->SetCursor(list->Cursor() + 1);
  FillSearchRec(list->Item(list->Cursor()), sr);
  return 0;
}

void TDIRArray::FindClose(TSearchRec* sr) {
  const int32_t handle = sr->SearchHandle;
  if (handle < 0 || static_cast<size_t>(handle) >= search_lists_.size()) return;
  search_lists_[static_cast<size_t>(handle)].reset();
}

}  // namespace vor
