// coffer create: a new, empty container.
#include <cstdio>
#include <string>

#include "commands.h"
#include "container/store/page_file.h"
#include "exit_codes.h"
#include "new_container.h"
#include "platform/fs.h"
#include "platform/rename.h"

namespace vor::coffer {

uint8_t CompressionOption(const Session& session, uint8_t fallback) {
  if (!session.Args().Has("compression")) return fallback;
  return static_cast<uint8_t>(
      ParseNumber("--compression", session.Args().Value("compression"), 0, 9));
}

void Warn(const std::string& message) { std::fprintf(stderr, "coffer: %s\n", message.c_str()); }

namespace {

// create with --page-size: the page file makes the container under a
// temporary name, which takes the name asked for only once the container is
// complete, so that a failure never leaves half a container under it.
int CreateWithPageSize(const Session& session, const std::string& archive, uint8_t compression,
                       int32_t page_size) {
  const ParsedArgs& args = session.Args();
  std::string password;
  if (args.Has("password")) {
    password = ReadPassword(kPasswordVariable, "New password for '" + archive + "': ", true);
  }
  const std::string building = archive + "-new";
  try {
    MakeEmptyContainer(building, password, args.Value("question"), args.Value("answer"),
                       compression, page_size);
    if (!platform::ReplaceFileWith(building, archive)) {
      throw ECofferError(kExitIoError, "'" + archive + "' cannot be made");
    }
  } catch (...) {
    platform::DeleteFile(building);
    throw;
  }
  return kExitOk;
}

}  // namespace

int RunCreate(Session& session) {
  const ParsedArgs& args = session.Args();
  const std::string& archive = args.operands[0];
  const uint8_t compression = CompressionOption(session, 5);
  const bool page_size_given = args.Has("page-size");
  const int32_t page_size =
      page_size_given ? ParsePageSize("--page-size", args.Value("page-size")) : kDefaultPageSize;
  if ((args.Has("question") || args.Has("answer")) && !args.Has("password")) {
    throw ECofferError(kExitUsage, "--question and --answer belong to --password");
  }
  if (platform::FileExists(archive) || platform::DirectoryExists(archive)) {
    throw ECofferError(kExitFailure, "'" + archive + "' exists already");
  }
  if (page_size_given) return CreateWithPageSize(session, archive, compression, page_size);
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
