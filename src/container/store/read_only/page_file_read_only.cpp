// Page writes for a program that never writes a container (the installer,
// which opens its own container read-only). Linked into such a program as an
// object of its own, these definitions come before the store library's, so
// the library member with the real ones (page_file_write.cpp), and with it
// page enciphering and checksumming for writing, is never linked. Every page
// write is refused exactly as on a container opened read-only: nothing is
// written, LastError is kPageWriteHeaderError and LastFailureKind kReadOnly.
//
// A program that links this object and also names another symbol of the
// real member fails to link (these would be defined twice), so the two can
// never be mixed silently.
#include <cstdint>
#include <string>

#include "container/store/page.h"
#include "container/store/page_file.h"

namespace vor {

bool TPageFileManager::WritePage(TPageRecord&, int32_t, int32_t, const std::string&) {
  last_error_ = 0;
  RefuseWrite();
  return false;
}

int32_t TPageFileManager::WritePageRun(const TPageRecord&, int32_t, int32_t, const uint8_t*,
                                       const std::string&) {
  last_error_ = 0;
  RefuseWrite();
  return 0;
}

}  // namespace vor
