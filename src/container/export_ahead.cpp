// The export's read-ahead: stored blocks read on the export's thread,
// unpacked on one worker.
#include "container/export_ahead.h"

#include <algorithm>
#include <utility>

#include "platform/platform_error.h"

namespace vor {

namespace {

// Takes a block stream's progress event away for a scope: the plain reads
// below run inside a copy whose reports are made by TExportAhead itself.
class SilentScope {
 public:
  explicit SilentScope(TCFRAdvancedFileStream& blocks)
      : blocks_(blocks), saved_(blocks.OnProgress()) {
    blocks_.SetOnProgress(nullptr);
  }
  ~SilentScope() { blocks_.SetOnProgress(std::move(saved_)); }
  SilentScope(const SilentScope&) = delete;
  SilentScope& operator=(const SilentScope&) = delete;

 private:
  TCFRAdvancedFileStream& blocks_;
  TCFRAdvancedFileStream::ProgressEvent saved_;
};

}  // namespace

TExportAhead::TExportAhead(size_t count, Opener opener, int64_t byte_bound, int32_t file_bound,
                           int32_t threads)
    : count_(count),
      opener_(std::move(opener)),
      byte_bound_(byte_bound),
      file_bound_(file_bound > 0 ? static_cast<size_t>(file_bound) : 0) {
  if (count_ == 0 || byte_bound_ <= 0 || file_bound_ == 0) return;
  for (int32_t t = 0; t < std::max(threads, 1); ++t) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const platform::EPlatformError&) {
      // No more threads to be had; with none, every file is copied in its
      // turn, as without read-ahead.
      break;
    }
  }
}

TExportAhead::~TExportAhead() {
  {
    platform::MutexLock lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  work_.NotifyAll();
  for (platform::Thread& worker : workers_) worker.Join();
}

TCFRFileStream* TExportAhead::Open(size_t index) {
  while (!slots_.empty() && first_ < index) DropFront();
  if (slots_.empty()) {
    first_ = index;
    cursor_ = 0;
    slots_.emplace_back();
  }
  Slot& slot = slots_.front();
  if (!slot.opened || slot.open_failed) {
    // Not opened ahead, or its opening failed then: opened now, so that a
    // failure raises in its turn.
    slot.opened = true;
    slot.open_failed = false;
    slot.stream = opener_(index, false);
  }
  TopUp();
  return slot.stream.get();
}

void TExportAhead::Save(TStream& dest) {
  Slot& slot = slots_.front();
  TCFRAdvancedFileStream& blocks = slot.stream->BlockStream();
  if (blocks.PassThrough()) {
    // Stored without blocks: nothing to unpack.
    blocks.SaveToStream(dest);
    return;
  }
  Report(blocks, 0);
  const int64_t total = blocks.Size();
  int64_t copied = 0;
  // Every block but the last holds BlockSize bytes (the stream's headers are
  // checked when it is opened), so block k is the plain copy's chunk k.
  for (int32_t k = 0; k < blocks.BlockCount(); ++k) {
    const int32_t n = static_cast<int32_t>(blocks.BlockHeader(k).UncompressedSize);
    std::shared_ptr<Task> task;
    if (static_cast<size_t>(k) < slot.tasks.size()) task = std::move(slot.tasks[k]);
    std::vector<uint8_t> data;
    if (task) {
      Await(*task);
      in_flight_ -= n;
      if (!task->failure && task->data.size() == static_cast<size_t>(n)) {
        data = std::move(task->data);
      } else {
        // The first attempt failed ahead; the plain copy's second one is
        // made now and raises as that would.
        data.resize(static_cast<size_t>(n));
        ReadPlain(blocks, copied, n, data.data(), false);
      }
    } else {
      data.resize(static_cast<size_t>(n));
      ReadPlain(blocks, copied, n, data.data(), true);
    }
    // More work for the worker while this chunk goes to disk.
    TopUp();
    dest.WriteBuffer(data.data(), n);
    copied += n;
    Report(blocks, 100.0 * static_cast<double>(copied) / static_cast<double>(total));
  }
  Report(blocks, 100);
}

void TExportAhead::TopUp() {
  if (workers_.empty()) return;
  // Refilled in batches, once half of the bytes and files ahead are taken:
  // fewer wake-ups of the workers, fewer waits for them.
  if (in_flight_ > byte_bound_ / 2 || cursor_ > file_bound_ / 2) return;
  int queued_blocks = 0;
  while (first_ + cursor_ < count_ && cursor_ <= file_bound_) {
    if (cursor_ == slots_.size()) slots_.emplace_back();
    Slot& slot = slots_[cursor_];
    if (!slot.opened) {
      slot.opened = true;
      try {
        slot.stream = opener_(first_ + cursor_, true);
      } catch (const std::exception&) {
        // Opened again in its turn, which raises there.
        slot.open_failed = true;
      }
    }
    const Queued queued = QueueBlock(slot);
    if (queued == Queued::kFull) break;
    if (queued == Queued::kSlotDone) ++cursor_;
    if (queued == Queued::kBlock) ++queued_blocks;
  }
  if (queued_blocks == 0) return;
  platform::MutexLock lock(mutex_);
  if (idle_workers_ == 0) return;
  if (queued_blocks == 1) {
    work_.NotifyOne();
  } else {
    work_.NotifyAll();
  }
}

TExportAhead::Queued TExportAhead::QueueBlock(Slot& slot) {
  if (!slot.stream || slot.read_failed) return Queued::kSlotDone;
  TCFRAdvancedFileStream& blocks = slot.stream->BlockStream();
  if (blocks.PassThrough() || slot.next_block >= blocks.BlockCount()) return Queued::kSlotDone;
  const int64_t cost = blocks.BlockHeader(slot.next_block).UncompressedSize;
  if (in_flight_ > 0 && in_flight_ + cost > byte_bound_) return Queued::kFull;
  auto task = std::make_shared<Task>();
  try {
    blocks.ReadPackedBlock(slot.next_block, &task->header, &task->packed);
  } catch (const std::exception&) {
    // This block and the ones after it are read in their turn.
    slot.read_failed = true;
    return Queued::kSlotDone;
  }
  task->compression = blocks.Compression();
  in_flight_ += cost;
  slot.tasks.push_back(task);
  ++slot.next_block;
  platform::MutexLock lock(mutex_);
  queue_.push_back(std::move(task));
  return Queued::kBlock;
}

void TExportAhead::DropFront() {
  Slot& slot = slots_.front();
  {
    platform::MutexLock lock(mutex_);
    for (const std::shared_ptr<Task>& task : slot.tasks) {
      if (task) task->cancelled = true;
    }
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [](const std::shared_ptr<Task>& task) { return task->cancelled; }),
                 queue_.end());
  }
  for (const std::shared_ptr<Task>& task : slot.tasks) {
    if (task) in_flight_ -= task->header.UncompressedSize;
  }
  slots_.pop_front();
  ++first_;
  if (cursor_ > 0) --cursor_;
}

