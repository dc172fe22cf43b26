// Command-line parsing against the command table.
#include "args.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "exit_codes.h"

namespace vor::coffer {

namespace {

[[noreturn]] void Usage(const std::string& message) {
  throw ECofferError(kExitUsage, message + " (see 'coffer --help')");
}

const OptionDef* FindOption(const std::vector<OptionDef>& options, const std::string& long_name,
                            char short_name) {
  for (const OptionDef& o : options) {
    if (!long_name.empty() && long_name == o.long_name) return &o;
    if (short_name != 0 && short_name == o.short_name) return &o;
  }
  return nullptr;
}

const OptionDef* Lookup(const CommandDef* command, const std::string& long_name, char short_name) {
  if (const OptionDef* o = FindOption(GlobalOptions(), long_name, short_name)) return o;
  if (command != nullptr) return FindOption(command->options, long_name, short_name);
  return nullptr;
}

}  // namespace

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

const CommandDef* FindCommand(const std::string& name) {
  for (const CommandDef& c : Commands()) {
    if (name == c.name || (*c.alias != '\0' && name == c.alias)) return &c;
  }
  return nullptr;
}

ParsedArgs ParseArgs(const std::vector<std::string>& argv) {
  ParsedArgs parsed;
  const CommandDef* command = nullptr;
  bool options_done = false;
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      if (command == nullptr && !options_done) {
        command = FindCommand(arg);
        if (command == nullptr) Usage("unknown command '" + arg + "'");
        parsed.command = command->name;
      } else {
        if (command == nullptr) Usage("no command given");
        parsed.operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string name;
    std::string value;
    bool has_inline_value = false;
    const OptionDef* def = nullptr;
    if (arg.compare(0, 2, "--") == 0) {
      name = arg.substr(2);
      const size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        has_inline_value = true;
      }
      def = Lookup(command, name, 0);
    } else {
      def = Lookup(command, "", arg[1]);
      if (arg.size() > 2) {
        if (def != nullptr && !def->takes_value) Usage("option '" + arg + "' takes no value");
        value = arg.substr(2);
        has_inline_value = true;
      }
    }
    if (def == nullptr) {
      Usage("unknown option '" + arg + "'" +
            (command != nullptr ? std::string(" for '") + command->name + "'" : std::string()));
    }
    const std::string long_name = def->long_name;
    if (long_name == "help") {
      parsed.help = true;
      continue;
    }
    if (long_name == "version") {
      parsed.version = true;
      continue;
    }
    if (def->takes_value && !has_inline_value) {
      if (i + 1 >= argv.size()) Usage("option '" + arg + "' needs a value");
      value = argv[++i];
    } else if (!def->takes_value && has_inline_value) {
      Usage("option '--" + long_name + "' takes no value");
    }
    parsed.values[long_name] = value;
  }
  if (parsed.help || parsed.version) return parsed;
  if (command == nullptr) Usage("no command given");
  const int n = static_cast<int>(parsed.operands.size());
  if (n < command->min_operands) {
    Usage(std::string("'") + command->name + "' needs " + command->operands);
  }
  if (command->max_operands >= 0 && n > command->max_operands) {
    Usage(std::string("too many operands for '") + command->name + "'");
  }
  return parsed;
}

int64_t ParseNumber(const std::string& option, const std::string& text, int64_t low, int64_t high) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || v < low || v > high) {
    Usage("option '" + option + "' needs a number from " + std::to_string(low) + " to " +
          std::to_string(high) + ", not '" + text + "'");
  }
  return v;
}

}  // namespace vor::coffer
