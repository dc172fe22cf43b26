// Building an installer: the installer program followed by a single-part
// volume holding the package as a container protected by the installer's
// fixed password.
//
// The container is first made empty in a temporary file, the installer
// program and its bytes are then written to a second temporary file (with
// the volume's part size raised to the one of an installer, so that the
// volume never splits), and the package is added to that file through the
// engine, which finds the volume behind the program as the installer will.
// Only the finished file is renamed to the output: a failed or interrupted
// build leaves no output file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container_cost.h"
#include "package.h"
#include "package/job.h"

namespace vor::vorpack {

// The part size of the volume behind an installer: never split.
constexpr int64_t kInstallerPartSize = 0x7FFFFFFFFFFFFFFE;
// The file name of the installer program.
constexpr const char kStubFileName[] = "VORSetup.exe";

struct BuildOptions {
  std::string output;
  std::string stub;  // the installer program's bytes (ReadStub)
  uint8_t compression = 5;
  // Not empty: each file gets the type chosen among these
  // (ChooseSmallestType); `compression` is then unused.
  std::vector<uint8_t> auto_types;
  // Bytes per page of the container; 0 chooses it from the package
  // (ChoosePageSize).
  int32_t page_size = 0;
  bool force = false;
  bool progress = false;
  // SOURCE_DATE_EPOCH: stored times are clamped to it and the master key's
  // generator is seeded from it.
  bool reproducible = false;
  int64_t epoch = 0;
};

struct BuildResult {
  int files = 0;
  int folders = 0;
  int64_t input_bytes = 0;
  int64_t stub_bytes = 0;
  int64_t installer_bytes = 0;
  int32_t page_size = 0;
  bool page_size_chosen = false;  // chosen from the package, not given
  // The files' compressed bytes (their content for stored files), and what
  // the container costs beyond them.
  int64_t stored_bytes = 0;
  ContainerCost cost;
  // Files stored with each compression type, by type.
  std::vector<int> files_by_type = std::vector<int>(10, 0);
};

// Writes the installer. Raises ECofferError (or an engine error) when it
// cannot; nothing is left at options.output then (an existing file there
// stays as it was).
BuildResult BuildInstaller(const Package& package, const BuildOptions& options);

// The installer program's bytes from path after checking them; raises
// (exit code 1) when they cannot be one, (5) when the file cannot be read.
// A program for another machine than 32-bit x86 adds a warning.
std::string ReadStub(const std::string& path, std::string* warning);

// The installer program to use when none is given: VORSetup.exe beside the
// running program, else build_tree_stub; raises (exit code 5) naming both
// when neither exists.
std::string DefaultStub(const std::string& build_tree_stub);

// The seed of the master key's generator for a SOURCE_DATE_EPOCH value
// (without one, the generator is seeded as the installer seeds it).
uint32_t EpochSeed(int64_t epoch);

// A SOURCE_DATE_EPOCH value as seconds since 1970; false when it is none.
bool ParseEpoch(const std::string& text, int64_t* epoch);

}  // namespace vor::vorpack
