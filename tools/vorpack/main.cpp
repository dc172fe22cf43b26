// vorpack: turns a package folder into a finished installer.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "builder.h"
#include "command_line.h"
#include "container/store/collation.h"
#include "exit_codes.h"
#include "job_check.h"
#include "package.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/terminal.h"
#include "platform/time.h"
#include "progress.h"
#include "report.h"
#include "setup_identity.h"
#include "signing.h"

#ifndef VORPACK_BUILD_TREE_STUB
#define VORPACK_BUILD_TREE_STUB ""
#endif

namespace vor::vorpack {

namespace {

using coffer::ECofferError;

constexpr const char kEpochVariable[] = "SOURCE_DATE_EPOCH";

// A file deleted when the build ends, whatever way it ends.
class DeletedAtEnd {
 public:
  explicit DeletedAtEnd(std::string path) : path_(std::move(path)) {}
  ~DeletedAtEnd() {
    if (!path_.empty()) platform::DeleteFile(path_);
  }
  DeletedAtEnd(const DeletedAtEnd&) = delete;
  DeletedAtEnd& operator=(const DeletedAtEnd&) = delete;

 private:
  std::string path_;
};

int Main(const std::vector<std::string>& argv) {
  const CommandLine line = ParseCommandLine(argv);
  if (line.version) {
    PrintVersion(stdout);
    return coffer::kExitOk;
  }
  if (line.help) {
    PrintHelp(stdout);
    return coffer::kExitOk;
  }
  InitCollation();
  BuildOptions options;
  if (const char* epoch = std::getenv(kEpochVariable)) {
    if (*epoch != '\0') {
      if (!ParseEpoch(epoch, &options.epoch)) {
        throw ECofferError(coffer::kExitUsage, std::string(kEpochVariable) +
                                                   " must be a count of seconds since 1970, not '" +
                                                   epoch + "'");
      }
      options.reproducible = true;
    }
  }
  options.output = line.output;
  options.compression = line.compression;
  options.auto_types = line.auto_types;
  options.page_size = line.page_size;
  options.force = line.force;
  options.progress =
      !line.quiet && !line.no_progress && platform::IsTerminal(platform::StdStream::kError);
  if (!line.check) {
    if (!line.force && platform::FileExists(line.output)) {
      throw ECofferError(coffer::kExitFailure,
                         "'" + line.output + "' exists already (--force replaces it)");
    }
    if (!line.sign_cert.empty()) CheckSignFiles({line.sign_cert, line.sign_key, "", ""});
    const std::string stub_path =
        line.stub.empty() ? DefaultStub(VORPACK_BUILD_TREE_STUB) : line.stub;
    std::string warning;
    options.stub = ReadStub(stub_path, &warning);
    if (!warning.empty()) Warn(warning);
  }

  Findings findings;
  Package package(line.package_dir, coffer::NameCodec(line.code_page), &findings);
  CheckJob(package, &findings);
  const SetupIdentity identity = ReadSetupIdentity(package, &findings);
  const size_t errors = ReportFindings(findings);
  if (errors > 0) {
    throw ECofferError(coffer::kExitFailure, std::to_string(errors) +
                                                 (errors == 1 ? " error" : " errors") +
                                                 " in the package; nothing was written");
  }
  const std::string totals =
      Totals(package.FileCount(), package.FolderCount(), package.TotalBytes());
  if (line.check) {
    if (!line.quiet) {
      std::printf("%s: ready (%s)\n", line.package_dir.c_str(), totals.c_str());
      std::printf("  the installer program will show:\n");
      for (const std::string& text : DescribeIdentity(identity))
        std::printf("    %s\n", text.c_str());
    }
    return coffer::kExitOk;
  }
  const int64_t plain_stub_bytes = static_cast<int64_t>(options.stub.size());
  ResourceTree resources;
  std::string why;
  if (ProgramResources(options.stub, &resources, &why)) {
    std::string stamped = StampProgram(options.stub, identity, &why);
    if (stamped.empty()) {
      throw ECofferError(
          coffer::kExitFailure,
          "cannot write the application's identity into the installer program: " + why);
    }
    options.stub = std::move(stamped);
  } else {
    Warn("the installer program's resources cannot be rewritten (" + why +
         "); the installer keeps the program's own icon, version information and manifest");
  }

  // A signed installer is built beside the output and signed into it.
  const bool signing = !line.sign_cert.empty();
  if (signing) {
    options.output =
        line.output + ".vorpack-unsigned-" + std::to_string(platform::CurrentProcessId());
    options.force = true;
  }
  const DeletedAtEnd unsigned_installer(signing ? options.output : std::string());

  platform::WatchInterrupts();
  const uint32_t start = platform::GetTickCount();
  const BuildResult result = BuildInstaller(package, options);
  if (signing) {
    SignInstaller(options.output, line.output,
                  {line.sign_cert, line.sign_key, line.sign_url,
                   identity.description.empty() ? identity.product_name : identity.description});
  }
  const double seconds = (platform::GetTickCount() - start) / 1000.0;
  if (!line.quiet) {
    const int64_t container = result.installer_bytes - result.stub_bytes;
    const double ratio =
        result.input_bytes > 0 ? 100.0 * static_cast<double>(container) / result.input_bytes : 0.0;
    std::printf("%s: %s in\n", line.output.c_str(), totals.c_str());
    std::printf("  installer %s = program %s + container %s (%.0f%% of the input)\n",
                coffer::FormatBytes(static_cast<double>(result.installer_bytes)).c_str(),
                coffer::FormatBytes(static_cast<double>(result.stub_bytes)).c_str(),
                coffer::FormatBytes(static_cast<double>(container)).c_str(), ratio);
    if (result.stub_bytes != plain_stub_bytes) {
      std::printf(
          "  program with the application's icon, version and manifest: %lld bytes (was %lld)\n",
          static_cast<long long>(result.stub_bytes), static_cast<long long>(plain_stub_bytes));
    }
    if (!options.auto_types.empty()) {
      std::printf("  compression chosen per file: %s\n", FilesByType(result.files_by_type).c_str());
    }
    std::printf("  page size %d bytes (%s)\n", static_cast<int>(result.page_size),
                result.page_size_chosen ? "chosen for the package" : "as given");
    std::printf("  container %s = compressed files %s + %s\n",
                coffer::FormatBytes(static_cast<double>(result.cost.container_bytes)).c_str(),
                coffer::FormatBytes(static_cast<double>(result.stored_bytes)).c_str(),
                DescribeCost(result.cost).c_str());
    if (signing) {
      std::printf(
          "  signed with %s: %s in all\n", line.sign_cert.c_str(),
          coffer::FormatBytes(static_cast<double>(platform::GetFileSize(line.output))).c_str());
    }
    std::printf("  built in %.1f s\n", seconds);
  }
  return coffer::kExitOk;
}

}  // namespace

}  // namespace vor::vorpack

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  try {
    return vor::vorpack::Main(args);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "vorpack: %s\n", e.what());
    return vor::coffer::ExitCodeOf(e);
  }
}
