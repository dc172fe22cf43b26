// Sets an environment variable for the length of a scope and puts back what
// was there before.
#pragma once

#include <string>

#include "platform/environment.h"

namespace vor::testing {

class ScopedEnvironment {
 public:
  // Sets name to value.
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    had_ = platform::GetEnvironmentValue(name_, &old_);
    platform::SetEnvironmentValue(name_, value);
  }
  // Removes name.
  explicit ScopedEnvironment(std::string name) : name_(std::move(name)) {
    had_ = platform::GetEnvironmentValue(name_, &old_);
    platform::RemoveEnvironmentValue(name_);
  }
  ~ScopedEnvironment() {
    if (had_) {
      platform::SetEnvironmentValue(name_, old_);
    } else {
      platform::RemoveEnvironmentValue(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace vor::testing
