// coffer list: the entries with attributes, sizes, ratio, time and path.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "json.h"
#include "platform/fs.h"
#include "platform/time.h"
#include "walk.h"

namespace vor::coffer {

namespace {

struct Listed {
  TreeEntry entry;
  bool stored_known = false;
  int64_t size = 0;    // uncompressed bytes (when known)
  int64_t stored = 0;  // bytes the file's stream takes in the container
  int compression = -1;
};

std::string AttributeText(uint32_t a) {
  std::string text = ".....";
  if (a & 0x10) text[0] = 'D';
  if (a & 0x01) text[1] = 'R';
  if (a & 0x02) text[2] = 'H';
  if (a & 0x04) text[3] = 'S';
  if (a & 0x20) text[4] = 'A';
  return text;
}

std::string TimeText(uint64_t filetime, bool utc) {
  uint64_t shown = filetime;
  platform::SystemTime st;
  if (filetime == 0 || (!utc && !platform::FileTimeToLocalFileTime(filetime, &shown)) ||
      !platform::FileTimeToSystemTime(shown, &st)) {
    return utc ? "" : "                   ";
  }
  char buf[40];
  std::snprintf(buf, sizeof buf,
                utc ? "%04u-%02u-%02uT%02u:%02u:%02uZ" : "%04u-%02u-%02u %02u:%02u:%02u", st.year,
                st.month, st.day, st.hour, st.minute, st.second);
  return buf;
}

double Ratio(int64_t size, int64_t stored) {
  return size > 0 ? (1.0 - static_cast<double>(stored) / static_cast<double>(size)) * 100.0 : 0.0;
}

// Opens the file to learn its sizes; a file with a password of its own
// that is not at hand stays unknown.
void Measure(Session& session, TCoffer& coffer, Listed* item) {
  ContentInfo info;
  if (!ReadContentInfo(coffer, item->entry.path, session.FilePasswordSource().Current(), &info)) {
    return;
  }
  item->size = info.size;
  item->stored = info.stored;
  item->compression = info.compression;
  item->stored_known = true;
}

// The entries PATH names: a folder's tree, one entry, or a mask's matches.
std::vector<TreeEntry> Select(Session& session, TCoffer& coffer) {
  const ParsedArgs& args = session.Args();
  if (args.operands.size() < 2) return WalkTree(coffer, "\\", "*.*", true);
  const std::string& operand = args.operands[1];
  const std::string path = session.Codec().ToStoredPath(operand, true);
  if (path == "\\") return WalkTree(coffer, "\\", "*.*", true);
  const size_t cut = path.find_last_of('\\');
  const std::string last = path.substr(cut + 1);
  if (last.find_first_of("*?") != std::string::npos) {
    return WalkTree(coffer, cut == 0 ? "\\" : path.substr(0, cut), last, true);
  }
  TreeEntry entry;
  if (!FindEntry(coffer, path, &entry)) {
    throw ECofferError(kExitFailure, "'" + operand + "': no such file or folder in the container");
  }
  std::vector<TreeEntry> entries{entry};
  if (entry.folder) {
    for (TreeEntry& e : WalkTree(coffer, path, "*.*", true)) entries.push_back(std::move(e));
  }
  return entries;
}

void PrintText(Session& session, const std::vector<Listed>& items) {
  int64_t files = 0, folders = 0, size = 0, stored = 0;
  std::printf("%-5s %12s %12s %6s  %-19s  %s\n", "Attr", "Size", "Stored", "Ratio", "Modified",
              "Path");
  for (const Listed& item : items) {
    const TreeEntry& e = item.entry;
    std::string path = session.Codec().DisplayPath(e.path);
    if (e.folder) {
      ++folders;
      path += platform::PathDelimiter();
      std::printf("%-5s %12s %12s %6s  %s  %s\n", AttributeText(e.attributes).c_str(), "", "", "",
                  TimeText(e.write_time, false).c_str(), path.c_str());
      continue;
    }
    ++files;
    size += item.size;
    stored += item.stored;
    const std::string size_text = item.stored_known ? std::to_string(item.size) : "?";
    const std::string stored_text = item.stored_known ? std::to_string(item.stored) : "?";
    char ratio[16] = "";
    if (item.stored_known)
      std::snprintf(ratio, sizeof ratio, "%.0f%%", Ratio(item.size, item.stored));
    std::printf("%-5s %12s %12s %6s  %s  %s\n", AttributeText(e.attributes).c_str(),
                size_text.c_str(), stored_text.c_str(), ratio,
                TimeText(e.write_time, false).c_str(), path.c_str());
  }
  std::printf("%lld files, %lld folders, %lld bytes, %lld stored, ratio %.0f%%\n",
              static_cast<long long>(files), static_cast<long long>(folders),
              static_cast<long long>(size), static_cast<long long>(stored), Ratio(size, stored));
}

void PrintJson(Session& session, const std::vector<Listed>& items) {
  JsonWriter json;
  int64_t files = 0, folders = 0, size = 0, stored = 0;
  json.BeginObject();
  json.BeginArray("entries");
  for (const Listed& item : items) {
    const TreeEntry& e = item.entry;
    json.BeginObject();
    json.String("path", session.JsonPath(e.path));
    json.String("type", e.folder ? "folder" : "file");
    json.String("attributes", AttributeText(e.attributes));
    json.Number("attributeWord", e.attributes);
    json.String("modified", TimeText(e.write_time, true));
    if (!e.folder) {
      ++files;
      size += item.size;
      stored += item.stored;
      if (item.stored_known) {
        json.Number("size", item.size);
        json.Number("stored", item.stored);
        json.Real("ratio", Ratio(item.size, item.stored));
        json.Number("compression", item.compression);
      } else {
        json.Null("size");
        json.Null("stored");
        json.Null("ratio");
        json.Null("compression");
      }
    } else {
      ++folders;
    }
    json.EndObject();
  }
  json.EndArray();
  json.BeginObject("totals");
  json.Number("files", files);
  json.Number("folders", folders);
  json.Number("size", size);
  json.Number("stored", stored);
  json.Real("ratio", Ratio(size, stored));
  json.EndObject();
  json.EndObject();
  std::fputs(json.Text().c_str(), stdout);
}

}  // namespace

int RunList(Session& session) {
  std::unique_ptr<TCoffer> coffer = session.Open(session.Args().operands[0], kOpenModeRead);
  std::vector<Listed> items;
  for (TreeEntry& entry : Select(session, *coffer)) {
    Listed item;
    item.entry = std::move(entry);
    if (!item.entry.folder) Measure(session, *coffer, &item);
    items.push_back(std::move(item));
  }
  if (session.Args().Has("json")) {
    PrintJson(session, items);
  } else {
    PrintText(session, items);
  }
  return kExitOk;
}

}  // namespace vor::coffer
