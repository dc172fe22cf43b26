// Making a new, empty container with a chosen page size.
#include "new_container.h"

#include "container/store/page_file.h"
#include "exit_codes.h"

namespace vor::coffer {

std::string PageSizeProblem(int64_t page_size) {
  if (page_size < kMinPageSize || page_size > kLargestPageSize) {
    return "a page size runs from " + std::to_string(kMinPageSize) + " to " +
           std::to_string(kLargestPageSize) + " bytes";
  }
  if (page_size % 4 != 0) {
    return "a page size is a multiple of 4 bytes, so that the page checksum covers every byte";
  }
  return std::string();
}

int32_t ParsePageSize(const std::string& option, const std::string& text) {
  int64_t value = 0;
  bool number = !text.empty() && text.size() <= 9;
  for (char c : text) {
    number = number && c >= '0' && c <= '9';
    if (number) value = value * 10 + (c - '0');
  }
  if (!number) {
    throw ECofferError(kExitUsage, option + " takes a page size in bytes, not '" + text + "'");
  }
  const std::string problem = PageSizeProblem(value);
  if (!problem.empty()) {
    throw ECofferError(kExitUsage, option + " " + text + " refused: " + problem);
  }
  return static_cast<int32_t>(value);
}

void MakeEmptyContainer(const std::string& path, const std::string& password,
                        const std::string& question, const std::string& answer, uint8_t compression,
                        int32_t page_size) {
  const std::string problem = PageSizeProblem(page_size);
  if (!problem.empty()) {
    throw ECofferError(kExitUsage,
                       "page size " + std::to_string(page_size) + " refused: " + problem);
  }
  // The page file alone makes the container: page 0 with the header. The
  // facade opens it later with the geometry the header holds.
  TPageFileManager pages(path, kOpenModeCreate, password, question, answer, false, page_size,
                         kToolExtentPageCount, -1);
  pages.Header().DefaultCompression = compression;
  pages.SaveHeader();
  pages.Flush();
}

}  // namespace vor::coffer
