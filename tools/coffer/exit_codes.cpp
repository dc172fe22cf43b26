// Mapping of engine and platform exceptions onto exit codes.
#include "exit_codes.h"

#include <string>

#include "platform/platform_error.h"

namespace vor::coffer {

namespace {

// Texts by which the engine reports structures it found damaged.
const char* const kDamageMarkers[] = {
    "header is corrupted",
    "has corrupted header",
    "can not load",
    "decompression",
    "cannot be read in full",
    "block list is damaged",
    "invalid block",
    "invalid extra size",
    "no pages were found",
    "invalid page counts",
    "map bit out of range",
    "more map pages",
    "Cannot find",
    "invalid directory",
    "position not found",
    "GAMPageCount",
    "PFSPageCount",
    "unsupported extent page count",
    "Error on reading map page",
    "Invalid page No",
    "UFPMMap",
};

// Texts of disk-side failures.
const char* const kIoMarkers[] = {
    "cannot be overwritten",
    "Cannot create file",
    "Cannot open file",
};

}  // namespace

ExitCode ExitCodeOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const ECofferError*>(&error)) return own->Code();
  if (dynamic_cast<const platform::EPlatformError*>(&error) != nullptr) return kExitIoError;
  const std::string text = error.what();
  if (text.find("invalid password") != std::string::npos) return kExitWrongPassword;
  for (const char* marker : kIoMarkers) {
    if (text.find(marker) != std::string::npos) return kExitIoError;
  }
  for (const char* marker : kDamageMarkers) {
    if (text.find(marker) != std::string::npos) return kExitDamaged;
  }
  return kExitFailure;
}

}  // namespace vor::coffer
