// coffer create: a new, empty container.
#include <cstdio>
#include <string>

#include "commands.h"
#include "container/page_file.h"
#include "exit_codes.h"
#include "new_container.h"
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
  const bool page_size_given = args.Has("page-size");
  const int32_t page_size =
      page_size_given ? ParsePageSize("--page-size", args.Value("page-size")) : kDefaultPageSize;
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
  if (page_size_given) {
    try {
      MakeEmptyContainer(archive, password, args.Value("question"), args.Value("answer"),
                         compression, page_size);
    } catch (...) {
      platform::DeleteFile(archive);
      throw;
    }
    return kExitOk;
  }
  try {
    TCoffer coffer(archive, kOpenModeCreate, password, args.Value("question"), args.Value("answer"),
                   compression);
  } catch (...) {
    // Nothing of a container that could not be made is left behind.
    platform::DeleteFile(archive);
    throw;
  }
  return kExitOk;
}

}  // namespace vor::coffer
