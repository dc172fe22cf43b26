// Signing through osslsigncode.
#include "signing.h"

#include <cstdlib>
#include <vector>

#include "exit_codes.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/process.h"
#include "platform/rename.h"
#include "platform/run_program.h"

namespace vor::vorpack {

using coffer::ECofferError;

void CheckSignFiles(const SignRequest& request) {
  for (const std::string* file : {&request.certificate, &request.key}) {
    if (platform::DirectoryExists(*file) || !platform::FileExists(*file)) {
      throw ECofferError(coffer::kExitIoError, "'" + *file + "': no such " +
                                                   (file == &request.key ? "key" : "certificate") +
                                                   " file for signing");
    }
  }
}

void SignInstaller(const std::string& unsigned_path, const std::string& signed_path,
                   const SignRequest& request) {
  const char* named = std::getenv(kSigningToolVariable);
  const std::string tool = named != nullptr && *named != '\0' ? named : kSigningTool;
  const std::string temp = signed_path + ".signing-" + std::to_string(platform::CurrentProcessId());
  std::vector<std::string> arguments = {"sign", "-certs", request.certificate, "-key", request.key,
                                        "-h",   "sha256"};
  if (!request.description.empty()) {
    arguments.push_back("-n");
    arguments.push_back(request.description);
  }
  if (!request.url.empty()) {
    arguments.push_back("-i");
    arguments.push_back(request.url);
  }
  arguments.insert(arguments.end(), {"-in", unsigned_path, "-out", temp});
  platform::DeleteFile(temp);
  const platform::ProgramRun run = platform::RunProgram(tool, arguments);
  if (!run.started) {
    if (run.not_found) {
      throw ECofferError(coffer::kExitFailure,
                         "cannot sign: " + tool +
                             " is not installed (Debian and Ubuntu: apt-get install osslsigncode); "
                             "no installer was written");
    }
    throw ECofferError(coffer::kExitFailure,
                       "cannot sign: " + tool + " does not start: " + run.error);
  }
  if (run.exit_code != 0 || !platform::FileExists(temp)) {
    platform::DeleteFile(temp);
    throw ECofferError(coffer::kExitFailure, "cannot sign: " + tool + " ended with exit code " +
                                                 std::to_string(run.exit_code) +
                                                 "; no installer was written");
  }
  if (!platform::ReplaceFileWith(temp, signed_path)) {
    const uint32_t code = platform::LastOsError();
    platform::DeleteFile(temp);
    throw ECofferError(coffer::kExitIoError, "'" + signed_path + "': cannot be written: " +
                                                 platform::OsErrorMessage(code));
  }
}

}  // namespace vor::vorpack
