// The progress bar.
#include "progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/terminal.h"
#include "platform/time.h"

namespace vor::coffer {

namespace {

constexpr uint32_t kRedrawMs = 100;

}  // namespace

std::string FormatBytes(double bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024.0 && unit < 4) {
    bytes /= 1024.0;
    ++unit;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
  return buf;
}

ProgressBar::ProgressBar(const std::string& label, int64_t total, bool enabled)
    : label_(label), total_(total), enabled_(enabled), start_ms_(platform::GetTickCount()) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(int64_t done) {
  done_ = done;
  if (!enabled_) return;
  const uint32_t now = platform::GetTickCount();
  if (drawn_ && now - last_draw_ms_ < kRedrawMs && done_ < total_) return;
  last_draw_ms_ = now;
  Draw();
}

void ProgressBar::Draw() {
  const double seconds = (platform::GetTickCount() - start_ms_) / 1000.0;
  const double percent = total_ > 0 ? 100.0 * static_cast<double>(done_) / total_ : 100.0;
  std::string text = label_;
  char buf[128];
  std::snprintf(buf, sizeof buf, " %3.0f%%  %s / %s", std::min(percent, 100.0),
                FormatBytes(static_cast<double>(done_)).c_str(),
                FormatBytes(static_cast<double>(total_)).c_str());
  std::string numbers = buf;
  if (seconds > 0.2) numbers += "  " + FormatBytes(done_ / seconds) + "/s";
  const size_t width = static_cast<size_t>(std::max(20, platform::TerminalColumns() - 1));
  if (text.size() + numbers.size() > width) {
    const size_t keep = width > numbers.size() + 4 ? width - numbers.size() - 3 : 0;
    text = keep > 0 ? "..." + text.substr(text.size() - keep) : std::string();
  }
  std::string line = text + numbers;
  line.resize(width, ' ');
  std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  const size_t width = static_cast<size_t>(std::max(20, platform::TerminalColumns() - 1));
  std::fprintf(stderr, "\r%s\r", std::string(width, ' ').c_str());
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace vor::coffer
