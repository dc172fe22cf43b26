// coffer recover: rolls back a change that was cut short.
#include <cstdio>
#include <string>

#include "commands.h"
#include "container/coffer.h"
#include "exit_codes.h"
#include "platform/fs.h"

namespace vor::coffer {

int RunRecover(Session& session) {
  const std::string& archive = session.Args().operands[0];
  if (!platform::FileExists(archive)) {
    throw ECofferError(kExitIoError, "'" + archive + "': no such file");
  }
  if (TCoffer::Recover(archive)) {
    std::printf("'%s': the unfinished change was rolled back\n", archive.c_str());
  } else {
    std::printf("'%s': no unfinished change\n", archive.c_str());
  }
  return kExitOk;
}

}  // namespace vor::coffer
