// Reading and packing files ahead of the writer that stores them.
//
// Compressing is most of the work of storing files, and the blocks of
// different files are independent: worker threads read and pack the files
// ahead of the writer, while the container itself is only ever touched by
// the writer's thread, in the files' order. The packed bytes are those a
// plain write of each file would give.
//
// With a list of candidate types ("auto"), each worker also chooses the
// file's type (ChooseSmallestType); a file larger than kPackAheadFileLimit
// gets the type chosen for its first kAutoSampleBytes.
#pragma once

#include <cstdint>
#include <vector>

#include "add_plan.h"
#include "container/stream/block_packer.h"
#include "platform/thread.h"

namespace vor::coffer {

// Files up to this size are read and packed whole by the workers; larger
// ones are left to the writer, which copies them in runs of blocks that
// Write packs on several threads.
constexpr int64_t kPackAheadFileLimit = 16 * 1048576;
// Bytes of files that may be read or packed ahead of the writer at once.
constexpr int64_t kPackAheadBudget = 64 * 1048576;
// The leading bytes of a large file that its type is chosen on.
constexpr int64_t kAutoSampleBytes = 2 * 1572864;

// Reads and packs the given files on worker threads, in order, a bounded
// number of bytes ahead of the writer that takes the results.
class PackAhead {
 public:
  struct Result {
    bool packed = false;  // false: the writer copies the file itself
    int64_t bytes = 0;    // bytes read from disk
    uint8_t type = 0;     // the file's compression type (0: the writer copies it)
    std::vector<TPackedBlock> blocks;
  };

  // Packs with `compression`, or, when auto_types is not empty, with the
  // type chosen among them for each file.
  PackAhead(std::vector<const AddItem*> files, uint8_t compression,
            std::vector<uint8_t> auto_types = {});
  ~PackAhead();
  PackAhead(const PackAhead&) = delete;
  PackAhead& operator=(const PackAhead&) = delete;

  // The result for files[index], waiting for it; each index is taken once,
  // in order.
  Result Take(size_t index);

 private:
  struct Slot {
    bool ready = false;
    int64_t cost = 0;
    Result result;
  };

  void Work();
  // Tells the workers to stop and waits for them.
  void Stop();
  static int64_t Cost(const AddItem& item);
  // Reads the whole file and packs it on this thread. Anything unusual (a
  // large file, a read error, a file that grew) leaves it to the writer,
  // whose own copy reports it.
  Result Pack(const AddItem& item) const;
  // The type chosen for a large file from its first bytes.
  Result ChooseFromSample(const AddItem& item) const;

  const std::vector<const AddItem*> files_;
  const uint8_t compression_;
  const std::vector<uint8_t> auto_types_;
  std::vector<Slot> slots_;
  platform::Mutex mutex_;
  platform::ConditionVariable changed_;
  size_t next_ = 0;
  int64_t in_flight_ = 0;
  bool stop_ = false;
  // Last, so that workers a failed constructor leaves behind are waited for
  // before the state they use goes.
  std::vector<platform::Thread> workers_;
};

}  // namespace vor::coffer
