// coffer cat: a stored file's content on standard output.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "platform/terminal.h"
#include "walk.h"

namespace vor::coffer {

int RunCat(Session& session) {
  const ParsedArgs& args = session.Args();
  std::unique_ptr<TCoffer> coffer = session.Open(args.operands[0], kOpenModeRead);
  const std::string path = session.Codec().ToStoredPath(args.operands[1]);
  TreeEntry entry;
  if (!FindEntry(*coffer, path, &entry)) {
    throw ECofferError(kExitFailure, "'" + args.operands[1] + "': no such file in the container");
  }
  if (entry.folder) throw ECofferError(kExitFailure, "'" + args.operands[1] + "' is a folder");
  TCFRFileStream stream(coffer.get(), path, kOpenModeRead, coffer->Password(), "", "", 0);
  platform::SetBinaryMode(platform::StdStream::kOutput);
  const int32_t chunk = stream.BlockStream().BufferSize();
  std::vector<uint8_t> buffer(static_cast<size_t>(chunk > 0 ? chunk : 1 << 20));
  int64_t total = 0;
  while (true) {
    const int32_t n = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (n <= 0) break;
    if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), stdout) != static_cast<size_t>(n)) {
      throw ECofferError(kExitIoError, "standard output: write error");
    }
    total += n;
  }
  if (std::fflush(stdout) != 0) throw ECofferError(kExitIoError, "standard output: write error");
  if (total != stream.Size()) {
    throw ECofferError(kExitDamaged, "'" + args.operands[1] + "': only " + std::to_string(total) +
                                         " of " + std::to_string(stream.Size()) +
                                         " bytes could be read (error " +
                                         std::to_string(coffer->LastError()) + ")");
  }
  return kExitOk;
}

}  // namespace vor::coffer
