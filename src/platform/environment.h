// The process's environment variables.
#pragma once

#include <string>

namespace vor::platform {

// True and *value set when the variable exists.
bool GetEnvironmentValue(const std::string& name, std::string* value);
// Sets the variable for this process and the programs and libraries it
// starts or loads; false when the system refuses.
bool SetEnvironmentValue(const std::string& name, const std::string& value);
// Removes the variable; true when it is gone.
bool RemoveEnvironmentValue(const std::string& name);

}  // namespace vor::platform
