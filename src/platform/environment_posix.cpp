// Environment variables on POSIX: getenv, setenv, unsetenv.
#include <cstdlib>

#include "platform/environment.h"

namespace vor::platform {

bool GetEnvironmentValue(const std::string& name, std::string* value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return false;
  *value = found;
  return true;
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool RemoveEnvironmentValue(const std::string& name) { return ::unsetenv(name.c_str()) == 0; }

}  // namespace vor::platform
