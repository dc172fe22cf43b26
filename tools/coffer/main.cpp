// coffer: makes, inspects, checks and unpacks containers.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "args.h"
#include "commands.h"
#include "container/store/collation.h"
#include "exit_codes.h"
#include "help.h"
#include "session.h"

namespace vor::coffer {

namespace {

using Runner = int (*)(Session&);

struct Dispatch {
  const char* name;
  Runner run;
};

const Dispatch kDispatch[] = {
    {"create", RunCreate}, {"add", RunAdd},         {"list", RunList},   {"extract", RunExtract},
    {"cat", RunCat},       {"rm", RunRm},           {"mkdir", RunMkdir}, {"info", RunInfo},
    {"check", RunCheck},   {"recover", RunRecover},
};

int Main(const std::vector<std::string>& argv) {
  const ParsedArgs args = ParseArgs(argv);
  if (args.version) {
    PrintVersion(stdout);
    return kExitOk;
  }
  if (args.help) {
    if (const CommandDef* command = FindCommand(args.command)) {
      PrintCommandHelp(stdout, *command);
    } else {
      PrintProgramHelp(stdout);
    }
    return kExitOk;
  }
  InitCollation();
  Session session(args);
  for (const Dispatch& d : kDispatch) {
    if (args.command != d.name) continue;
    try {
      return d.run(session);
    } catch (const EVorError& e) {
      // A stored file that stayed shut because its own password was wrong
      // or not at hand (its open fails with kWrongPassword).
      if (e.Kind() == ErrorKind::kWrongPassword && session.FilePasswordSource().Refused() &&
          dynamic_cast<const ECofferError*>(&e) == nullptr) {
        throw ECofferError(kExitWrongPassword, std::string(e.what()) +
                                                   ": its password is wrong or missing (set " +
                                                   kFilePasswordVariable + ")");
      }
      throw;
    }
  }
  throw ECofferError(kExitUsage, "unknown command '" + args.command + "'");
}

}  // namespace

}  // namespace vor::coffer

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  try {
    return vor::coffer::Main(args);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    const auto* engine = dynamic_cast<const vor::EVorError*>(&e);
    // A change left unfinished that this user could not roll back.
    const char* hint = engine != nullptr && engine->Kind() == vor::ErrorKind::kUnfinished
                           ? " ('coffer recover' does it when run by a user who can)"
                           : "";
    std::fprintf(stderr, "coffer: %s%s\n", e.what(), hint);
    return vor::coffer::ExitCodeOf(e);
  }
}
