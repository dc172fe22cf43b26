// TExportAhead: unpacks the blocks of the files an export is about to write
// on a worker thread, while the export writes the current file.
//
// The export's own thread keeps doing every step in its order: it reads the
// stored blocks (the container is only ever touched by that thread), creates
// folders and files, asks questions and reports progress. Between two
// chunks of the file it writes, it reads the stored blocks of the following
// blocks and files and queues them; the workers (one unless asked for
// more) only decompress and check them. What is queued is bounded: at most a number of bytes of
// unpacked data (a block more when the queue is empty) and a number of files ahead, so a file
// larger than the bound is streamed block by block.
//
// Nothing that fails ahead is reported ahead: a file that cannot be opened
// or a block that cannot be read or unpacked is read again by the plain
// path when its turn comes, which raises the same error at the same point
// (or succeeds, as the plain copy's one retry of a chunk would).
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "container/stream/block_stream.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "platform/thread.h"

namespace vor {

class TExportAhead {
 public:
  // Opens the stored file of item index for reading; null for an item that
  // has no content to read ahead (a folder, a file that only the caller
  // opens). ahead is true when it is opened before its turn: nothing may be
  // asked then (a password of the file's own, for one).
  using Opener = std::function<std::unique_ptr<TCFRFileStream>(size_t index, bool ahead)>;

  // count items, opened by opener in their order, unpacked on threads
  // workers. A byte_bound or file_bound of 0 reads nothing ahead.
  TExportAhead(size_t count, Opener opener, int64_t byte_bound, int32_t file_bound,
               int32_t threads = 1);
  // Stops the workers (each finishes at most the block it is unpacking) and
  // closes the files opened ahead.
  ~TExportAhead();
  TExportAhead(const TExportAhead&) = delete;
  TExportAhead& operator=(const TExportAhead&) = delete;

  // Makes item index the current one (the items before it are dropped) and
  // returns its stream: the one opened ahead, or one opened now; null when
  // the opener gives none. An opening that fails now raises.
  TCFRFileStream* Open(size_t index);

  // Copies the whole content of the current item's stream (from Open) to
  // dest exactly as TCFRAdvancedFileStream::SaveToStream does (the same
  // bytes, the same progress reports, the same errors), taking the blocks
  // unpacked ahead.
  void Save(TStream& dest);

 private:
  struct Task {
    TCFRBlockHeader header;
    std::vector<uint8_t> packed;
    uint8_t compression = 0;
    bool started = false;  // taken by a worker, or by Await
    bool done = false;
    bool cancelled = false;
    std::vector<uint8_t> data;
    std::exception_ptr failure;
  };
  struct Slot {
    bool opened = false;
    bool open_failed = false;
    std::unique_ptr<TCFRFileStream> stream;
    // Blocks before next_block are queued (tasks[k] is block k); a read
    // failure ahead leaves the rest to the plain path.
    int32_t next_block = 0;
    bool read_failed = false;
    std::vector<std::shared_ptr<Task>> tasks;
  };

  enum class Queued { kBlock, kSlotDone, kFull };

  // Opens files and queues blocks ahead, within the bounds.
  void TopUp();
  // Reads the slot's next block and queues it.
  Queued QueueBlock(Slot& slot);
  // Drops the slot at the front (the oldest item).
  void DropFront();
  // Waits for a queued task's result, or unpacks it on this thread when no
  // worker has taken it yet.
  void Await(Task& task);
  // Unpacks a task's block and stores the result (or the failure).
  void Unpack(Task& task);
  void Work();
  void Report(TCFRAdvancedFileStream& blocks, double percent);
  // count bytes at offset of the current item, read and unpacked by the
  // block stream itself without progress reports; retry: one more attempt
  // when the first fails, as the plain copy makes.
  void ReadPlain(TCFRAdvancedFileStream& blocks, int64_t offset, int32_t count, uint8_t* data,
                 bool retry);

  const size_t count_;
  Opener opener_;
  const int64_t byte_bound_;
  const size_t file_bound_;

  // slots_[0] is item first_, the current one once Open has been called;
  // slots_[cursor_] is the one being read ahead.
  std::deque<Slot> slots_;
  size_t first_ = 0;
  size_t cursor_ = 0;
  int64_t in_flight_ = 0;  // unpacked bytes queued or waiting to be taken

  platform::Mutex mutex_;
  platform::ConditionVariable work_;  // for the workers: the queue or stop_ changed
  platform::ConditionVariable done_;  // for Await: a task is done
  std::deque<std::shared_ptr<Task>> queue_;
  int idle_workers_ = 0;
  int waiting_ = 0;
  bool stop_ = false;
  // Held while a block of type 3 or 4 is unpacked: their PPM models take 25
  // and 50 MiB, one at a time keeps the memory bound.
  platform::Mutex large_model_;
  std::vector<platform::Thread> workers_;
};

}  // namespace vor
