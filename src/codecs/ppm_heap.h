// Model memory of the PPM codec.
//
// One zero-filled allocation of MemoryMB MiB, carved into 12-byte units. The
// first 196,608 bytes are a reserve area; unit blocks are taken upwards from
// its end (LowMark), context records downwards from the top (HighMark). Blocks
// come in 38 size classes and released blocks wait on one singly linked free
// list per class, linked through their first four bytes.
//
// Places in the heap are 32-bit references: byte offsets into the storage,
// whose first unit is never handed out, so that 0 means "none". Using offsets
// instead of native pointers keeps the layout, and with it the moment the
// memory runs out and the model restarts, the same on 32- and 64-bit hosts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace vor {

// Units of each size class (1, 2, 3, 4, 6, 8, 10, 12, 15, 18, 21, 24, then 28
// to 128 in steps of 4) and, for n = 1 to 128, the smallest class holding n.
struct PpmClassTables {
  uint8_t units_of_class[38];
  uint8_t class_of_units[128];
  constexpr PpmClassTables() : units_of_class(), class_of_units() {
    int units = 0;
    for (int cls = 0; cls < 38; ++cls) {
      units += cls < 4 ? 1 : cls < 8 ? 2 : cls < 12 ? 3 : 4;
      units_of_class[cls] = static_cast<uint8_t>(units);
    }
    int cls = 0;
    for (int n = 1; n <= 128; ++n) {
      if (units_of_class[cls] < n) ++cls;
      class_of_units[n - 1] = static_cast<uint8_t>(cls);
    }
  }
};
inline constexpr PpmClassTables kPpmClassTables{};

class PpmHeap {
 public:
  static constexpr uint32_t kUnitSize = 12;
  static constexpr int kClassCount = 38;
  static constexpr uint32_t kReserveSize = 196608;
  static constexpr uint32_t kReserveBlockUnits = 128;
  // References are offsets from the storage start; the heap itself begins one
  // unit in, so that no block or record can have the reference 0.
  static constexpr uint32_t kHeapStart = kUnitSize;

  static int UnitsOfClass(int cls) { return kPpmClassTables.units_of_class[cls]; }
  static int ClassOfUnits(int n) { return kPpmClassTables.class_of_units[n - 1]; }

  PpmHeap() = default;
  PpmHeap(const PpmHeap&) = delete;
  PpmHeap& operator=(const PpmHeap&) = delete;

  // Allocates memory_mb MiB (1 to 256), zero-filled. False when it cannot be
  // had; nothing is thrown.
  bool Allocate(int memory_mb);

  // Empties the free lists, takes the reserve area back and sets both marks.
  void Reset();

  uint8_t* base() const { return base_; }
  // True when ref lies inside the heap together with the given byte count.
  bool Contains(uint32_t ref, uint32_t bytes) const {
    return ref >= kHeapStart && ref <= end_ && bytes <= end_ - ref;
  }

  // A block of n units (1 to 128), or 0 when the memory is exhausted.
  uint32_t AllocateUnits(int n) {
    int cls = ClassOfUnits(n);
    if (free_lists_[cls] != 0) return Pop(cls);
    uint32_t bytes = kUnitSize * static_cast<uint32_t>(UnitsOfClass(cls));
    if (high_mark_ - low_mark_ >= bytes) {
      uint32_t block = low_mark_;
      low_mark_ += bytes;
      return block;
    }
    return AllocateUnitsRare(cls);
  }

  // A 12-byte context record, taken from the top while the marks have not
  // met, else one unit from the lists. 0 when the memory is exhausted.
  uint32_t AllocateContextRecord() {
    if (high_mark_ != low_mark_) {
      high_mark_ -= kUnitSize;
      return high_mark_;
    }
    return AllocateUnits(1);
  }

  // Makes room for n + 1 units in a block of n units: the block itself when
  // its class holds them, else a new block holding the old bytes (the old
  // block is released). 0 when the memory is exhausted (the block stays).
  uint32_t GrowUnits(uint32_t block, int n);

  // Shrinks a block of old_n units to new_n units, moving it to a free block
  // of the smaller class when one is waiting, else splitting off the tail.
  uint32_t ShrinkBlock(uint32_t block, int old_n, int new_n);

  void ReleaseUnits(uint32_t block, int n) { Push(block, ClassOfUnits(n)); }

  // Inspection for tests.
  uint32_t low_mark() const { return low_mark_; }
  uint32_t high_mark() const { return high_mark_; }
  bool reserve_released() const { return reserve_released_; }
  uint32_t free_list_head(int cls) const { return free_lists_[cls]; }

 private:
  struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
  };

  uint32_t LoadLink(uint32_t block) const;
  void StoreLink(uint32_t block, uint32_t link);
  void Push(uint32_t block, int cls) {
    StoreLink(block, free_lists_[cls]);
    free_lists_[cls] = block;
  }
  uint32_t Pop(int cls) {
    uint32_t block = free_lists_[cls];
    free_lists_[cls] = LoadLink(block);
    return block;
  }
  uint32_t AllocateUnitsRare(int cls);
  void SplitBlock(uint32_t block, int from_class, int to_class);

  std::unique_ptr<uint8_t, FreeDeleter> storage_;
  uint8_t* base_ = nullptr;
  uint32_t size_ = 0;  // heap bytes, MemoryMB x 1 MiB
  uint32_t end_ = 0;   // reference one past the last heap byte
  uint32_t low_mark_ = 0;
  uint32_t high_mark_ = 0;
  bool reserve_released_ = false;
  uint32_t free_lists_[kClassCount] = {};
};

}  // namespace vor
