// coffer rm and coffer mkdir: deleting entries and making folders.
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "walk.h"

namespace vor::coffer {

int RunRm(Session& session) {
  const ParsedArgs& args = session.Args();
  std::unique_ptr<TCoffer> coffer = session.Open(args.operands[0], kOpenModeExclusiveReadWrite);
  const bool recursive = args.Has("recursive");
  // Every operand is checked before anything is deleted.
  std::vector<std::string> doomed;  // stored paths, contents before their folder
  for (size_t i = 1; i < args.operands.size(); ++i) {
    const std::string path = session.Codec().ToStoredPath(args.operands[i]);
    TreeEntry entry;
    if (path == "\\" || !FindEntry(*coffer, path, &entry)) {
      throw ECofferError(kExitFailure,
                         "'" + args.operands[i] + "': no such file or folder in the container");
    }
    if (entry.folder) {
      const std::vector<TreeEntry> inside = WalkTree(*coffer, path, "*.*", true);
      if (!inside.empty() && !recursive) {
        throw ECofferError(kExitFailure, "'" + args.operands[i] +
                                             "' is a folder that is not "
                                             "empty (use -r to delete it with everything in it)");
      }
      for (auto it = inside.rbegin(); it != inside.rend(); ++it) doomed.push_back(it->path);
    }
    doomed.push_back(path);
  }
  for (const std::string& path : doomed) {
    if (!coffer->FileExists(path)) continue;  // named twice
    if (!coffer->DeleteFile(path)) {
      throw ECofferError(kExitFailure,
                         "'" + session.Codec().DisplayPath(path) + "' cannot be deleted");
    }
  }
  coffer->Commit();
  return kExitOk;
}

int RunMkdir(Session& session) {
  const ParsedArgs& args = session.Args();
  std::unique_ptr<TCoffer> coffer = session.Open(args.operands[0], kOpenModeExclusiveReadWrite);
  std::vector<std::string> paths;
  for (size_t i = 1; i < args.operands.size(); ++i) {
    paths.push_back(session.Codec().ToStoredPath(args.operands[i]));
    if (paths.back() == "\\") throw ECofferError(kExitUsage, "mkdir needs a folder name");
  }
  for (size_t i = 0; i < paths.size(); ++i) {
    if (coffer->CreateFolder(paths[i]) < 0) {
      throw ECofferError(kExitFailure, "cannot make the folder '" + args.operands[i + 1] +
                                           "' (a part of the path is a file, or the container "
                                           "cannot grow)");
    }
  }
  coffer->Commit();
  return kExitOk;
}

}  // namespace vor::coffer
