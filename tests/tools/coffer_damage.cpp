// Test helper: damages one structure of a container the way a flipped bit
// on disk would, and prints the number of the page it changed.
//
//   coffer_damage ARCHIVE dir|map|data|block
//
// dir, map and data flip one byte of the data area of the first directory
// page, of the largest file's first page-map page, or of its second data
// page, directly in the file (the page checksum no longer fits). block
// flips one byte inside the first compressed block of the largest file and
// writes the page back through the page file, so that its checksum fits
// and only the block's own checks can find the damage.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/store/page_map.h"
#include "container/volume/volume_header.h"

namespace {

using namespace vor;

struct Target {
  int32_t page = -1;
  int64_t file_offset = -1;  // of the page's first data byte
};

// The largest file's map and data pages.
void LargestFile(TPageFileManager& pf, std::shared_ptr<const TIntegerArray>* maps,
                 std::shared_ptr<const TIntegerArray>* data) {
  TFreeSpaceManager fs(pf);
  TDIRManager dir(pf, fs);
  TUserFilePageMapManager pm(pf, fs);
  const TDIRArray& records = dir.DirArray();
  int32_t best = -1;
  for (int32_t i = 0; i < records.ItemCount(); ++i) {
    const TFileRec& r = records.Item(i);
    if (r.Deleted || (r.Attributes & kFileAttributeDirectory) || r.FirstMapPageNo == -1) continue;
    if (best < 0 || r.FileSize > records.Item(best).FileSize) best = i;
  }
  if (best < 0) throw EVorError("no file with content", ErrorKind::kNotFound);
  pm.GetMaps(records.Item(best), maps, data);
}

int FlipOnDisk(const std::string& archive, const std::string& kind) {
  int32_t page = -1;
  int64_t data_start = 0;
  int32_t page_size = 0;
  {
    TPageFileManager pf(archive, 0, "", "", "", false, 4096, 8, -1);
    page_size = pf.Header().PageSize;
    data_start = pf.Store()->HeaderOffset() + static_cast<int64_t>(kVolumeHeaderSize);
    if (kind == "dir") {
      TFreeSpaceManager fs(pf);
      TDIRManager dir(pf, fs);
      page = dir.DIRPageNos()[0];
    } else {
      std::shared_ptr<const TIntegerArray> maps, data;
      LargestFile(pf, &maps, &data);
      if (kind == "map") {
        page = (*maps)[0];
      } else {
        page = (*data)[data->Count() > 1 ? 1 : 0];
      }
    }
  }
  const int64_t offset = data_start + static_cast<int64_t>(page) * page_size + kPageHeaderSize + 8;
  std::fstream f(archive, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(offset);
  char c = 0;
  f.read(&c, 1);
  c = static_cast<char>(c ^ 0x5A);
  f.seekp(offset);
  f.write(&c, 1);
  if (!f) throw EVorError("cannot write the archive", ErrorKind::kIo);
  std::printf("%d\n", page);
  return 0;
}

int FlipInBlock(const std::string& archive) {
  TPageFileManager pf(archive, 2, "", "", "", false, 4096, 8, -1);
  std::shared_ptr<const TIntegerArray> maps, data;
  LargestFile(pf, &maps, &data);
  const int32_t page_no = (*data)[0];
  TPageRecord page;
  pf.InitPage(page);
  if (!pf.ReadPage(page, page_no, -1)) throw EVorError("cannot read the page", ErrorKind::kDamaged);
  // Stream header (128) and block header (16) come first; then the packed
  // bytes of block 0.
  page.pData[128 + 16 + 40] ^= 0x5A;
  if (!pf.WritePage(page, page_no, -1)) throw EVorError("cannot write the page", ErrorKind::kIo);
  pf.DonePage(page);
  pf.Flush();
  std::printf("%d\n", page_no);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: coffer_damage ARCHIVE dir|map|data|block\n");
    return 2;
  }
  try {
    const std::string kind = argv[2];
    if (kind == "block") return FlipInBlock(argv[1]);
    if (kind == "dir" || kind == "map" || kind == "data") return FlipOnDisk(argv[1], kind);
    std::fprintf(stderr, "unknown kind %s\n", argv[2]);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "coffer_damage: %s\n", e.what());
    return 1;
  }
}
