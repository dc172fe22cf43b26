// Model memory of the PPM codec: allocation, size classes and free lists.
#include "codecs/ppm_heap.h"

#include <cstring>

#include "common/coding.h"

namespace vor {

bool PpmHeap::Allocate(int memory_mb) {
  storage_.reset();
  base_ = nullptr;
  if (memory_mb < 1 || memory_mb > 256) return false;
  size_ = static_cast<uint32_t>(memory_mb) << 20;
  // calloc: the operating system hands out zeroed pages lazily, so a large
  // heap costs only what the model touches.
  storage_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(kHeapStart) + size_, 1)));
  if (!storage_) return false;
  base_ = storage_.get();
  end_ = kHeapStart + size_;
  Reset();
  return true;
}

void PpmHeap::Reset() {
  for (uint32_t& head : free_lists_) head = 0;
  reserve_released_ = false;
  low_mark_ = kHeapStart + kReserveSize;
  high_mark_ = kHeapStart + kUnitSize * (size_ / kUnitSize);
}

uint32_t PpmHeap::LoadLink(uint32_t block) const {
  uint32_t link = DecodeFixed32(base_ + block);
  // A link always names a released block; anything else ends the list rather
  // than leading outside the heap.
  return Contains(link, kUnitSize) ? link : 0;
}

void PpmHeap::StoreLink(uint32_t block, uint32_t link) { EncodeFixed32(base_ + block, link); }

void PpmHeap::SplitBlock(uint32_t block, int from_class, int to_class) {
  int diff = UnitsOfClass(from_class) - UnitsOfClass(to_class);
  uint32_t p = block + kUnitSize * static_cast<uint32_t>(UnitsOfClass(to_class));
  int cls = ClassOfUnits(diff);
  if (UnitsOfClass(cls) != diff) {
    --cls;
    Push(p, cls);
    p += kUnitSize * static_cast<uint32_t>(UnitsOfClass(cls));
    diff -= UnitsOfClass(cls);
  }
  Push(p, ClassOfUnits(diff));
}

uint32_t PpmHeap::AllocateUnitsRare(int cls) {
  if (!reserve_released_) {
    for (uint32_t i = 0; i < kReserveSize / (kUnitSize * kReserveBlockUnits); ++i) {
      Push(kHeapStart + i * kUnitSize * kReserveBlockUnits, kClassCount - 1);
    }
    reserve_released_ = true;
  }
  // The requested class itself is not looked at again.
  int from = cls;
  do {
    if (++from == kClassCount) return 0;
  } while (free_lists_[from] == 0);
  uint32_t block = Pop(from);
  SplitBlock(block, from, cls);
  return block;
}

uint32_t PpmHeap::GrowUnits(uint32_t block, int n) {
  int old_class = ClassOfUnits(n);
  if (old_class == ClassOfUnits(n + 1)) return block;
  uint32_t grown = AllocateUnits(n + 1);
  if (grown == 0) return 0;
  std::memcpy(base_ + grown, base_ + block, kUnitSize * UnitsOfClass(old_class));
  Push(block, old_class);
  return grown;
}

uint32_t PpmHeap::ShrinkBlock(uint32_t block, int old_n, int new_n) {
  int old_class = ClassOfUnits(old_n);
  int new_class = ClassOfUnits(new_n);
  if (old_class == new_class) return block;
  if (free_lists_[new_class] != 0) {
    uint32_t moved = Pop(new_class);
    std::memcpy(base_ + moved, base_ + block, kUnitSize * UnitsOfClass(new_class));
    Push(block, old_class);
    return moved;
  }
  SplitBlock(block, old_class, new_class);
  return block;
}

}  // namespace vor
