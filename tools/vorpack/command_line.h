// vorpack's command line.
//
// vorpack [OPTIONS] PACKAGE_DIR -o SETUP.exe
//
// Options may stand before and after the operand; "--" ends them. A long
// option takes its value as "--name=value" or as the next argument, a short
// one as "-cVALUE" or the next argument.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vor::vorpack {

struct CommandLine {
  std::string package_dir;
  std::string output;
  std::string stub;  // "" for the default
  uint8_t compression = 5;
  // -c auto, the default: the types tried for each file (empty: every
  // file gets `compression`).
  std::vector<uint8_t> auto_types;
  int32_t page_size = 0;  // 0: chosen from the package
  uint32_t code_page = 1252;
  // Signing the finished installer: certificate and key files ("" for an
  // unsigned installer) and the web address put into the signature.
  std::string sign_cert;
  std::string sign_key;
  std::string sign_url;
  bool check = false;
  bool force = false;
  bool quiet = false;
  bool no_progress = false;
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; raises ECofferError with kExitUsage for an unknown
// option, a missing or bad value, a missing or extra operand, and a missing
// -o unless --check, --help or --version is given.
CommandLine ParseCommandLine(const std::vector<std::string>& argv);

void PrintHelp(std::FILE* out);
void PrintVersion(std::FILE* out);

}  // namespace vor::vorpack
