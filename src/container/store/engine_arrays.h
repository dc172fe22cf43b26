// The engine's small growable arrays.
//
// TIntegerArray    signed 32-bit items (page lists, flag lists, name indexes)
// TSortedPtrArray  signed 32-bit keys in ascending order, one object each
// TCFRHeadersArray 16-byte records with signed 64-bit keys, in added order
//
// All of them keep their capacity by TGrowthRule, the rule the directory's
// array shares. Items and objects are held by value: a TSortedPtrArray of raw
// pointers refers to objects owned elsewhere, one of std::unique_ptr owns
// them. Indexes are checked; a bad index raises EVorError.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "common/error.h"

namespace vor {

// Capacity bookkeeping shared by the engine's arrays.
class TGrowthRule {
 public:
  TGrowthRule(int32_t grow_step, int32_t shrink_step, int32_t max_step);

  // The capacity that results from setting the count from `count` to `n`
  // with the current `capacity`; adjusts the steps as it goes:
  //   n = 0                         -> 0 (storage released)
  //   n > capacity                  -> grow step doubles (up to the largest
  //                                    step); max(capacity + grow step, n)
  //   n < count, shrink step smaller
  //   than capacity - n             -> shrink step doubles (up to the
  //                                    largest step); exactly n
  //   otherwise                     -> capacity unchanged
  int32_t NewCapacity(int32_t count, int32_t capacity, int32_t n);

  int32_t GrowStep() const { return grow_step_; }
  int32_t ShrinkStep() const { return shrink_step_; }
  int32_t MaxStep() const { return max_step_; }

 private:
  int32_t grow_step_;
  int32_t shrink_step_;
  int32_t max_step_;
};

// Resizes `items` (whose size is the capacity) to `new_capacity` slots as the
// count goes from `count` to `n`. Slots that leave use are cleared (an owned
// object is freed at once) and slots that come into use are zero, whether or
// not the capacity changed, so a count that grows never shows old items.
template <class T>
void ResizeStorage(std::vector<T>& items, int32_t new_capacity, int32_t count, int32_t n) {
  for (int32_t i = n; i < count; ++i) items[static_cast<size_t>(i)] = T();
  if (new_capacity == 0) {
    std::vector<T>().swap(items);
    return;
  }
  const int32_t capacity = static_cast<int32_t>(items.size());
  if (new_capacity < capacity) {
    items.resize(static_cast<size_t>(new_capacity));
    items.shrink_to_fit();
  } else if (new_capacity > capacity) {
    items.resize(static_cast<size_t>(new_capacity));
  }
  for (int32_t i = count; i < n; ++i) items[static_cast<size_t>(i)] = T();
}

// The same for an array with a single storage vector.
template <class T>
void ResizeByRule(std::vector<T>& items, TGrowthRule& rule, int32_t count, int32_t n) {
  ResizeStorage(items, rule.NewCapacity(count, static_cast<int32_t>(items.size()), n), count, n);
}

// Raises the engine's error for a bad count or index of the named array.
[[noreturn]] void RaiseArrayCount(const char* where, int64_t count);
[[noreturn]] void RaiseArrayIndex(const char* where, int64_t index, int32_t count);

// A growable array of signed 32-bit integers.
class TIntegerArray {
 public:
  // `count` zero items; grow and shrink steps start at `grow_step`.
  TIntegerArray(int32_t count = 0, int32_t grow_step = 10, int32_t max_step = 100);

  int32_t Count() const { return count_; }
  void SetCount(int32_t n);

  int32_t Item(int32_t index) const;
  void SetItem(int32_t index, int32_t value);
  int32_t operator[](int32_t index) const { return Item(index); }

  // Appends value.
  void Add(int32_t value);
  // Stores value at index, moving the items from index on one place up; an
  // index at or beyond the count appends.
  void Insert(int32_t index, int32_t value);
  // Removes the item at index, moving the later items one place down.
  void Delete(int32_t index);
  // Moves the item at `from` to just in front of the item that is at `to`
  // (`to` counted with the moved item still in place); adjacent positions
  // swap.
  void Relocate(int32_t from, int32_t to);

  // Position of the record last returned by a directory search list.
  int32_t Cursor() const { return cursor_; }
  void SetCursor(int32_t cursor) { cursor_ = cursor; }

  // The items in order (Count() of them).
  std::vector<int32_t> ToVector() const;

 private:
  void CheckIndex(const char* where, int32_t index) const;

  std::vector<int32_t> items_;  // size is the capacity
  int32_t count_ = 0;
  int32_t cursor_ = 0;
  TGrowthRule rule_;
};

// The lower bound of key among keys[0 .. count - 1] (ascending): the position
// of key if present, otherwise of the first greater key, count if none.
int32_t SortedKeyLowerBound(const std::vector<int32_t>& keys, int32_t count, int32_t key);
[[noreturn]] void RaiseSortedDeleteEmpty();
[[noreturn]] void RaiseSortedDeleteNotFound(int32_t key, int32_t count);

// Signed 32-bit keys in ascending order, each with an object of type V (a
// raw pointer, which the array never frees, or an owning smart pointer).
template <class V>
class TSortedPtrArray {
 public:
  using Object = typename std::pointer_traits<V>::element_type;

