// Fuzz entry: a container opened from arbitrary bytes, listed, every file
// read through its file stream and through raw handle reads, its structures
// checked page by page, and its tree exported into a folder of its own.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "common/coding.h"
#include "common/error.h"
#include "container/coffer.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/page_file.h"
#include "container/store/page_map.h"
#include "container/stream/file_stream.h"
#include "crypto/checksum.h"
#include "entries/fuzz_support.h"
#include "fuzz_entries.h"
#include "platform/fs.h"

namespace vor::fuzz {

namespace {

// Bounds of the harness itself, so that one input stays quick: folders
// deeper than this are not listed, reads stop after this many bytes (per
// file, and in all).
constexpr int kMaxDepth = 24;
constexpr int64_t kMaxReadPerFile = 8 << 20;
constexpr int64_t kMaxReadTotal = 32 << 20;
constexpr int32_t kMaxListed = 4096;

struct Listed {
  std::string path;
  bool folder;
};

// Lists the tree under folder ("\" the root) depth first.
void ListTree(TCoffer& coffer, const std::string& folder, int depth, std::vector<Listed>* out) {
  if (depth > kMaxDepth) return;
  TSearchRec rec;
  std::vector<Listed> here;
  int32_t result = coffer.FindFirst(folder + "*.*", 0x3F, &rec);
  while (result == 0 && static_cast<int32_t>(out->size() + here.size()) < kMaxListed) {
    here.push_back({folder + rec.Name, (rec.Attr & 0x10) != 0});
    result = coffer.FindNext(&rec);
  }
  coffer.FindClose(&rec);
  for (const Listed& item : here) {
    out->push_back(item);
    if (item.folder) ListTree(coffer, item.path + "\\", depth + 1, out);
  }
}

// Reads the file through the public file stream; returns the bytes read.
int64_t ReadThroughFileStream(TCoffer& coffer, const std::string& path) {
  TCFRFileStream stream(&coffer, path, 0, kContainerPassword, "", "", 0);
  std::vector<uint8_t> buffer(65536);
  int64_t total = 0;
  while (total < kMaxReadPerFile) {
    const int32_t n = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (n <= 0) break;
    total += n;
  }
  // A few reads at positions near the end and past it.
  const int64_t size = stream.Size();
  if (size <= 0) return total;
  const int64_t past = size < INT64_MAX - 100 ? size + 100 : INT64_MAX;
  for (int64_t p : {size - 1, size, past, size / 2}) {
    stream.Seek(p, 0);
    stream.Read(buffer.data(), 100);
  }
  return total;
}

// Reads the file's raw bytes through a handle; returns the bytes read.
int64_t ReadRaw(TCoffer& coffer, const std::string& path) {
  struct Handle {
    TCoffer& coffer;
    int32_t number;
    ~Handle() {
      if (number >= 0) coffer.FileClose(number);
    }
  } handle{coffer, coffer.FileOpen(path, 0, kContainerPassword, "", "")};
  if (handle.number < 0) return 0;
  std::vector<uint8_t> buffer(65536);
  int64_t total = 0;
  while (total < kMaxReadPerFile) {
    const int32_t n =
        coffer.FileRead(handle.number, buffer.data(), static_cast<int32_t>(buffer.size()));
    if (n <= 0) break;
    total += n;
  }
  return total;
}

// The structure check: every page a directory record or the directory
// itself claims lies inside the container, is marked used, and is claimed
// once. Problems are counted (a damaged container has them); the check must
// only get through every container without a crash.
int CheckStructures(const std::string& name) {
  TPageFileManager page_file(name, 0, kContainerPassword, "", "", false, 4096, 8, -1);
  page_file.LoadHeader();
  TFreeSpaceManager free_space(page_file);
  TDIRManager directory(page_file, free_space);
  TUserFilePageMapManager page_maps(page_file, free_space);
  const int32_t page_count = page_file.Header().FilePageCount;
  const int32_t first = page_file.Header().FirstExtentPageNo;

  int problems = 0;
  std::set<int32_t> claimed;
  auto claim = [&](int32_t page_no) {
    if (page_no < first || page_no >= page_count) {
      ++problems;
      return;
    }
    if (free_space.PageFree(page_no - first)) ++problems;
    if (!claimed.insert(page_no).second) ++problems;
  };
  for (int32_t i = 0; i < directory.DIRPageNos().Count(); ++i) claim(directory.DIRPageNos()[i]);

  TPageRecord page;
  page_file.InitPage(page);
  const TDIRArray& items = directory.DirArray();
  for (int32_t item = 0; item < items.ItemCount(); ++item) {
    const TFileRec& rec = items.Item(item);
    if (rec.Deleted != 0 || rec.FirstMapPageNo < 0) continue;
    std::shared_ptr<const TIntegerArray> map_pages;
    std::shared_ptr<const TIntegerArray> data_pages;
    try {
      page_maps.GetMaps(rec, &map_pages, &data_pages);
    } catch (const EVorError&) {
      ++problems;
      continue;
    }
    for (int32_t i = 0; i < map_pages->Count(); ++i) {
      claim((*map_pages)[i]);
      if (!page_file.ReadPage(page, (*map_pages)[i], -1)) ++problems;
    }
    for (int32_t i = 0; i < data_pages->Count(); ++i) claim((*data_pages)[i]);
    if (page_maps.PagesForSize(rec.FileSize) != data_pages->Count()) ++problems;
  }
  page_file.DonePage(page);
  return problems;
}

// The path components of the listed names, split at either separator.
std::set<std::string> Components(const std::vector<Listed>& listed) {
  std::set<std::string> parts;
  for (const Listed& item : listed) {
    size_t start = 0;
    while (start <= item.path.size()) {
      size_t cut = item.path.find_first_of("\\/", start);
      if (cut == std::string::npos) cut = item.path.size();
      if (cut > start) parts.insert(item.path.substr(start, cut - start));
      start = cut + 1;
    }
  }
  return parts;
}

// Exports the whole tree into ScratchFolder()/x/y/out and checks that no
// stored name turned up in the folders above it.
std::string ExportAndConfine(TCoffer& coffer, const std::vector<Listed>& listed) {
  const std::string sep(1, platform::PathDelimiter());
  const std::string x = ScratchPath("x");
  const std::string y = x + sep + "y";
  const std::string out = y + sep + "out";
  platform::CreateDirectory(x);
  platform::CreateDirectory(y);
  try {
    coffer.ExportFiles("\\*.*", out, 0x3F, true, 0);
  } catch (const EVorError&) {
    // A name that cannot be exported ends the export with an error.
  }
  for (const std::string& part : Components(listed)) {
    if (part == "." || part == ".." || part == kVolumeFileName) continue;
    for (const std::string& folder : {ScratchFolder(), x, y}) {
      if (part == "x" || part == "y" || part == "out") continue;
      if (platform::GetFileAttributes(folder + sep + part) != platform::kInvalidFileAttributes) {
        return "the export wrote outside its folder: " + part;
      }
    }
  }
  return std::string();
}

// Runs "coffer check" on the container file; returns its exit code. The
// passwords come from the tool's variables, so that it never asks.
int RunToolCheck(const std::string& name) {
  static char container_password[] = "COFFER_PASSWORD=fuzz";
  static char file_password[] = "COFFER_FILE_PASSWORD=fuzz";
  putenv(container_password);
  putenv(file_password);
  coffer::ParsedArgs args;
  args.command = "check";
  args.operands = {name};
  args.values["no-progress"] = "";
  coffer::Session session(args);
  return coffer::RunCheck(session);
}

// Recomputes the container header's checksum and every page's, so that
// changed bytes reach the structures behind the checksums. The container is
// taken to start right behind a volume header at offset 0.
void RepairChecksums(std::vector<uint8_t>* file) {
  constexpr size_t kVolumeHeader = 280;
  if (file->size() < kVolumeHeader + 256) return;
  uint8_t* header = file->data() + kVolumeHeader;
  EncodeFixed32(header + 8, ComputeChecksum(header + 12, 256 - 12, ChecksumXor));
  const int32_t page_size = static_cast<int32_t>(DecodeFixed32(header + 16));
  if (page_size < kMinPageSize || page_size > kMaxPageSize) return;
  const size_t step = static_cast<size_t>(page_size);
  for (size_t offset = kVolumeHeader + step; offset + step <= file->size(); offset += step) {
    uint8_t* page = file->data() + offset;
    const uint8_t kind = page[10];
    if (kind > 1) continue;
    EncodeFixed32(page + 4,
                  ComputeChecksum(page + kPageHeaderSize, page_size - kPageHeaderSize, kind));
  }
}

}  // namespace

std::string ContainerEntry(const uint8_t* data, size_t size) {
  if (size < 1) return std::string();
  std::vector<uint8_t> file(data + 1, data + size);
  if ((data[0] & 1) != 0) RepairChecksums(&file);
  ClearScratchFolder();
  const std::string name = ScratchPath(kVolumeFileName);
  if (!WriteWholeFile(name, file.data(), file.size())) return "cannot write the container file";

  std::unique_ptr<TCoffer> coffer;
  try {
    coffer = std::make_unique<TCoffer>(name, 0, kContainerPassword, "", "", 0);
  } catch (const EVorError&) {
    return std::string();
  }
  coffer->SetOnPassword(
      [](TCoffer&, const std::string&, std::string&, bool& cancel) { cancel = true; });

  std::vector<Listed> listed;
  try {
    ListTree(*coffer, "\\", 0, &listed);
  } catch (const EVorError&) {
  }
  int64_t largest = 0;
  int64_t budget = kMaxReadTotal;  // records may share their pages: bound the sum
  for (const Listed& item : listed) {
    if (item.folder || budget <= 0) continue;
    try {
      const int64_t read = ReadThroughFileStream(*coffer, item.path);
      largest = std::max(largest, read);
      budget -= read + 1;
    } catch (const EVorError&) {
    }
    try {
      budget -= ReadRaw(*coffer, item.path);
    } catch (const EVorError&) {
    }
  }
  if (coffer->HandleCount() != 0) return "handles left open after every stream was freed";

  try {
    CheckStructures(name);
  } catch (const EVorError&) {
  }
  try {
    RunToolCheck(name);
  } catch (const EVorError&) {
  }

  if (largest < (1 << 20) && listed.size() < 64) {
    std::string fault = ExportAndConfine(*coffer, listed);
    if (!fault.empty()) return fault;
  }
  return std::string();
}

}  // namespace vor::fuzz
