#include "container/store/engine_arrays.h"

#include <algorithm>
#include <string>

namespace vor {

TGrowthRule::TGrowthRule(int32_t grow_step, int32_t shrink_step, int32_t max_step)
    : grow_step_(grow_step), shrink_step_(shrink_step), max_step_(max_step) {}

int32_t TGrowthRule::NewCapacity(int32_t count, int32_t capacity, int32_t n) {
  if (n == 0) return 0;
  if (n > capacity) {
    grow_step_ =
        static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(grow_step_) * 2, max_step_));
    return static_cast<int32_t>(std::min<int64_t>(
        std::max<int64_t>(static_cast<int64_t>(capacity) + grow_step_, n), INT32_MAX));
  }
  if (n < count && shrink_step_ < capacity - n) {
    shrink_step_ =
        static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(shrink_step_) * 2, max_step_));
    return n;
  }
  return capacity;
}

void RaiseArrayCount(const char* where, int64_t count) {
  throw EVorError(std::string(where) + " - invalid count = " + std::to_string(count),
                  ErrorKind::kMisuse);
}

void RaiseArrayIndex(const char* where, int64_t index, int32_t count) {
  throw EVorError(std::string(where) + " - index out of bounds, index = " + std::to_string(index) +
                      ", itemCount = " + std::to_string(count),
                  ErrorKind::kMisuse);
}

// --- TIntegerArray ---

TIntegerArray::TIntegerArray(int32_t count, int32_t grow_step, int32_t max_step)
    : rule_(grow_step, grow_step, max_step) {
  SetCount(count);
}

void TIntegerArray::SetCount(int32_t n) {
  if (n < 0) RaiseArrayCount("TIntegerArray.SetCount", n);
  ResizeByRule(items_, rule_, count_, n);
  count_ = n;
}

void TIntegerArray::CheckIndex(const char* where, int32_t index) const {
  if (index < 0 || index >= count_) RaiseArrayIndex(where, index, count_);
}

int32_t TIntegerArray::Item(int32_t index) const {
  CheckIndex("TIntegerArray.Item", index);
  return items_[static_cast<size_t>(index)];
}

void TIntegerArray::SetItem(int32_t index, int32_t value) {
  CheckIndex("TIntegerArray.SetItem", index);
  items_[static_cast<size_t>(index)] = value;
}

void TIntegerArray::Add(int32_t value) {
  SetCount(count_ + 1);
  items_[static_cast<size_t>(count_ - 1)] = value;
}

void TIntegerArray::Insert(int32_t index, int32_t value) {
  if (index < 0) RaiseArrayIndex("TIntegerArray.Insert", index, count_);
  if (index >= count_) {
    Add(value);
    return;
  }
  SetCount(count_ + 1);
  auto first = items_.begin() + index;
  std::move_backward(first, items_.begin() + (count_ - 1), items_.begin() + count_);
  *first = value;
}

void TIntegerArray::Delete(int32_t index) {
  CheckIndex("TIntegerArray.Delete", index);
  std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
  SetCount(count_ - 1);
}

void TIntegerArray::Relocate(int32_t from, int32_t to) {
  if (from == to) return;
  CheckIndex("TIntegerArray.Relocate", from);
  if (to < 0 || to > count_) RaiseArrayIndex("TIntegerArray.Relocate", to, count_);
  auto it = items_.begin();
  if (from - to == 1 || to - from == 1) {
    // Adjacent: swap. To = Count behind the last item leaves it in place.
    if (to == count_) return;
    std::swap(items_[static_cast<size_t>(from)], items_[static_cast<size_t>(to)]);
  } else if (from > to) {
    std::rotate(it + to, it + from, it + from + 1);
  } else {
    std::rotate(it + from, it + from + 1, it + to);
  }
}

std::vector<int32_t> TIntegerArray::ToVector() const {
  return std::vector<int32_t>(items_.begin(), items_.begin() + count_);
}

// --- TSortedPtrArray helpers ---

int32_t SortedKeyLowerBound(const std::vector<int32_t>& keys, int32_t count, int32_t key) {
  return static_cast<int32_t>(std::lower_bound(keys.begin(), keys.begin() + count, key) -
                              keys.begin());
}

void RaiseSortedDeleteEmpty() {
  throw EVorError("TSortedPtrArray.Delete - no elements in array!", ErrorKind::kMisuse);
}

void RaiseSortedDeleteNotFound(int32_t key, int32_t count) {
  throw EVorError("TSortedPtrArray.Delete - element not found, key = " + std::to_string(key) +
                      ", itemCount = " + std::to_string(count) + "!",
                  ErrorKind::kNotFound);
}

// --- TCFRHeadersArray ---

TCFRHeadersArray::TCFRHeadersArray() : rule_(100, 100, 10000) {}

void TCFRHeadersArray::SetCount(int32_t n) {
  if (n < 0) RaiseArrayCount("TCFRHeadersArray.SetCount", n);
  const int32_t capacity = rule_.NewCapacity(count_, static_cast<int32_t>(keys_.size()), n);
  ResizeStorage(records_, capacity, count_, n);
  ResizeStorage(keys_, capacity, count_, n);
  count_ = n;
}

void TCFRHeadersArray::Add(const TCFRHeaderRecord& record, int64_t key) {
  SetCount(count_ + 1);
  records_[static_cast<size_t>(count_ - 1)] = record;
  keys_[static_cast<size_t>(count_ - 1)] = key;
}

int32_t TCFRHeadersArray::Find(int64_t key) const {
  const auto end = keys_.begin() + count_;
  const auto it = std::upper_bound(keys_.begin(), end, key);
  return it == keys_.begin() ? 0 : static_cast<int32_t>(it - keys_.begin()) - 1;
}

void TCFRHeadersArray::CheckIndex(const char* where, int32_t index) const {
  if (index < 0 || index >= count_) RaiseArrayIndex(where, index, count_);
}

const TCFRHeaderRecord& TCFRHeadersArray::Record(int32_t index) const {
  CheckIndex("TCFRHeadersArray.Record", index);
  return records_[static_cast<size_t>(index)];
}

void TCFRHeadersArray::SetRecord(int32_t index, const TCFRHeaderRecord& record) {
  CheckIndex("TCFRHeadersArray.SetRecord", index);
  records_[static_cast<size_t>(index)] = record;
}

int64_t TCFRHeadersArray::Key(int32_t index) const {
  CheckIndex("TCFRHeadersArray.Key", index);
  return keys_[static_cast<size_t>(index)];
}

void TCFRHeadersArray::SetKey(int32_t index, int64_t key) {
  CheckIndex("TCFRHeadersArray.SetKey", index);
  keys_[static_cast<size_t>(index)] = key;
}

}  // namespace vor
