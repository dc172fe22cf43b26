// coffer create: a new, empty container.
#include <cstdio>
#include <string>

#include "commands.h"
#include "container/page_file.h"
#include "exit_codes.h"
#include "platform/fs.h"

namespace vor::coffer {

uint8_t CompressionOption(const Session& session, uint8_t fallback) {
  if (!session.Args().Has("compression")) return fallback;
  return static_cast<uint8_t>(
      ParseNumber("--compression", session.Args().Value("compression"), 0, 9));
}

void Warn(const std::string& message) { std::fprintf(stderr, "coffer: %s\n", message.c_str()); }

int RunCreate(Session& session) {
  const ParsedArgs& args = session.Args();
  const std::string& archive = args.operands[0];
  const uint8_t compression = CompressionOption(session, 5);
  if ((args.Has("question") || args.Has("answer")) && !args.Has("password")) {
    throw ECofferError(kExitUsage, "--question and --answer belong to --password");
  }
  if (platform::FileExists(archive) || platform::DirectoryExists(archive)) {
    throw ECofferError(kExitFailure, "'" + archive + "' exists already");
  }
  std::string password;
  if (args.Has("password")) {
    password = ReadPassword(kPasswordVariable, "New password for '" + archive + "': ", true);
  }
  // The container is made under a temporary name and renamed when it is
  // complete and on disk, so that a crash never leaves half a container
  // under the name asked for.
  const std::string building = archive + "-new";
  try {
    {
      TCoffer coffer(building, kOpenModeCreate, password, args.Value("question"),
                     args.Value("answer"), compression);
      coffer.Commit();
    }
    if (!platform::RenameFile(building, archive)) {
      throw ECofferError(kExitIoError, "'" + archive + "' cannot be made");
    }
    platform::FlushFolder(platform::ExtractFilePath(archive));
  } catch (...) {
    // Nothing of a container that could not be made is left behind.
    platform::DeleteFile(building);
    throw;
  }
  return kExitOk;
}

}  // namespace vor::coffer
