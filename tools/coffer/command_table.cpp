// The table of commands and options, with their help texts.
#include <vector>

#include "args.h"

namespace vor::coffer {

namespace {

const OptionDef kPassword{"password", 0, false, "",
                          "the container has a password: read it from COFFER_PASSWORD or ask "
                          "for it on the terminal (asked for anyway when it is needed)"};
const OptionDef kFilePassword{"file-password", 0, false, "",
                              "files have passwords of their own: read it from "
                              "COFFER_FILE_PASSWORD or ask for it on the terminal"};
const OptionDef kCompression{
    "compression", 'c', true, "TYPE",
    "compression type 0 to 9: 0 store, 1 2 5 deflate, 3 4 6 PPM, "
    "7 8 9 bzip2 (default: 5 for create, the container's default for add); "
    "add also takes 'auto' (each file gets the smaller of types 5 and 9, "
    "or 0 when type 5 saves nothing) or 'auto:T,T,...' (the types to try, "
    "fastest first)"};
const OptionDef kJson{"json", 0, false, "", "write JSON instead of text"};

}  // namespace

const std::vector<OptionDef>& GlobalOptions() {
  static const std::vector<OptionDef> options = {
      {"help", 'h', false, "", "show help (for a command: coffer COMMAND --help)"},
      {"version", 0, false, "", "show the program's version"},
      {"codepage", 0, true, "CP", "Windows code page of the names in the container (default 1252)"},
      {"no-progress", 0, false, "", "never show a progress bar"},
  };
  return options;
}

const std::vector<CommandDef>& Commands() {
  static const std::vector<CommandDef> commands = {
      {"create",
       "",
       "ARCHIVE",
       1,
       1,
       "make a new, empty container",
       "Makes a new, empty container ARCHIVE. An existing file of that name is refused.",
       {kCompression,
        {"password", 0, false, "",
         "protect the container with a password, read from COFFER_PASSWORD or asked for "
         "twice on the terminal"},
        {"question", 0, true, "Q", "a question stored with the password"},
        {"answer", 0, true, "A", "the answer to the question"},
        {"page-size", 0, true, "BYTES",
         "bytes per page, a multiple of 4 from 600 to 65536 (default 4096): small pages "
         "waste less on many small files, large ones suit few large files"}}},
      {"add",
       "a",
       "ARCHIVE PATH...",
       2,
       -1,
       "add files and folder trees",
       "Adds files and whole folder trees. Folders become folder records and every missing "
       "parent is made; a stored file of the same name is replaced. Attributes and "
       "last-write times are kept. Every name is checked before anything is written.",
       {kCompression,
        {"to", 0, true, "FOLDER", "add below this folder of the container (made when missing)"},
        kFilePassword,
        kPassword}},
      {"list",
       "ls",
       "ARCHIVE [PATH]",
       1,
       2,
       "list the entries",
       "Lists every entry (or those below PATH, a folder, a file or a mask) with attributes, "
       "size, stored size, ratio, last-write time and path, followed by the totals. "
       "Attributes: D folder, R read-only, H hidden, S system, A archive.",
       {kJson, kPassword, kFilePassword}},
      {"extract",
       "x",
       "ARCHIVE [MASK]",
       1,
       2,
       "copy files to disk",
       "Copies the files and folders that MASK names (default: everything) to disk. MASK is a "
       "folder, a file, or a folder followed by a name mask such as docs/*.txt; what lies "
       "below the folder it names is recreated inside DIR.",
       {{"output", 'o', true, "DIR", "destination folder (default: the current folder)"},
        {"overwrite", 0, true, "MODE",
         "existing files: replace, skip or ask (default: ask on a terminal, otherwise skip)"},
        kPassword,
        kFilePassword}},
      {"cat",
       "",
       "ARCHIVE PATH",
       2,
       2,
       "write a stored file to standard output",
       "Writes the content of the stored file PATH to standard output.",
       {kPassword, kFilePassword}},
      {"rm",
       "",
       "ARCHIVE PATH...",
       2,
       -1,
       "delete stored files and folders",
       "Deletes stored files and folders. A folder that is not empty needs -r.",
       {{"recursive", 'r', false, "", "delete folders with everything in them"}, kPassword}},
      {"mkdir",
       "",
       "ARCHIVE PATH...",
       2,
       -1,
       "make folders",
       "Makes folders in the container, with every missing parent.",
       {kPassword}},
      {"info",
       "",
       "ARCHIVE",
       1,
       1,
       "show volume and container header fields",
       "Shows the volume (parts, prefix length, part size) and the container header (page "
       "size, extent size, page and item counts, encryption, default compression) and the "
       "number of files and folders.",
       {kJson, kPassword}},
      {"check",
       "",
       "ARCHIVE",
       1,
       1,
       "verify everything that can be reached",
       "Verifies the header checksum, the checksum of every page, the directory, the "
       "allocation maps and the page maps, that no page is used twice and that every used "
       "page is marked used, and reads every block of every file (decompressed and "
       "CRC-checked). Prints what is damaged, by file and page; exits with 4 when anything "
       "is.",
       {kPassword, kFilePassword}},
      {"recover",
       "",
       "ARCHIVE",
       1,
       1,
       "roll back a change that was cut short",
       "Rolls back the change a command that was stopped part-way left in ARCHIVE, from "
       "the journal ARCHIVE-journal beside it, and deletes the journal. Every command does "
       "this by itself when it can write the container and its folder; recover is for "
       "doing it explicitly. A journal that cannot be trusted (damaged, or of another "
       "container or another state of this one) is refused and kept, and the container "
       "is left as it is (exit code 4).",
       {}},
  };
  return commands;
}

}  // namespace vor::coffer
