// The page walk TCoffer's reads (coffer.cpp) and writes (coffer_write.cpp)
// share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "container/store/engine_arrays.h"

namespace vor::coffer_detail {

// Walks the pages that hold total bytes of a file, the first of them from
// first_offset bytes into pages[0]. Pages taken whole whose numbers follow
// one another go to whole_run(first_page, run_length, bytes_done) as one run,
// which returns how many of them it handled; any other page goes to
// part(page_no, offset_in_page, chunk, bytes_done), which returns whether it
// succeeded. The walk stops at the first short run or failed page and
// returns the bytes handled.
template <typename WholeRun, typename Part>
int64_t WalkPageRange(const TIntegerArray& pages, int32_t data_size, int32_t first_offset,
                      int64_t total, WholeRun whole_run, Part part) {
  int64_t done = 0;
  int32_t k = 0;
  while (k < pages.Count()) {
    const int32_t offset = k == 0 ? first_offset : 0;
    const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(data_size - offset, total - done));
    if (offset == 0 && chunk == data_size) {
      const int32_t first = pages.Item(k);
      int32_t run = 1;
      while (k + run < pages.Count() && pages.Item(k + run) == first + run &&
             done + int64_t{run + 1} * data_size <= total) {
        ++run;
      }
      const int32_t handled = whole_run(first, run, done);
      done += int64_t{handled} * data_size;
      if (handled < run) break;
      k += run;
      continue;
    }
    if (!part(pages.Item(k), offset, chunk, done)) break;
    done += chunk;
    ++k;
  }
  return done;
}

}  // namespace vor::coffer_detail
