// The commands; each returns the program's exit code or raises.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace vor::coffer {

int RunCreate(Session& session);
int RunAdd(Session& session);
int RunList(Session& session);
int RunExtract(Session& session);
int RunCat(Session& session);
int RunRm(Session& session);
int RunMkdir(Session& session);
int RunInfo(Session& session);
int RunCheck(Session& session);
int RunRecover(Session& session);

// The problems the structure check finds in a container open for writing
// (header, allocation maps, directory, page maps, page ownership); empty
// when it is sound.
std::vector<std::string> StructureProblems(Session& session, TCoffer& coffer);

// The compression type of -c/--compression (0 to 9), or fallback.
uint8_t CompressionOption(const Session& session, uint8_t fallback);
// "deflate", "bzip2" ... for a compression type.
std::string CompressionName(int type);
// Reports a problem that does not end the command on standard error.
void Warn(const std::string& message);

}  // namespace vor::coffer
