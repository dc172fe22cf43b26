// The pack-ahead workers.
#include "pack_ahead.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "container/stream/stream.h"

namespace vor::coffer {

PackAhead::PackAhead(std::vector<const AddItem*> files, uint8_t compression)
    : files_(std::move(files)), compression_(compression), slots_(files_.size()) {
  const int32_t threads = std::max(BlockPackingThreads(), 1);
  for (int32_t t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
}

PackAhead::~PackAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

PackAhead::Result PackAhead::Take(size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return slots_[index].ready; });
  Result result = std::move(slots_[index].result);
  in_flight_ -= slots_[index].cost;
  slots_[index] = Slot();
  lock.unlock();
  changed_.notify_all();
  return result;
}

void PackAhead::Work() {
  while (true) {
    size_t index;
    int64_t cost;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] {
        return stop_ || next_ >= files_.size() || in_flight_ == 0 ||
               in_flight_ + Cost(*files_[next_]) <= kPackAheadBudget;
      });
      if (stop_ || next_ >= files_.size()) return;
      index = next_++;
      cost = Cost(*files_[index]);
      in_flight_ += cost;
    }
    Result result = Pack(*files_[index]);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slots_[index].cost = cost;
      slots_[index].result = std::move(result);
      slots_[index].ready = true;
    }
    changed_.notify_all();
  }
}

int64_t PackAhead::Cost(const AddItem& item) {
  return item.size <= kPackAheadFileLimit ? item.size : 0;
}

PackAhead::Result PackAhead::Pack(const AddItem& item) const {
  Result result;
  if (item.size > kPackAheadFileLimit) return result;
  try {
    std::vector<uint8_t> data(static_cast<size_t>(item.size) + 1);
    TDiskFileStream source(item.disk_path, TDiskFileMode::kOpenRead);
    int64_t got = 0;
    while (got < static_cast<int64_t>(data.size())) {
      const int32_t n = source.Read(data.data() + got, static_cast<int32_t>(data.size() - got));
      if (n < 0) return result;
      if (n == 0) break;
      got += n;
    }
    if (got > item.size) return result;  // it grew: the writer copies it as it is now
    if (got > 0 && !PackContent(data.data(), got, compression_, &result.blocks, 1)) {
      return Result();
    }
    result.bytes = got;
    result.packed = true;
  } catch (const std::exception&) {
    return Result();
  }
  return result;
}

}  // namespace vor::coffer