void TExportAhead::Await(Task& task) {
  platform::MutexLock lock(mutex_);
  if (!task.started) {
    // No worker has it yet: unpacked here rather than waited for.
    task.started = true;
    queue_.erase(std::find_if(queue_.begin(), queue_.end(),
                              [&](const std::shared_ptr<Task>& t) { return t.get() == &task; }));
    lock.Release();
    Unpack(task);
    return;
  }
  ++waiting_;
  done_.Wait(lock, [&] { return task.done; });
  --waiting_;
}

void TExportAhead::Unpack(Task& task) {
  std::vector<uint8_t> data;
  std::exception_ptr failure;
  try {
    platform::MutexLock model(large_model_, task.compression == 3 || task.compression == 4);
    data = TCFRAdvancedFileStream::UnpackBlock(task.header, task.packed.data(), task.compression);
  } catch (...) {
    failure = std::current_exception();
  }
  platform::MutexLock lock(mutex_);
  task.data = std::move(data);
  task.failure = failure;
  task.packed = std::vector<uint8_t>();
  task.done = true;
  if (waiting_ > 0) done_.NotifyAll();
}

void TExportAhead::Work() {
  while (true) {
    std::shared_ptr<Task> task;
    {
      platform::MutexLock lock(mutex_);
      ++idle_workers_;
      work_.Wait(lock, [&] { return stop_ || !queue_.empty(); });
      --idle_workers_;
      if (stop_) return;
      task = std::move(queue_.front());
      queue_.pop_front();
      task->started = true;
    }
    Unpack(*task);
  }
}

void TExportAhead::Report(TCFRAdvancedFileStream& blocks, double percent) {
  if (blocks.OnProgress()) blocks.OnProgress()(blocks, percent);
}

void TExportAhead::ReadPlain(TCFRAdvancedFileStream& blocks, int64_t offset, int32_t count,
                             uint8_t* data, bool retry) {
  SilentScope silent(blocks);
  platform::MutexLock model(large_model_, blocks.Compression() == 3 || blocks.Compression() == 4);
  blocks.Seek(offset, 0);
  if (!retry) {
    blocks.ReadBuffer(data, count);
    return;
  }
  try {
    blocks.ReadBuffer(data, count);
  } catch (const std::exception&) {
    blocks.Seek(offset, 0);
    blocks.ReadBuffer(data, count);
  }
}

}  // namespace vor
