// Block packing on a small set of threads.
#include "container/stream/block_packer.h"

#include <algorithm>
#include <atomic>
#include <exception>

#include "codecs/compression.h"
#include "crypto/checksum.h"
#include "platform/thread.h"

namespace vor {

namespace {

std::atomic<int32_t> g_threads{0};

void PackOne(TBlockPackJob& job, uint8_t compression) {
  job.ok = false;
  job.header.UncompressedSize = static_cast<uint32_t>(job.size);
  job.header.Checksum = ComputeChecksum(job.data, job.size, ChecksumCrc16);
  try {
    job.ok = PrepareBuffer(job.data, job.size, &job.packed, compression);
  } catch (const std::exception&) {
    // Only an allocation can raise here; it counts as a codec failure.
    job.packed = std::vector<uint8_t>();
  }
  job.header.CompressedSize = static_cast<uint32_t>(job.packed.size());
}

}  // namespace

void SetBlockPackingThreads(int32_t threads) { g_threads = std::max(threads, 0); }

int32_t BlockPackingThreads() {
  const int32_t set = g_threads;
  if (set > 0) return set;
  return platform::ProcessorCount();
}

bool PackBlockJobs(std::vector<TBlockPackJob>& jobs, uint8_t compression, int32_t threads_wanted) {
  const int32_t limit = threads_wanted > 0 ? threads_wanted : BlockPackingThreads();
  const size_t threads = std::min(jobs.size(), static_cast<size_t>(std::max(limit, 1)));
  if (threads <= 1) {
    for (TBlockPackJob& job : jobs) PackOne(job, compression);
  } else {
    // Jobs are taken in order from a shared counter; the calling thread
    // works too.
    std::atomic<size_t> next{0};
    auto work = [&jobs, &next, compression] {
      for (size_t i = next++; i < jobs.size(); i = next++) PackOne(jobs[i], compression);
    };
    std::vector<platform::Thread> helpers;
    helpers.reserve(threads - 1);
    try {
      for (size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::exception&) {
      // Fewer helpers than wanted: the ones started and this thread finish.
    }
    work();
    for (platform::Thread& helper : helpers) helper.Join();
  }
  return std::all_of(jobs.begin(), jobs.end(), [](const TBlockPackJob& j) { return j.ok; });
}

bool PackContent(const uint8_t* data, int64_t size, uint8_t compression,
                 std::vector<TPackedBlock>* blocks, int32_t threads) {
  blocks->clear();
  if (compression == 0 || size < 0) return false;
  const int64_t block_size = GetBlockSize(compression);
  std::vector<TBlockPackJob> jobs(static_cast<size_t>((size + block_size - 1) / block_size));
  for (size_t i = 0; i < jobs.size(); ++i) {
    const int64_t at = static_cast<int64_t>(i) * block_size;
    jobs[i].data = data + at;
    jobs[i].size = static_cast<int32_t>(std::min(block_size, size - at));
  }
  if (!PackBlockJobs(jobs, compression, threads)) return false;
  blocks->resize(jobs.size());
  for (size_t i = 0; i < jobs.size(); ++i) {
    (*blocks)[i].header = jobs[i].header;
    (*blocks)[i].packed = std::move(jobs[i].packed);
  }
  return true;
}

}  // namespace vor
