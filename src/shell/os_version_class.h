// The operating-system class the shell helpers decide by.
#pragma once

#include <functional>

#include "platform/os.h"

namespace vor {

// Where the version record comes from: the system (platform::GetOSVersion)
// or, in tests, a fixed record. False when no record is delivered.
using VersionSource = std::function<bool(platform::OSVersionInfo*)>;

// 0 Windows 95, 1 Windows 98, 2 Windows 98 SE (4.10 with a service-pack text
// whose second character is "A"), 3 Windows Me, 4 NT 4 and older, 5 Windows
// 2000, 6 Windows XP and every later NT release; -1 for anything else and
// when version is null (no record delivered).
int ClassifyOSVersionClass(const platform::OSVersionInfo* version);

// The class of the record source delivers (-1 when it delivers none).
int OSVersionClassFrom(const VersionSource& source);

}  // namespace vor
