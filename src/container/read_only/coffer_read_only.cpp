// TCoffer's writing file calls for a program that never writes a container
// (the installer, which opens its own container read-only). Linked into such
// a program as an object of its own, these definitions come before the
// container library's, so the library member with the real ones
// (coffer_write.cpp) is never linked. They keep the calls' contracts for a
// container that cannot be written: an unknown handle or a negative size is
// reported as ever, and otherwise nothing is written, LastError is the page
// file's refusal (kPageWriteHeaderError) and LastErrorKind kReadOnly.
//
// A program that links this object and also names another symbol of the
// real member fails to link (these would be defined twice), so the two can
// never be mixed silently.
#include <cstdint>

#include "common/result_code.h"
#include "container/coffer.h"
#include "container/store/page_file.h"

namespace vor {

int32_t TCoffer::FileWrite(int32_t handle, const void*, int32_t count) {
  last_error_ = 0;
  if (count <= 0 || handles_.Find(handle) == nullptr) return 0;
  page_file_->RefuseWrite();
  last_error_ = page_file_->LastError();
  return 0;
}

int64_t TCoffer::FileSetSize(int32_t handle, int64_t new_size) {
  if (handles_.Find(handle) == nullptr) return kInvalidHandle;
  if (new_size < 0) return kFileNotFound;
  page_file_->RefuseWrite();
  last_error_ = page_file_->LastError();
  return last_error_;
}

}  // namespace vor
