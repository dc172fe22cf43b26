// Parsing vorpack's command line; help and version texts.
#include "command_line.h"

#include <string>
#include <vector>

#include "container/stream/type_choice.h"
#include "exit_codes.h"
#include "new_container.h"
#include "platform/codepage.h"

namespace vor::vorpack {

using coffer::ECofferError;
using coffer::kExitUsage;

namespace {

constexpr const char kVersion[] = "vorpack 0.1";

struct Option {
  const char* long_name;
  char short_name;
  bool takes_value;
};

const Option kOptions[] = {
    {"output", 'o', true}, {"compression", 'c', true}, {"stub", 0, true},
    {"codepage", 0, true}, {"check", 0, false},        {"force", 0, false},
    {"quiet", 'q', false}, {"no-progress", 0, false},  {"help", 'h', false},
    {"version", 0, false}, {"page-size", 0, true},     {"sign-cert", 0, true},
    {"sign-key", 0, true}, {"sign-url", 0, true},
};

int64_t Number(const std::string& option, const std::string& text, int64_t low, int64_t high) {
  int64_t value = 0;
  bool ok = !text.empty() && text.size() <= 6;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) value = value * 10 + (c - '0');
  }
  if (!ok || value < low || value > high) {
    throw ECofferError(kExitUsage, option + " takes a number from " + std::to_string(low) + " to " +
                                       std::to_string(high) + ", not '" + text + "'");
  }
  return value;
}

void Apply(CommandLine* line, const Option& option, const std::string& value) {
  const std::string name = option.long_name;
  if (name == "output") {
    line->output = value;
  } else if (name == "compression") {
    line->auto_types.clear();
    if (IsAutoCompression(value)) {
      const std::string problem = ParseAutoTypes(value, &line->auto_types);
      if (!problem.empty()) throw ECofferError(kExitUsage, "--compression: " + problem);
    } else {
      line->compression = static_cast<uint8_t>(Number("--compression", value, 0, 9));
    }
  } else if (name == "page-size") {
    line->page_size = coffer::ParsePageSize("--page-size", value);
  } else if (name == "stub") {
    line->stub = value;
  } else if (name == "codepage") {
    line->code_page = static_cast<uint32_t>(Number("--codepage", value, 1, 65535));
    if (!platform::CodePageSupported(line->code_page)) {
      throw ECofferError(kExitUsage, "code page " + value + " is not supported");
    }
  } else if (name == "sign-cert") {
    line->sign_cert = value;
  } else if (name == "sign-key") {
    line->sign_key = value;
  } else if (name == "sign-url") {
    line->sign_url = value;
  } else if (name == "check") {
    line->check = true;
  } else if (name == "force") {
    line->force = true;
  } else if (name == "quiet") {
    line->quiet = true;
  } else if (name == "no-progress") {
    line->no_progress = true;
  } else if (name == "help") {
    line->help = true;
  } else if (name == "version") {
    line->version = true;
  }
}

const Option* FindLong(const std::string& name) {
  for (const Option& o : kOptions) {
    if (name == o.long_name) return &o;
  }
  return nullptr;
}

const Option* FindShort(char name) {
  for (const Option& o : kOptions) {
    if (o.short_name != 0 && name == o.short_name) return &o;
  }
  return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& argv) {
  CommandLine line;
  // Without -c each file gets the type that stores it smallest: as fast to
  // install as type 5 alone, and smaller (docs/benchmarks.md).
  line.auto_types = DefaultAutoTypes();
  std::vector<std::string> operands;
  bool options_end = false;
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    const Option* option = nullptr;
    std::string value;
    bool has_value = false;
    if (arg[1] == '-') {
      const size_t equals = arg.find('=');
      option =
          FindLong(arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        has_value = true;
      }
    } else {
      option = FindShort(arg[1]);
      if (arg.size() > 2) {
        value = arg.substr(2);
        has_value = true;
      }
    }
    if (option == nullptr) throw ECofferError(kExitUsage, "unknown option '" + arg + "'");
    if (option->takes_value && !has_value) {
      if (i + 1 >= argv.size()) {
        throw ECofferError(kExitUsage, "option '" + arg + "' needs a value");
      }
      value = argv[++i];
    } else if (!option->takes_value && has_value) {
      throw ECofferError(kExitUsage, "option '" + arg + "' takes no value");
    }
    Apply(&line, *option, value);
  }
  if (line.help || line.version) return line;
  if (operands.size() != 1) {
    throw ECofferError(kExitUsage, operands.empty() ? "the package folder is missing"
                                                    : "only one package folder may be given");
  }
  line.package_dir = operands[0];
  if (line.output.empty() && !line.check) {
    throw ECofferError(kExitUsage, "the installer to write is missing (-o SETUP.exe)");
  }
  if (line.sign_cert.empty() != line.sign_key.empty()) {
    throw ECofferError(kExitUsage, "--sign-cert and --sign-key go together");
  }
  if (!line.sign_url.empty() && line.sign_cert.empty()) {
    throw ECofferError(kExitUsage, "--sign-url needs --sign-cert and --sign-key");
  }
  return line;
}

