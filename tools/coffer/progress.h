// The progress bar on standard error: percentage, bytes and speed.
//
// Drawn only when enabled (standard error is a terminal and --no-progress
// was not given), at most ten times a second, and cleared when done.
#pragma once

#include <cstdint>
#include <string>

namespace vor::coffer {

class ProgressBar {
 public:
  ProgressBar(const std::string& label, int64_t total, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Bytes done so far (of total).
  void Update(int64_t done);
  void SetLabel(const std::string& label) { label_ = label; }
  // Clears the bar's line.
  void Finish();

 private:
  void Draw();

  std::string label_;
  int64_t total_;
  int64_t done_ = 0;
  bool enabled_;
  bool drawn_ = false;
  uint32_t start_ms_;
  uint32_t last_draw_ms_ = 0;
};

// "12.3 MiB" and the like.
std::string FormatBytes(double bytes);

}  // namespace vor::coffer
