#include "package/install_record.h"

#include <cctype>
#include <exception>

#include "common/windows_names.h"
#include "container/stream/stream.h"
#include "package/install_error.h"
#include "platform/fs.h"

namespace vor {

namespace {

// The record's line marks.
constexpr const char* kAppNamePrefix = "*";
constexpr const char* kServerPrefix = "REG:";
constexpr const char* kExecPrefix = "Exec:";
constexpr const char* kLineEnd = "\r\n";

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

RefusalReason CheckPart(const std::string& part) {
  switch (CheckWindowsName(part)) {
    case WindowsNameFault::kNone:
      return RefusalReason::kNone;
    case WindowsNameFault::kDotName:
      return part == ".." ? RefusalReason::kParentFolder : RefusalReason::kBadName;
    case WindowsNameFault::kDeviceName:
      return RefusalReason::kDeviceName;
    case WindowsNameFault::kEmpty:
    case WindowsNameFault::kTooLong:
    case WindowsNameFault::kControlCharacter:
    case WindowsNameFault::kReservedCharacter:
    case WindowsNameFault::kTrailingDotOrBlank:
      break;
  }
  return RefusalReason::kBadName;
}

bool StartsWith(const std::string& text, const std::string& prefix, bool ignore_case) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  const std::string head = text.substr(0, prefix.size());
  return ignore_case ? Upper(head) == Upper(prefix) : head == prefix;
}

// A folder as the start of the paths in it; "" (a lookup that failed)
// stays "", so that nothing lies in it.
std::string FolderPrefix(const std::string& folder) {
  if (folder.empty() || IsDelimiter(folder.back())) return folder;
  return platform::WithTrailingDelimiter(folder);
}

std::string Join(const std::string& base, const std::vector<std::string>& parts) {
  std::string path = base;
  for (const std::string& part : parts) path = platform::JoinDiskPath(path, part);
  return path;
}

bool EndsWithLnk(const std::string& line) {
  return line.size() > 4 && Upper(line.substr(line.size() - 4)) == ".LNK";
}

void ClassifyLink(const std::string& line, const ShellFolders& folders, bool ignore_case,
                  LogLine* out) {
  const struct {
    const std::string& folder;
    bool programs;
  } bases[] = {{folders.programs, true},
               {folders.common_programs, true},
               {folders.desktop, false},
               {folders.common_desktop, false},
               {folders.quick_launch, false}};
  RefusalReason reason = RefusalReason::kLinkOutside;
  for (const auto& b : bases) {
    const std::string base = FolderPrefix(b.folder);
    if (!StartsWith(line, base, ignore_case)) continue;
    std::vector<std::string> parts;
    const RefusalReason r = CheckRelativePath(line.substr(base.size()), &parts);
    if (r != RefusalReason::kNone) {
      reason = r;
      continue;
    }
    // Desktop and Quick Launch shortcuts lie in the folder itself.
    if (!b.programs && parts.size() != 1) continue;
    out->kind = LogLineKind::kLink;
    out->reason = RefusalReason::kNone;
    out->base = base;
    out->parts = parts;
    out->path = Join(base, parts);
    out->in_programs = b.programs;
    return;
  }
  out->reason = reason;
}

void ClassifyServer(const std::string& library, const std::string& dest_dir, bool ignore_case,
                    LogLine* out) {
  const std::string base = FolderPrefix(dest_dir);
  if (!StartsWith(library, base, ignore_case)) {
    out->reason = RefusalReason::kServerOutside;
    return;
  }
  std::vector<std::string> parts;
  const RefusalReason r = CheckRelativePath(library.substr(base.size()), &parts);
  if (r != RefusalReason::kNone) {
    out->reason = r;
    return;
  }
  out->kind = LogLineKind::kServer;
  out->parts = parts;
  out->path = Join(base, parts);
}

}  // namespace

InstallRecord::InstallRecord() {
  lines_.SetIgnoreDuplicates(true);
  lines_.SetSorted(true);
}

void InstallRecord::AddCopiedFile(const std::string& relative_path) { lines_.Add(relative_path); }

void InstallRecord::EndCopy() { lines_.SetSorted(false); }

void InstallRecord::AddShortcut(const std::string& link_path) { lines_.Add(link_path); }

