// Runs "coffer check" on a container the way the command line does, without
// progress output; its exit code (0: no damage found).
#pragma once

#include <string>

#include "args.h"
#include "commands.h"
#include "session.h"

namespace vor::testing {

inline int ToolCheck(const std::string& name) {
  coffer::ParsedArgs args;
  args.command = "check";
  args.operands = {name};
  args.values["no-progress"] = "";
  coffer::Session session(args);
  return coffer::RunCheck(session);
}

}  // namespace vor::testing
