// Environment variables on Windows. The C runtime keeps its own copy of the
// environment beside the process's; _putenv changes both, so getenv and
// GetEnvironmentVariableA (in this program and in libraries it loads) agree.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/environment.h"

namespace vor::platform {

bool GetEnvironmentValue(const std::string& name, std::string* value) {
  const DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return false;
  std::vector<char> buffer(size + 1, '\0');
  const DWORD n = ::GetEnvironmentVariableA(name.c_str(), buffer.data(), size + 1);
  if (n > size) return false;
  value->assign(buffer.data(), n);
  return true;
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  // _putenv treats "NAME=" as a removal; an empty value is set directly.
  if (value.empty()) return ::SetEnvironmentVariableA(name.c_str(), "") != 0;
  return ::_putenv((name + "=" + value).c_str()) == 0;
}

bool RemoveEnvironmentValue(const std::string& name) {
  return ::_putenv((name + "=").c_str()) == 0;
}

}  // namespace vor::platform
