// The plan of an add: every disk file and folder with the stored path it
// goes to, worked out and checked before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/coffer.h"
#include "names.h"

namespace vor::coffer {

struct AddItem {
  std::string disk_path;
  std::string stored_path;  // absolute
  bool folder = false;
  int64_t size = 0;
};

struct AddPlan {
  std::string target;          // the stored folder everything goes below
  std::vector<AddItem> items;  // a folder before what it holds
  int64_t total_bytes = 0;
};

// Walks the operands on disk below target (a stored path). Raises
// kExitIoError for an operand that does not exist or a folder that cannot
// be read, and kExitFailure for a name the code page or the container
// cannot hold, two disk entries that would get the same stored name, or an
// entry whose stored path is taken by one of the other kind (a file where a
// folder is, or the reverse). archive itself is left out.
AddPlan MakeAddPlan(TCoffer& coffer, const NameCodec& codec, const std::string& target,
                    const std::vector<std::string>& operands, const std::string& archive);

}  // namespace vor::coffer