void InstallRecord::AddServer(const std::string& library_path) {
  lines_.Add(kServerPrefix + library_path);
}

void InstallRecord::AddExec(const std::string& program) { lines_.Add(kExecPrefix + program); }

std::string InstallRecord::Text(const std::string& app_name) const {
  std::string text = kAppNamePrefix + app_name + kLineEnd;
  for (int i = 0; i < lines_.Count(); ++i) text += lines_[i] + kLineEnd;
  return text;
}

void InstallRecord::Save(const std::string& path, const std::string& app_name) const {
  const std::string text = Text(app_name);
  try {
    TDiskFileStream file(path, TDiskFileMode::kCreate);
    file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  } catch (const std::exception& e) {
    // The same text, with a kind that tells this failure from the others.
    throw EInstallError(InstallErrorKind::kLogWrite, e.what());
  }
}

RefusalReason CheckRelativePath(const std::string& path, std::vector<std::string>* parts) {
  parts->clear();
  if (path.empty()) return RefusalReason::kBadName;
  if (IsDelimiter(path[0])) return RefusalReason::kAbsolute;
  if (path.find(':') != std::string::npos) return RefusalReason::kDrive;
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsDelimiter(path[i])) {
      part += path[i];
      continue;
    }
    parts->push_back(part);
    part.clear();
  }
  // Reported by the most telling reason: a ".." anywhere before a bad name.
  RefusalReason worst = RefusalReason::kNone;
  for (const std::string& p : *parts) {
    const RefusalReason r = CheckPart(p);
    if (r == RefusalReason::kParentFolder || worst == RefusalReason::kNone) worst = r;
    if (r == RefusalReason::kParentFolder) break;
  }
  if (worst != RefusalReason::kNone) parts->clear();
  return worst;
}

std::string RefusalText(RefusalReason reason) {
  switch (reason) {
    case RefusalReason::kNone:
      return "Accepted";
    case RefusalReason::kAbsolute:
      return "Refused, a path outside the installation folder";
    case RefusalReason::kDrive:
      return "Refused, a path with a drive or a stream";
    case RefusalReason::kParentFolder:
      return "Refused, a path that climbs out of its folder";
    case RefusalReason::kBadName:
      return "Refused, not a plain file name";
    case RefusalReason::kDeviceName:
      return "Refused, a device name";
    case RefusalReason::kLinkOutside:
      return "Refused, a shortcut outside the Start menu, desktop and Quick Launch folders";
    case RefusalReason::kServerOutside:
      return "Refused, a server library outside the installation folder";
  }
  return "Refused";
}

InstallLog ParseInstallLog(const std::string& bytes, const std::string& dest_dir,
                           const ShellFolders& folders, bool ignore_case) {
  // Lines end at CR, LF or CR LF; a zero byte ends the text.
  std::vector<std::string> lines;
  std::string line;
  bool pending = false;
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      pending = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      pending = true;
    }
  }
  if (pending) lines.push_back(line);

  if (lines.empty() || lines[0].size() < 2 || lines[0][0] != kAppNamePrefix[0]) {
    throw EInstallError(InstallErrorKind::kNotAnInstallLog,
                        "This is not an installation log: the first line must be \"*\" and "
                        "the program's name");
  }
  InstallLog log;
  log.app_name = lines[0].substr(1);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& text = lines[i];
    if (text.empty()) continue;
    LogLine out;
    out.text = text;
    const std::string server = kServerPrefix;
    const std::string exec = kExecPrefix;
    if (text.compare(0, server.size(), server) == 0) {
      ClassifyServer(text.substr(server.size()), dest_dir, ignore_case, &out);
    } else if (text.compare(0, exec.size(), exec) == 0) {
      out.kind = LogLineKind::kExec;
    } else if (EndsWithLnk(text) && (IsDelimiter(text[0]) || text.find(':') != std::string::npos)) {
      // A full path: the shortcuts are the only full paths among the files.
      ClassifyLink(text, folders, ignore_case, &out);
    } else {
      out.reason = CheckRelativePath(text, &out.parts);
      if (out.reason == RefusalReason::kNone) {
        out.kind = LogLineKind::kFile;
        out.path = Join(FolderPrefix(dest_dir), out.parts);
      }
    }
    log.lines.push_back(std::move(out));
  }
  return log;
}

}  // namespace vor
