// Help and version texts, built from the command table.
#include "help.h"

#include <string>

namespace vor::coffer {

namespace {

constexpr const char kVersion[] = "coffer 0.1";
constexpr size_t kWidth = 79;

// text broken into lines of at most width characters at blanks; every line
// but the first is indented by indent blanks.
std::string Wrap(const std::string& text, size_t indent, size_t width) {
  std::string out;
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line;
}

void PrintOptions(std::FILE* out, const std::vector<OptionDef>& options) {
  for (const OptionDef& o : options) {
    std::string left = "  ";
    left += o.short_name != 0 ? std::string("-") + o.short_name + ", " : "    ";
    left += std::string("--") + o.long_name;
    if (o.takes_value) left += std::string(" ") + o.value_name;
    std::fprintf(out, "%-26s %s\n", left.c_str(), Wrap(o.help, 27, kWidth).c_str());
  }
}

}  // namespace

void PrintProgramHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: coffer COMMAND [OPTIONS] ARCHIVE [OPERANDS...]\n"
               "Makes, inspects, checks and unpacks containers (also behind an installer "
               "program).\n\nCommands:\n");
  for (const CommandDef& c : Commands()) {
    std::string name = c.name;
    if (*c.alias != '\0') name += std::string(" (") + c.alias + ")";
    std::fprintf(out, "  %-14s %s\n", name.c_str(), c.summary);
  }
  std::fprintf(out, "\nOptions of every command:\n");
  PrintOptions(out, GlobalOptions());
  std::fprintf(out,
               "\nPasswords are never taken from the command line: they come from the "
               "environment\n(COFFER_PASSWORD, COFFER_FILE_PASSWORD) or are asked for on the "
               "terminal.\n\n"
               "Exit codes:\n"
               "  0  success\n"
               "  1  the command failed (no such entry, a name that cannot be stored, ...)\n"
               "  2  usage error\n"
               "  3  wrong or missing password\n"
               "  4  damaged data\n"
               "  5  input/output error on a disk file\n");
}

void PrintCommandHelp(std::FILE* out, const CommandDef& command) {
  std::fprintf(out, "Usage: coffer %s [OPTIONS] %s\n", command.name, command.operands);
  if (*command.alias != '\0') std::fprintf(out, "Alias: %s\n", command.alias);
  std::fprintf(out, "\n%s\n\nOptions:\n", Wrap(command.description, 0, kWidth).c_str());
  PrintOptions(out, command.options);
  PrintOptions(out, GlobalOptions());
}

void PrintVersion(std::FILE* out) { std::fprintf(out, "%s\n", kVersion); }

}  // namespace vor::coffer
