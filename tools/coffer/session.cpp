// The session shared by the commands.
#include "session.h"

#include <cstdlib>
#include <string>

#include "commands.h"
#include "common/error.h"
#include "exit_codes.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/terminal.h"

namespace vor::coffer {

namespace {

uint32_t CodePageOf(const ParsedArgs& args) {
  if (!args.Has("codepage")) return platform::kDefaultNameCodePage;
  const auto cp =
      static_cast<uint32_t>(ParseNumber("--codepage", args.Value("codepage"), 1, 65535));
  if (!platform::CodePageSupported(cp)) {
    throw ECofferError(kExitUsage, "code page " + std::to_string(cp) + " is not supported");
  }
  return cp;
}

bool FilePasswordsAvailable(const ParsedArgs& args) {
  return args.Has("file-password") || std::getenv(kFilePasswordVariable) != nullptr ||
         (args.command != "list" && platform::IsTerminal(platform::StdStream::kInput));
}

}  // namespace

Session::Session(const ParsedArgs& args)
    : args_(args),
      codec_(CodePageOf(args)),
      progress_(!args.Has("no-progress") && platform::IsTerminal(platform::StdStream::kError)),
      file_passwords_(FilePasswordsAvailable(args)) {}

std::string Session::JsonText(const std::string& stored) const {
  std::string utf8;
  if (platform::CodePageToUtf8(stored, codec_.CodePage(), &utf8)) return utf8;
  // Bytes without a character: shown escaped, as the text output does.
  std::string shown;
  for (unsigned char c : stored) {
    if (c >= 0x20 && c < 0x80) {
      shown += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      shown += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
  }
  return shown;
}

std::string Session::JsonPath(const std::string& stored_path) const {
  std::string path;
  size_t start = 0;
  while (start < stored_path.size()) {
    size_t end = stored_path.find('\\', start);
    if (end == std::string::npos) end = stored_path.size();
    if (end > start) {
      if (!path.empty()) path += '/';
      path += JsonText(stored_path.substr(start, end - start));
    }
    start = end + 1;
  }
  return path;
}

std::string Session::ContainerPassword(const std::string& archive, bool verify) {
  if (!platform::FileExists(archive)) {
    throw ECofferError(kExitIoError, "'" + archive + "': no such file");
  }
  if (TCoffer::CheckPassword(archive, "")) return "";
  const std::string password =
      ReadPassword(kPasswordVariable, "Password for '" + archive + "': ", false);
  if (verify && !TCoffer::CheckPassword(archive, password)) {
    throw ECofferError(kExitWrongPassword, "wrong password for '" + archive + "'");
  }
  return password;
}

bool Session::RecoverBeforeOpen(const std::string& archive, bool reading) {
  if (!platform::FileExists(archive)) return false;
  try {
    return TCoffer::Recover(archive);
  } catch (const EVorError& e) {
    // A reader that cannot write (the container or its folder read-only,
    // or another program writing it) leaves the journal to a writer; the
    // open that follows tells the user.
    const bool cannot_write = e.Kind() == ErrorKind::kReadOnly || e.Kind() == ErrorKind::kInUse;
    if (reading && cannot_write) return false;
    throw;
  }
}

std::unique_ptr<TCoffer> Session::Open(const std::string& archive, uint16_t mode) {
  // A change an earlier run left unfinished is rolled back first, for
  // reading as for writing, whenever this process can write the container.
  RecoverBeforeOpen(archive, mode == kOpenModeRead);
  // TCoffer checks the password itself before it opens the container.
  const std::string password = ContainerPassword(archive, false);
  std::unique_ptr<TCoffer> coffer;
  try {
    coffer = std::make_unique<TCoffer>(archive, mode, password, "", "", 0);
  } catch (const EVorError& e) {
    if (e.Kind() == ErrorKind::kWrongPassword) {
      throw ECofferError(kExitWrongPassword, "wrong password for '" + archive + "'");
    }
    throw;
  }
  coffer->SetOnPassword([this](TCoffer&, const std::string&, std::string& pw, bool& cancel) {
    cancel = !file_passwords_.Request(pw, &pw);
  });
  if (mode != kOpenModeRead) {
    // A change must not build on damaged structures: it could overwrite
    // pages in use or lose what is left.
    const std::vector<std::string> problems = StructureProblems(*this, *coffer);
    if (!problems.empty()) {
      std::string more;
      if (problems.size() > 1) more = ", and " + std::to_string(problems.size() - 1) + " more";
      throw ECofferError(kExitDamaged, "'" + archive + "' is damaged (" + problems.front() + more +
                                           "; see 'coffer check'): it is left as it is");
    }
    coffer->BeginTransaction();
  }
  return coffer;
}

}  // namespace vor::coffer
