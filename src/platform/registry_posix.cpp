// No registry on POSIX systems: keys open, writes keep nothing, reads and
// deletions find nothing (see registry.h).
#include "platform/registry.h"

namespace vor::platform {

bool HasRegistry() { return false; }

std::unique_ptr<RegistryKey> RegistryKey::Create(RegistryRoot /*root*/, const std::string& /*path*/,
                                                 RegistryError* /*error*/) {
  return std::make_unique<RegistryKey>(0);
}

std::unique_ptr<RegistryKey> RegistryKey::Open(RegistryRoot /*root*/, const std::string& /*path*/,
                                               RegistryError* error) {
  error->code = 2;  // ENOENT
  error->message = "This system keeps no registry";
  return nullptr;
}

RegistryKey::~RegistryKey() = default;

bool RegistryKey::SetString(const std::string& /*name*/, const std::string& /*value*/,
                            RegistryError* /*error*/) {
  return true;
}

bool RegistryKey::SetNumber(const std::string& /*name*/, uint32_t /*value*/,
                            RegistryError* /*error*/) {
  return true;
}

bool RegistryKey::GetString(const std::string& /*name*/, std::string* /*value*/) const {
  return false;
}

bool RegistryKey::GetNumber(const std::string& /*name*/, uint32_t* /*value*/) const {
  return false;
}

bool DeleteRegistryKey(RegistryRoot /*root*/, const std::string& /*path*/,
                       RegistryError* /*error*/) {
  return true;
}

}  // namespace vor::platform
