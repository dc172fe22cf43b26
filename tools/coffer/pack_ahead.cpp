// The pack-ahead workers.
#include "pack_ahead.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "container/stream/stream.h"
#include "container/stream/type_choice.h"

namespace vor::coffer {

PackAhead::PackAhead(std::vector<const AddItem*> files, uint8_t compression,
                     std::vector<uint8_t> auto_types)
    : files_(std::move(files)),
      compression_(compression),
      auto_types_(std::move(auto_types)),
      slots_(files_.size()) {
  const int32_t threads = std::max(BlockPackingThreads(), 1);
  workers_.reserve(static_cast<size_t>(threads));
  try {
    for (int32_t t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();  // the workers already started would wait for a writer forever
    throw;
  }
}

PackAhead::~PackAhead() { Stop(); }

void PackAhead::Stop() {
  {
    platform::MutexLock lock(mutex_);
    stop_ = true;
  }
  changed_.NotifyAll();
  for (platform::Thread& worker : workers_) worker.Join();
}

PackAhead::Result PackAhead::Take(size_t index) {
  platform::MutexLock lock(mutex_);
  changed_.Wait(lock, [&] { return slots_[index].ready; });
  Result result = std::move(slots_[index].result);
  in_flight_ -= slots_[index].cost;
  slots_[index] = Slot();
  lock.Release();
  changed_.NotifyAll();
  return result;
}

void PackAhead::Work() {
  while (true) {
    size_t index;
    int64_t cost;
    {
      platform::MutexLock lock(mutex_);
      changed_.Wait(lock, [&] {
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
      platform::MutexLock lock(mutex_);
      slots_[index].cost = cost;
      slots_[index].result = std::move(result);
      slots_[index].ready = true;
    }
    changed_.NotifyAll();
  }
}

int64_t PackAhead::Cost(const AddItem& item) {
  return item.size <= kPackAheadFileLimit ? item.size : 0;
}

namespace {

// Reads up to `limit` bytes from the start of the file into *data; -1 when it
// cannot be read.
int64_t ReadStart(const std::string& path, int64_t limit, std::vector<uint8_t>* data) {
  data->resize(static_cast<size_t>(limit));
  TDiskFileStream source(path, TDiskFileMode::kOpenRead);
  int64_t got = 0;
  while (got < limit) {
    const int32_t n = source.Read(data->data() + got, static_cast<int32_t>(limit - got));
    if (n < 0) return -1;
    if (n == 0) break;
    got += n;
  }
  return got;
}

}  // namespace

PackAhead::Result PackAhead::Pack(const AddItem& item) const {
  Result result;
  if (item.size > kPackAheadFileLimit) return ChooseFromSample(item);
  try {
    std::vector<uint8_t> data;
    const int64_t got = ReadStart(item.disk_path, item.size + 1, &data);
    if (got < 0) return Result();
    // It grew: the writer copies it as it is now.
    if (got > item.size) return auto_types_.empty() ? Result() : ChooseFromSample(item);
    if (!auto_types_.empty()) {
      TTypeChoice choice = ChooseSmallestType(data.data(), got, auto_types_, 1);
      result.type = choice.type;
      if (choice.type == 0) return result;  // the writer copies it without compression
      result.blocks = std::move(choice.blocks);
    } else {
      result.type = compression_;
      if (got > 0 && !PackContent(data.data(), got, compression_, &result.blocks, 1)) {
        return Result();
      }
    }
    result.bytes = got;
    result.packed = true;
  } catch (const std::exception&) {
    return Result();
  }
  return result;
}

PackAhead::Result PackAhead::ChooseFromSample(const AddItem& item) const {
  Result result;
  if (auto_types_.empty()) return result;
  try {
    std::vector<uint8_t> data;
    const int64_t got = ReadStart(item.disk_path, kAutoSampleBytes, &data);
    if (got > 0) result.type = ChooseSmallestType(data.data(), got, auto_types_, 1).type;
  } catch (const std::exception&) {
    result.type = 0;  // the writer's own copy reports what is wrong with the file
  }
  return result;
}

}  // namespace vor::coffer
