// The container engine's result codes and the error kind each one means.
//
// Low-level operations report some failures by result rather than by
// exception: a page read or write returns false and leaves its code in
// LastError, the facade's file calls return a negative code, the folder
// search returns one. The numbers are part of the engine's interface
// (callers and stored expectations rely on them), so they stay as they
// are; code compares against the names below, never against the numbers,
// and turns a code into an error kind with KindOfResult.
#pragma once

#include <cstdint>

#include "common/error.h"

namespace vor {

enum CofferResult : int32_t {
  kResultOk = 0,
  // The facade's file calls.
  kFileNotFound = -1,   // FileOpen: no such file, blocked, or no password
  kInvalidHandle = -6,  // FileSetSize: the handle is not open
  kFileInUse = -16,     // FileCreate: a file of that name is open
  // The directory's folder search.
  kSearchFolderNotFound = -2,  // the folder searched does not exist
  kSearchClosed = -4,          // FindNext on a search that was closed
  kSearchNoMore = -5,          // nothing (more) matches
  // Page reads and writes (the page file's LastError).
  kPageReadHeaderError = -7,
  kPageWriteHeaderError = -8,
  kPageReadDataError = -9,
  kPageWriteDataError = -10,
  kPageChecksumError = -11,
  kPageDecodeError = -12,
  kPageEncodeError = -13,
  kPageTypeError = -14,  // ReadPage of a given type: the page is of another type
  // The directory and the page maps: the allocation maps gave no pages.
  kNoFreePagesError = -17,
};

// The kind of failure a result code reports; kGeneral for kResultOk and
// for numbers that are no result code.
constexpr ErrorKind KindOfResult(int32_t code) {
  switch (code) {
    case kFileNotFound:
    case kSearchFolderNotFound:
    case kSearchNoMore:
      return ErrorKind::kNotFound;
    case kInvalidHandle:
    case kSearchClosed:
    case kPageEncodeError:  // a page handed over with an encryption type there is no cipher for
      return ErrorKind::kMisuse;
    case kFileInUse:
      return ErrorKind::kInUse;
    // A page that cannot be read in full lies beyond the end of a cut-off
    // container; one whose checksum or cipher fails holds damaged bytes, and
    // so does one that is not of the type its reader expects (a zeroed page
    // has a valid checksum but type 0).
    case kPageReadHeaderError:
    case kPageReadDataError:
    case kPageChecksumError:
    case kPageDecodeError:
    case kPageTypeError:
      return ErrorKind::kDamaged;
    case kPageWriteHeaderError:
    case kPageWriteDataError:
      return ErrorKind::kIo;
    case kNoFreePagesError:
      return ErrorKind::kDiskFull;
    default:
      return ErrorKind::kGeneral;
  }
}

}  // namespace vor
