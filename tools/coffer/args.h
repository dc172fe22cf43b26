// The command line: commands, their options and operands.
//
// coffer [GLOBAL OPTIONS] COMMAND [OPTIONS] OPERANDS...
//
// Options may stand anywhere after the command name; "--" ends them. A long
// option takes its value as "--name=value" or as the next argument, a short
// one as "-cVALUE" or the next argument. Global options (--codepage,
// --no-progress) are accepted before and after the command.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vor::coffer {

struct OptionDef {
  const char* long_name;  // without the leading "--"
  char short_name;        // 0 when there is none
  bool takes_value;
  const char* value_name;  // for help texts, e.g. "TYPE"
  const char* help;
};

struct CommandDef {
  const char* name;
  const char* alias;     // "" when there is none
  const char* operands;  // for the usage line, e.g. "ARCHIVE PATH..."
  int min_operands;
  int max_operands;  // -1: no limit
  const char* summary;
  const char* description;
  std::vector<OptionDef> options;
};

// The commands, in the order help lists them.
const std::vector<CommandDef>& Commands();
// Options every command accepts.
const std::vector<OptionDef>& GlobalOptions();

struct ParsedArgs {
  std::string command;  // the command's name (an alias is resolved); "" for none
  std::vector<std::string> operands;
  std::map<std::string, std::string> values;  // options given, by long name ("" for flags)
  bool help = false;
  bool version = false;

  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::string Value(const std::string& name, const std::string& fallback = "") const;
};

// Parses argv[1..]; raises ECofferError with kExitUsage for an unknown
// command or option, a missing value or a wrong number of operands (except
// when help or version is asked for).
ParsedArgs ParseArgs(const std::vector<std::string>& argv);

// The command named name or its alias; null when there is none.
const CommandDef* FindCommand(const std::string& name);

// A number in [low, high]; raises a usage error naming the option otherwise.
int64_t ParseNumber(const std::string& option, const std::string& text, int64_t low, int64_t high);

}  // namespace vor::coffer
