// What every command shares: the parsed command line, the name codec, the
// progress setting, the file passwords, and opening a container.
#pragma once

#include <memory>
#include <string>

#include "args.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "names.h"
#include "password.h"

namespace vor::coffer {

class Session {
 public:
  // Raises a usage error for an unsupported --codepage.
  explicit Session(const ParsedArgs& args);

  const ParsedArgs& Args() const { return args_; }
  const NameCodec& Codec() const { return codec_; }
  bool Progress() const { return progress_; }
  FilePasswords& FilePasswordSource() { return file_passwords_; }

  // A stored name or path as UTF-8 for JSON.
  std::string JsonText(const std::string& stored) const;
  std::string JsonPath(const std::string& stored_path) const;

  // The password that opens the existing container archive: "" when it has
  // none, else COFFER_PASSWORD or one typed on the terminal. Raises
  // kExitIoError when archive does not exist and, with verify, kExitWrongPassword
  // when the password does not open it (without verify the caller's own open
  // finds that out: each check of a password takes a quarter of a second).
  std::string ContainerPassword(const std::string& archive, bool verify = true);
  // Opens the existing container archive (kOpenModeRead or kOpenModeExclusiveReadWrite) with its
  // password and the file password handler. Opened for writing, the
  // container is in a transaction: the command's changes are all or
  // nothing, and stay only when the command calls Commit (destroying the
  // TCoffer without it rolls them back).
  std::unique_ptr<TCoffer> Open(const std::string& archive, uint16_t mode);
  // Rolls back a change an earlier run left unfinished in archive, as every
  // command does before it opens a container: false when there is none, or
  // (for reading) when this process cannot write the container or its
  // folder, in which case opening it then says so. Raises when the journal
  // cannot be trusted (kDamaged, the journal kept).
  bool RecoverBeforeOpen(const std::string& archive, bool reading);

 private:
  const ParsedArgs& args_;
  NameCodec codec_;
  bool progress_;
  FilePasswords file_passwords_;
};

}  // namespace vor::coffer