  TSortedPtrArray(int32_t count = 0, int32_t grow_step = 10, int32_t max_step = 25)
      : rule_(grow_step, grow_step, max_step) {
    SetCount(count);
  }

  int32_t Count() const { return count_; }
  void SetCount(int32_t n) {
    if (n < 0) RaiseArrayCount("TSortedPtrArray.SetCount", n);
    const int32_t capacity = rule_.NewCapacity(count_, static_cast<int32_t>(keys_.size()), n);
    ResizeStorage(keys_, capacity, count_, n);
    ResizeStorage(objects_, capacity, count_, n);
    count_ = n;
  }

  // Inserts in key order and returns the position. An equal key goes in
  // front of the present one, except with a single element, where a key
  // equal to it goes behind.
  int32_t Add(int32_t key, V object) {
    int32_t pos;
    if (count_ == 0) {
      pos = 0;
    } else if (count_ == 1) {
      pos = key >= keys_[0] ? 1 : 0;
    } else {
      pos = SortedKeyLowerBound(keys_, count_, key);
    }
    InsertAt(pos, key, std::move(object));
    return pos;
  }

  // Position of key, -1 when absent.
  int32_t IndexOf(int32_t key) const {
    const int32_t pos = SortedKeyLowerBound(keys_, count_, key);
    return pos < count_ && keys_[static_cast<size_t>(pos)] == key ? pos : -1;
  }

  // The object stored with key, null when absent.
  Object* Find(int32_t key) const {
    const int32_t pos = IndexOf(key);
    return pos < 0 ? nullptr : ObjectAt(pos);
  }

  void InsertAt(int32_t pos, int32_t key, V object) {
    if (pos < 0 || pos > count_) RaiseArrayIndex("TSortedPtrArray.InsertAt", pos, count_);
    SetCount(count_ + 1);
    for (int32_t i = count_ - 1; i > pos; --i) {
      keys_[static_cast<size_t>(i)] = keys_[static_cast<size_t>(i - 1)];
      objects_[static_cast<size_t>(i)] = std::move(objects_[static_cast<size_t>(i - 1)]);
    }
    keys_[static_cast<size_t>(pos)] = key;
    objects_[static_cast<size_t>(pos)] = std::move(object);
  }

  void DeleteAt(int32_t pos) { Extract(pos); }

  // Removes the element at pos and hands its object back.
  V Extract(int32_t pos) {
    CheckIndex("TSortedPtrArray.DeleteAt", pos);
    V object = std::move(objects_[static_cast<size_t>(pos)]);
    for (int32_t i = pos; i + 1 < count_; ++i) {
      keys_[static_cast<size_t>(i)] = keys_[static_cast<size_t>(i + 1)];
      objects_[static_cast<size_t>(i)] = std::move(objects_[static_cast<size_t>(i + 1)]);
    }
    SetCount(count_ - 1);
    return object;
  }

  // Removes the element with key. An empty array and an absent key raise;
  // unlike a plain position delete, a single element is removed only when
  // its key matches.
  void Delete(int32_t key) {
    if (count_ == 0) RaiseSortedDeleteEmpty();
    const int32_t pos = IndexOf(key);
    if (pos < 0) RaiseSortedDeleteNotFound(key, count_);
    DeleteAt(pos);
  }

  // Raises LastKey by one and returns it: 0, 1, 2, ...
  int32_t NextKey() { return ++last_key_; }
  int32_t LastKey() const { return last_key_; }

  int32_t Key(int32_t pos) const {
    CheckIndex("TSortedPtrArray.Key", pos);
    return keys_[static_cast<size_t>(pos)];
  }
  Object* ObjectAt(int32_t pos) const {
    CheckIndex("TSortedPtrArray.Object", pos);
    const V& v = objects_[static_cast<size_t>(pos)];
    return v ? &*v : nullptr;
  }

 private:
  void CheckIndex(const char* where, int32_t pos) const {
    if (pos < 0 || pos >= count_) RaiseArrayIndex(where, pos, count_);
  }

  std::vector<int32_t> keys_;
  std::vector<V> objects_;
  int32_t count_ = 0;
  int32_t last_key_ = -1;
  TGrowthRule rule_;
};

// One 16-byte record of the block stream's index.
using TCFRHeaderRecord = std::array<uint8_t, 16>;

// 16-byte records paired with signed 64-bit keys, kept in the order added
// (callers add them in ascending key order).
class TCFRHeadersArray {
 public:
  TCFRHeadersArray();

  int32_t Count() const { return count_; }
  void SetCount(int32_t n);

  // Appends the pair.
  void Add(const TCFRHeaderRecord& record, int64_t key);

  // Index of the last pair whose key is <= key; 0 when the array is empty or
  // every key is greater.
  int32_t Find(int64_t key) const;

  const TCFRHeaderRecord& Record(int32_t index) const;
  void SetRecord(int32_t index, const TCFRHeaderRecord& record);
  int64_t Key(int32_t index) const;
  void SetKey(int32_t index, int64_t key);

 private:
  void CheckIndex(const char* where, int32_t index) const;

  std::vector<TCFRHeaderRecord> records_;
  std::vector<int64_t> keys_;
  int32_t count_ = 0;
  TGrowthRule rule_;
};

}  // namespace vor
