// Threads, mutexes and condition variables of the platform layer: what the
// export's read-ahead and the block packer rely on.
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <vector>

namespace vor::platform {
namespace {

TEST(Thread, DestructorWaitsForTheBodyAndMovedThreadsStillRun) {
  std::atomic<int> finished{0};
  {
    std::vector<Thread> threads;
    // Growing the vector moves the threads already started.
    for (int t = 0; t < 6; ++t) {
      threads.emplace_back([&finished] {
        volatile uint32_t spin = 0;
        for (int i = 0; i < 2000000; ++i) spin = spin + 1;
        ++finished;
      });
    }
  }
  EXPECT_EQ(finished.load(), 6);

  bool ran = false;
  Thread once([&ran] { ran = true; });
  once.Join();
  once.Join();  // a second join returns at once
  EXPECT_TRUE(ran);
  EXPECT_GE(ProcessorCount(), 1);
}

TEST(Mutex, CountsEveryIncrementFromManyThreads) {
  Mutex mutex;
  int64_t counter = 0;  // plain: only the mutex protects it
  {
    std::vector<Thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        for (int i = 0; i < 50000; ++i) {
          MutexLock lock(mutex);
          counter = counter + 1;
        }
      });
    }
  }
  EXPECT_EQ(counter, 4 * 50000);

  // An empty lock holds nothing: the same thread takes the mutex again.
  MutexLock empty(mutex, false);
  MutexLock held(mutex);
  held.Release();
  MutexLock again(mutex);
}

// A queue handed from one producer to several consumers: every item is
// taken exactly once, and the consumers all leave when told to stop. A lost
// wake-up leaves an item untaken or a consumer waiting (the test hangs).
TEST(ConditionVariable, HandsEveryItemToOneConsumerAndWakesAllToStop) {
  Mutex mutex;
  ConditionVariable ready;
  ConditionVariable drained;
  std::deque<int> queue;
  bool stop = false;
  std::vector<int> taken(2000, 0);
  {
    std::vector<Thread> consumers;
    for (int c = 0; c < 3; ++c) {
      consumers.emplace_back([&] {
        while (true) {
          MutexLock lock(mutex);
          ready.Wait(lock, [&] { return stop || !queue.empty(); });
          if (queue.empty()) return;
          ++taken[queue.front()];
          queue.pop_front();
          if (queue.empty()) drained.NotifyAll();
        }
      });
    }
    for (int i = 0; i < 2000; ++i) {
      MutexLock lock(mutex);
      queue.push_back(i);
      ready.NotifyOne();
      // Now and then the producer waits for the consumers to catch up.
      if (i % 100 == 99) drained.Wait(lock, [&] { return queue.empty(); });
    }
    MutexLock lock(mutex);
    drained.Wait(lock, [&] { return queue.empty(); });
    stop = true;
    ready.NotifyAll();
  }
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(taken[i], 1) << "item " << i;
}

}  // namespace
}  // namespace vor::platform
