// The library search on POSIX: the dynamic linker looks a bare name up in
// the system's library folders (and LD_LIBRARY_PATH), never in the
// program's folder, so nothing needs narrowing.
#include "platform/library_search.h"

namespace vor::platform {

LibrarySearch RestrictLibrarySearch() { return LibrarySearch::kUnchanged; }

std::string SystemLibraryPath(const std::string& name) { return name; }

}  // namespace vor::platform
