// Name, mask, path and time helpers of the directory.
#include "container/store/name_utils.h"

#include <vector>

#include "container/store/collation.h"
#include "platform/time.h"

namespace vor {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool CharsMatch(uint8_t name_char, uint8_t mask_char, bool ignore_case) {
  if (name_char == mask_char) return true;
  const int diff = static_cast<int>(name_char) - static_cast<int>(mask_char);
  return ignore_case && (diff == 32 || diff == -32);
}

// The mask walk. A "*" tries the rest of the mask at every later position of
// the name; the outcome for a pair of positions never changes, so it is kept
// in memo (0 unknown, 1 match, 2 no match) and masks with many stars stay
// polynomial.
class MaskMatcher {
 public:
  MaskMatcher(const std::string& name, const std::string& mask, bool ignore_case)
      : name_(name), mask_(mask), ignore_case_(ignore_case) {}

  bool Match(size_t n, size_t m) {
    while (true) {
      if (m + 1 == mask_.size() && mask_[m] == '*') return true;
      if (n == name_.size()) return m == mask_.size();
      if (m == mask_.size()) return false;
      const char mc = mask_[m];
      if (mc == '*') return MatchStar(n, m);
      if (mc != '?' &&
          !CharsMatch(static_cast<uint8_t>(name_[n]), static_cast<uint8_t>(mc), ignore_case_)) {
        return false;
      }
      ++n;
      ++m;
    }
  }

 private:
  bool MatchStar(size_t n, size_t m) {
    if (memo_.empty()) memo_.assign((name_.size() + 1) * (mask_.size() + 1), 0);
    uint8_t& known = memo_[n * (mask_.size() + 1) + m];
    if (known != 0) return known == 1;
    bool found = false;
    for (size_t k = n; k < name_.size() && !found; ++k) found = Match(k, m + 1);
    known = found ? 1 : 2;
    return found;
  }

  const std::string& name_;
  const std::string& mask_;
  const bool ignore_case_;
  std::vector<uint8_t> memo_;
};

}  // namespace

int CompareNames(const std::string& a, const std::string& b) {
  return CompareNames(Collation(), a, b);
}

bool MatchesMask(const std::string& name, const std::string& mask, bool ignore_case) {
  if (mask == "*.*") return true;
  return MaskMatcher(name, mask, ignore_case).Match(0, 0);
}

bool SplitPath(const std::string& path, std::string* folder, std::string* name) {
  if (path.size() < 2) return false;
  size_t sep = path.size() - 1;
  while (sep > 0 && !IsSeparator(path[sep - 1])) --sep;
  if (sep == 0) return false;
  --sep;  // position of the separator
  *folder = path.substr(0, sep);
  std::string rest = path.substr(sep + 1);
  if (!rest.empty() && IsSeparator(rest.back())) rest.pop_back();
  *name = rest;
  return true;
}

uint64_t NowFileTime() {
  platform::SystemTime now = platform::GetLocalTime();
  now.second = static_cast<uint16_t>(now.second & ~1u);
  now.milliseconds = 0;
  uint64_t local = 0;
  uint64_t utc = 0;
  if (!platform::SystemTimeToFileTime(now, &local)) return 0;
  if (!platform::LocalFileTimeToFileTime(local, &utc)) return local;
  return utc;
}

int32_t FileTimeToLocalDosDateTime(uint64_t filetime) {
  uint64_t local = 0;
  uint16_t dos_date = 0;
  uint16_t dos_time = 0;
  if (!platform::FileTimeToLocalFileTime(filetime, &local)) return 0;
  if (!platform::FileTimeToDosDateTime(local, &dos_date, &dos_time)) return 0;
  return static_cast<int32_t>((static_cast<uint32_t>(dos_date) << 16) | dos_time);
}

}  // namespace vor
