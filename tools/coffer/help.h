// Help and version texts.
#pragma once

#include <cstdio>

#include "args.h"

namespace vor::coffer {

void PrintProgramHelp(std::FILE* out);
void PrintCommandHelp(std::FILE* out, const CommandDef& command);
void PrintVersion(std::FILE* out);

}  // namespace vor::coffer
