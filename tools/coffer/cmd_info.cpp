// coffer info: volume and container header fields.
//
// Read through the engine's own classes: the page file for the volume and
// the header, the allocation maps for the extent counts and the directory
// for the records.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page_file.h"
#include "exit_codes.h"
#include "json.h"

namespace vor::coffer {

std::string CompressionName(int type) {
  switch (type) {
    case 0:
      return "store";
    case 1:
    case 2:
    case 5:
      return "deflate";
    case 3:
    case 4:
    case 6:
      return "PPM";
    case 7:
    case 8:
    case 9:
      return "bzip2";
    default:
      return "unknown";
  }
}

namespace {

struct Field {
  const char* key;
  const char* label;
  int64_t value;
};

}  // namespace

int RunInfo(Session& session) {
  const std::string& archive = session.Args().operands[0];
  session.RecoverBeforeOpen(archive, true);
  const std::string password = session.ContainerPassword(archive);
  TPageFileManager page_file(archive, kOpenModeRead, password, "", "", false, 4096, 8, -1);
  TFreeSpaceManager free_space(page_file);
  TDIRManager directory(page_file, free_space);
  const TContainerHeader& h = page_file.Header();
  TCFRHugeFile& volume = *page_file.Store();

  int64_t files = 0, folders = 0, bytes = 0;
  const TDIRArray& records = directory.DirArray();
  for (int32_t i = 0; i < records.ItemCount(); ++i) {
    const TFileRec& rec = records.Item(i);
    if (rec.Deleted != 0) continue;
    if (rec.Attributes & kFileAttributeDirectory) {
      ++folders;
    } else {
      ++files;
      bytes += rec.FileSize;
    }
  }

  const Field volume_fields[] = {
      {"parts", "Parts", static_cast<int64_t>(volume.PartCount())},
      {"prefixLength", "Prefix length", volume.HeaderOffset()},
      {"partSize", "Part size", volume.PartSize()},
      {"volumeSize", "Volume data size", volume.GetSize()},
  };
  const Field header_fields[] = {
      {"formatVersion", "Format version", h.FormatVersion},
      {"pageSize", "Page size", h.PageSize},
      {"pageDataSize", "Page data size", page_file.PageDataSize()},
      {"extentPageCount", "Extent size (pages)", h.ExtentPageCount},
      {"pageCount", "Pages", h.FilePageCount},
      {"pfsPageCount", "PFS pages", h.PFSPageCount},
      {"gamPageCount", "GAM/SGAM page pairs", h.GAMPageCount},
      {"dirPageCount", "Directory pages", h.DIRPageCount},
      {"firstDirPage", "First directory page", h.FirstDIRPageNo},
      {"dirItemCount", "Directory records", h.DIRItemCount},
      {"extentCount", "Extents", free_space.ExtentCount()},
      {"freeExtentCount", "Free extents", free_space.FreeExtentCount()},
      {"mixedExtentCount", "Mixed extents", free_space.MixedExtentCount()},
      {"files", "Files", files},
      {"folders", "Folders", folders},
      {"bytes", "Bytes in files", bytes},
  };

  if (session.Args().Has("json")) {
    JsonWriter json;
    json.BeginObject();
    json.BeginObject("volume");
    for (const Field& f : volume_fields) json.Number(f.key, f.value);
    json.EndObject();
    json.BeginObject("container");
    for (const Field& f : header_fields) json.Number(f.key, f.value);
    json.Bool("encrypted", h.Encrypted != 0);
    json.Number("defaultCompression", h.DefaultCompression);
    json.String("defaultCompressionName", CompressionName(h.DefaultCompression));
    json.EndObject();
    json.EndObject();
    std::fputs(json.Text().c_str(), stdout);
    return kExitOk;
  }
  std::printf("Volume\n");
  for (const Field& f : volume_fields) {
    std::printf("  %-22s %lld\n", f.label, static_cast<long long>(f.value));
  }
  std::printf("Container\n");
  for (const Field& f : header_fields) {
    if (std::string(f.key) == "formatVersion") {
      std::printf("  %-22s 0x%08llX\n", f.label, static_cast<unsigned long long>(f.value));
    } else {
      std::printf("  %-22s %lld\n", f.label, static_cast<long long>(f.value));
    }
  }
  std::printf("  %-22s %s\n", "Encrypted", h.Encrypted != 0 ? "yes (Rijndael)" : "no");
  std::printf("  %-22s %d (%s)\n", "Default compression", h.DefaultCompression,
              CompressionName(h.DefaultCompression).c_str());
  return kExitOk;
}

}  // namespace vor::coffer