void PrintHelp(std::FILE* out) {
  std::fputs(
      "Usage: vorpack [OPTIONS] PACKAGE_DIR -o SETUP.exe\n"
      "Builds one installer executable from a package folder: the installer program\n"
      "followed by a container holding the folder's files.\n"
      "\n"
      "The package folder is the container's root: JOB.INI (required), MENU.DAT,\n"
      "SCUTS.DAT, EXECS.DAT, License.rtf, readme.rtf, the icon named by Icon=, and\n"
      "the folder Programfiles/ (required) with the application's tree. Everything\n"
      "is checked before anything is written; text files in UTF-8 are converted to\n"
      "the code page.\n"
      "\n"
      "Options:\n"
      "  -o, --output FILE       installer to write; an existing file is refused\n"
      "                          unless --force\n"
      "  -c, --compression TYPE  0-9 or auto (default auto):\n"
      "                            0      store: fastest to build and install, largest\n"
      "                            1 2 5  deflate: fast both ways, the usual choice\n"
      "                                   (1 fastest, 5 smallest)\n"
      "                            7 8 9  bzip2: smaller for text and programs,\n"
      "                                   about three times slower\n"
      "                            3 4 6  PPM: smallest for text, slowest to build\n"
      "                                   and to install (6 uses least memory)\n"
      "                            auto   each file with the type that stores it\n"
      "                                   smallest of 5 and 9, or 0 when type 5\n"
      "                                   saves nothing; installs as fast as 5\n"
      "                                   and builds about twice as long\n"
      "                            auto:T,T,...  the same with the types listed,\n"
      "                                   fastest first (auto:5,9,4 adds PPM:\n"
      "                                   smaller still, much slower to install)\n"
      "      --page-size BYTES   bytes per page of the container, a multiple of 4\n"
      "                          from 600 to 65536 (default: chosen from the\n"
      "                          package, the size that makes the smallest\n"
      "                          installer of 600, 1056, 2080, 4128, 8224 and\n"
      "                          16416)\n"
      "      --stub FILE         the installer program to put in front (default:\n"
      "                          VORSetup.exe beside vorpack, else the 32-bit one\n"
      "                          of the build tree)\n"
      "      --codepage CP       code page of the installer's machine (default 1252)\n"
      "      --sign-cert FILE    sign the installer (Authenticode) with this\n"
      "                          certificate (PEM or DER) ...\n"
      "      --sign-key FILE     ... and its private key, through osslsigncode\n"
      "      --sign-url URL      the application's web address in the signature\n"
      "      --check             check the package and show the icon, version\n"
      "                          information and privileges the installer program\n"
      "                          will carry; write nothing\n"
      "      --force             replace an existing output file\n"
      "  -q, --quiet             no progress and no summary\n"
      "      --no-progress       no progress bar\n"
      "  -h, --help              this text\n"
      "      --version           the version\n"
      "\n"
      "With SOURCE_DATE_EPOCH set, stored times are clamped to it and the container's\n"
      "key is derived from it: two builds of the same folder are byte-identical.\n"
      "\n"
      "Example:\n"
      "  vorpack --check my-package\n"
      "  vorpack my-package -o my-setup.exe -c 9\n"
      "\n"
      "Exit codes:\n"
      "  0  success\n"
      "  1  the package has errors, or the build failed\n"
      "  2  usage error\n"
      "  5  input/output error on a disk file\n",
      out);
}

void PrintVersion(std::FILE* out) { std::fprintf(out, "%s\n", kVersion); }

}  // namespace vor::vorpack
