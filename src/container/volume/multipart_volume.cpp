#include "container/volume/multipart_volume.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "common/error.h"
#include "common/seek.h"
#include "container/volume/disk_file.h"
#include "container/volume/memory_file.h"
#include "container/volume/part_size.h"
#include "container/volume/store_environment.h"
#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor {

namespace {

constexpr int64_t kHeaderSize = static_cast<int64_t>(kVolumeHeaderSize);
constexpr int64_t kMinPartSize = kHeaderSize + 100;
// The header search reads the first part in windows of this many bytes.
constexpr int32_t kSearchWindow = 65535;
// A candidate needs the volume header and the container signature behind it.
constexpr int64_t kCandidateSize = kHeaderSize + 8;

// A NextPartName must name a file in the volume's folder: anything that could
// lead elsewhere (a folder, a drive, "..") ends the chain.
bool IsPlainPartName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:") == std::string::npos;
}

// Part names compare without regard to ASCII case, as they do on Windows.
std::string FoldCase(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

TCFRHugeFile::TCFRHugeFile(const std::string& file_name, bool read_only, bool exclusive,
                           bool in_memory, int64_t part_size)
    : file_name_(file_name), exclusive_(exclusive), read_only_(read_only), in_memory_(in_memory) {
  if (part_size == -1) {
    part_size_ = GetMaxPartSize(file_name);
    if (part_size_ <= 0) part_size_ = std::numeric_limits<int32_t>::max();
  } else {
    part_size_ = part_size;
  }
  if (part_size_ < kMinPartSize) {
    throw EVorError("File part size is too small. Minimal part size is 380", ErrorKind::kMisuse);
  }
  part_data_size_ = part_size_ - kHeaderSize;
}

TCFRHugeFile::~TCFRHugeFile() {
  in_memory_ = false;  // so that Close frees memory parts too
  Close();
}

bool TCFRHugeFile::Open(bool create, bool force) { return InternalOpen(file_name_, create, force); }

bool TCFRHugeFile::InternalOpen(const std::string& file_name, bool create, bool force) {
  if (opened_) {
    throw EVorError("TCFRHugeFile.InternalOpen - File is already open.", ErrorKind::kMisuse);
  }
  bool result;
  if (in_memory_ && !parts_.empty() && !create) {
    result = true;  // the memory parts kept by Close
  } else {
    if (!parts_.empty()) {
      throw EVorError("TCFRHugeFile.InternalOpen - File was not closed.", ErrorKind::kMisuse);
    }
    header_offset_ = 0;
    if (create) {
      // A read-only volume on disk can neither delete nor create part files.
      result = CanModifyDisk();
      if (result) {
        DeletePartFiles();
        result = AddPartFile();
      }
    } else {
      result = (OpenPartFiles(file_name) || force) && !parts_.empty();
    }
    // A failed open keeps no part open, so that the volume can be opened again.
    if (!result) parts_.clear();
    size_ = result && !create ? SumOfPartData() : 0;
  }
  position_ = 0;
  positioned_part_ = -1;
  opened_ = result;
  if (result) Seek(0, 0);
  return result;
}

void TCFRHugeFile::Close() {
  if (!in_memory_) {
    parts_.clear();  // each disk store flushes and closes
    size_ = 0;
  }
  position_ = 0;
  positioned_part_ = -1;
  opened_ = false;
}

bool TCFRHugeFile::Flush() {
  bool ok = true;
  for (auto& part : parts_) ok = part->Flush() && ok;
  return ok;
}

void TCFRHugeFile::MapPosition(int64_t p, int64_t* index, int64_t* offset) const {
  const int64_t q = p + header_offset_;
  *index = q / part_data_size_;
  *offset = q - *index * part_data_size_;
  if (*index == 0) *offset -= header_offset_;
}

int64_t TCFRHugeFile::RoomLeft(int64_t index, int64_t offset) const {
  return part_data_size_ - offset - (index == 0 ? header_offset_ : 0);
}

int64_t TCFRHugeFile::SumOfPartData() {
  int64_t sum = 0;
  for (auto& part : parts_) sum += part->GetSize() - kHeaderSize;
  return sum - header_offset_;
}

std::unique_ptr<TCFRAbstractFile> TCFRHugeFile::NewStore(const std::string& name) const {
  if (in_memory_) return std::make_unique<TCFRMemoryFile>(name, read_only_, exclusive_);
  return StoreEnvironment().NewDiskStore(name, read_only_, exclusive_);
}

bool TCFRHugeFile::IsVolumeHeaderAt(TCFRAbstractFile& first, int64_t offset, int64_t file_size) {
  if (file_size - offset < kCandidateSize) return false;
  const int64_t saved = first.GetPosition();
  uint8_t bytes[kCandidateSize];
  first.Seek(offset, 0);
  const bool passed = first.Read(bytes, kCandidateSize) == kCandidateSize &&
                      std::memcmp(bytes, kVolumeSignature, kVolumeSignatureSize) == 0 &&
                      std::memcmp(bytes + kHeaderSize, kContainerSignature, 8) == 0;
  first.Seek(saved, 0);
  return passed;
}

bool TCFRHugeFile::LocateVolumeHeader(TCFRAbstractFile& first) {
  header_offset_ = 0;
  const int64_t file_size = first.GetSize();
  first.Seek(0, 0);
  // The window keeps the last three bytes of the one before it in front, so
  // that a "QZMV" across two windows is found as well.
  constexpr size_t kCarry = 3;
  std::vector<uint8_t> window(kCarry + kSearchWindow);
  size_t carry = 0;
  int64_t position = 0;
  while (position < file_size) {
    const int32_t n = first.Read(window.data() + carry, kSearchWindow);
    if (n <= 0) break;
    const size_t total = carry + static_cast<size_t>(n);
    const int64_t base = position - static_cast<int64_t>(carry);  // file offset of window[0]
    for (size_t i = 0; i + 4 <= total; ++i) {
      if (window[i] == 'Q' && std::memcmp(&window[i], "QZMV", 4) == 0 &&
          IsVolumeHeaderAt(first, base + static_cast<int64_t>(i), file_size)) {
        header_offset_ = base + static_cast<int64_t>(i);
        return true;
      }
    }
    carry = std::min(kCarry, total);
    std::memmove(window.data(), window.data() + total - carry, carry);
    position += n;
  }
  return false;
}

bool TCFRHugeFile::OpenPartFiles(const std::string& file_name) {
  const std::string folder = platform::ExtractFilePath(file_name);
  std::string name = platform::ExtractFileName(file_name);
  std::vector<std::string> chain;  // the names met so far, to stop a loop
  first_part_open_error_ = 0;
  for (;;) {
    const bool first = parts_.empty();
    const std::string path = folder + name;
    chain.push_back(FoldCase(name));
    std::unique_ptr<TCFRAbstractFile> store = NewStore(path);
    bool opened = false;
    if (in_memory_) {
      std::unique_ptr<TCFRAbstractFile> source =
          StoreEnvironment().NewDiskStore(path, /*read_only=*/true, exclusive_);
      if (source->Open(false)) {
        try {
          opened = store->Open(true);
          if (opened) {
            store->CopyFrom(*source, 0);
            store->SetPosition(0);
          }
        } catch (const EVorError&) {
          opened = false;  // a part too large for memory, or a read failure
        }
      }
    } else {
      opened = store->Open(false);
      if (!opened && first) first_part_open_error_ = platform::LastOsError();
    }
    if (!opened) return false;
    parts_.push_back(std::move(store));
    TCFRAbstractFile& part = *parts_.back();

    if (first) {
      LocateVolumeHeader(part);
      part.Seek(header_offset_, 0);
    }
    const bool complete = part.Read(header_.Data(), kHeaderSize) == kHeaderSize;
    const std::string next = header_.NextPartName();
    const int64_t length = part.GetSize();
    bool valid = complete && header_.HasSignature() && length >= kHeaderSize;
    if (valid && first) {
      // The first header's part size rules the volume; one below the minimum
      // could not hold a single part and marks the header as damaged.
      const int64_t header_part_size = header_.PartSize();
      valid = header_part_size >= kMinPartSize;
      if (valid) {
        part_size_ = header_part_size;
        part_data_size_ = part_size_ - kHeaderSize;
      }
    }
    // No part is ever longer than PartSize; a longer one would put its tail
    // where the position mapping expects the next part.
    if (valid && length > part_size_) valid = false;
    if (!valid) {
      parts_.pop_back();
      if (first) header_offset_ = 0;
      return false;
    }
    if (length < part_size_ && !next.empty()) return false;  // a part before the last not full
    if (next.empty()) return true;
    if (!IsPlainPartName(next) ||
        std::find(chain.begin(), chain.end(), FoldCase(next)) != chain.end()) {
      return false;  // the chain leads out of the folder or back into itself
    }
    name = next;
  }
}

bool TCFRHugeFile::DeletePartFiles() {
  if (in_memory_) {
    parts_.clear();
    size_ = 0;
    return true;
  }
  const std::string folder = platform::ExtractFilePath(file_name_);
  std::string path = file_name_;
  for (size_t i = 0;; ++i) {
    std::string next;
    {
      std::unique_ptr<TCFRAbstractFile> part =
          StoreEnvironment().NewDiskStore(path, /*read_only=*/true, /*exclusive=*/false);
      if (!part->Open(false)) return false;
      part->Seek(i == 0 ? header_offset_ : 0, 0);
      // Only a real volume header names further parts: a file that merely
      // occupies the volume's name must not make other files go.
      if (part->Read(header_.Data(), kHeaderSize) == kHeaderSize && header_.HasSignature()) {
        next = header_.NextPartName();
      }
    }
    if (!StoreEnvironment().DeleteFile(path)) return false;
    if (next.empty()) return true;
    if (!IsPlainPartName(next)) return false;
    path = folder + next;
  }
}

bool TCFRHugeFile::WritePartHeader(size_t index, const std::string& next_name) {
  TCFRAbstractFile& part = *parts_[index];
  const int64_t saved = part.GetPosition();
  header_.Init(part_size_);
  if (!header_.SetNextPartName(next_name)) return false;
  part.Seek(HeaderPosition(index), 0);
  const bool ok = part.Write(header_.Data(), kHeaderSize) == kHeaderSize;
  part.Seek(saved, 0);
  return ok;
}

bool TCFRHugeFile::AddPartFile() {
  if (!CanModifyDisk()) {
    last_failure_kind_ = ErrorKind::kReadOnly;
    return false;
  }
  const size_t k = parts_.size();
  std::string name = file_name_;
  if (k > 0) {
    auto taken = [this](const std::string& candidate) {
      if (platform::GetFileAttributes(candidate) != platform::kInvalidFileAttributes) return true;
      for (const auto& part : parts_) {
        if (FoldCase(part->FileName()) == FoldCase(candidate)) return true;
      }
      return false;
    };
    for (size_t number = k;; ++number) {
      name = file_name_ + std::to_string(number);
      if (!taken(name)) break;
    }
    if (platform::ExtractFileName(name).size() > kMaxNextPartNameLength) {
      last_failure_kind_ = ErrorKind::kIo;  // no name is left for the next part
      return false;
    }
    if (observer_ != nullptr) observer_->BeforeNewPart(name);
  }
  std::unique_ptr<TCFRAbstractFile> store = NewStore(name);
  if (!store->Open(true)) {
    NoteFailure(platform::LastOsError());
    return false;
  }
  header_.Init(part_size_);
  store->Seek(HeaderPosition(k), 0);
  if (store->Write(header_.Data(), kHeaderSize) != kHeaderSize) {
    NoteFailure(platform::LastOsError());
    store.reset();
    if (!in_memory_) StoreEnvironment().DeleteFile(name);
    return false;
  }
  parts_.push_back(std::move(store));
  if (k >= 1 && !WritePartHeader(k - 1, platform::ExtractFileName(name))) {
    parts_.pop_back();
    if (!in_memory_) StoreEnvironment().DeleteFile(name);
    WritePartHeader(k - 1, std::string());
    return false;
  }
  return true;
}

void TCFRHugeFile::NoteFailure(uint32_t code) {
  last_failure_ = code;
  last_failure_kind_ = platform::KindOfOsError(code);
}

bool TCFRHugeFile::ClearLastPartLink() {
  if (parts_.empty() || !CanModifyDisk()) return false;
  return WritePartHeader(parts_.size() - 1, std::string());
}

void TCFRHugeFile::DeleteLastPartFile() {
  if (parts_.size() <= 1) {
    throw EVorError("TCFRHugeFile.DeleteLastPartFile - No parts to delete.", ErrorKind::kMisuse);
  }
  if (!CanModifyDisk()) {
    throw EVorError("TCFRHugeFile.DeleteLastPartFile - File is read-only.", ErrorKind::kReadOnly);
  }
  const std::string name = parts_.back()->FileName();
  size_ -= parts_.back()->GetSize() - kHeaderSize;
  parts_.pop_back();
  if (!in_memory_) StoreEnvironment().DeleteFile(name);
  WritePartHeader(parts_.size() - 1, std::string());
  positioned_part_ = -1;
}

void TCFRHugeFile::SetSize(int64_t value) {
  if (value < 0) throw EVorError("TCFRHugeFile.SetSize - Size < 0.", ErrorKind::kMisuse);
  if (parts_.empty()) {
    throw EVorError("TCFRHugeFile.SetSize - File is not open.", ErrorKind::kMisuse);
  }
  if (!CanModifyDisk()) {
    throw EVorError("TCFRHugeFile.SetSize - File is read-only.", ErrorKind::kReadOnly);
  }
  int64_t index;
  int64_t offset;
  if (observer_ != nullptr && value != size_) {
    observer_->BeforeChange(std::min(value, size_), value > size_ ? value - size_ : size_ - value);
  }
  MapPosition(value, &index, &offset);
  positioned_part_ = -1;
  if (value > size_) {
    while (static_cast<int64_t>(parts_.size()) - 1 < index) {
      try {
        parts_.back()->SetSize(part_size_);
      } catch (const platform::EPlatformError& e) {
        NoteFailure(e.Code());
        throw;
      }
      if (!AddPartFile()) {
        size_ = SumOfPartData();
        throw EVorError("TCFRHugeFile.SetSize - Can not add a part file.", last_failure_kind_);
      }
    }
  } else if (value < size_) {
    while (static_cast<int64_t>(parts_.size()) - 1 > index) DeleteLastPartFile();
  }
  if (index < static_cast<int64_t>(parts_.size())) {
    try {
      parts_[static_cast<size_t>(index)]->SetSize(DataStart(static_cast<size_t>(index)) + offset);
    } catch (const platform::EPlatformError& e) {
      NoteFailure(e.Code());
      throw;
    }
    positioned_part_ = index;
  }
  size_ = value;
  position_ = value;
}

int64_t TCFRHugeFile::Seek(int64_t offset, uint16_t origin) {
  if (origin == 0 && offset < 0) {
    throw EVorError("TCFRHugeFile.Seek - Offset < 0 from file beginning.", ErrorKind::kMisuse);
  }
  position_ = ResolveSeek(origin, offset, position_, size_).value_or(position_);
  positioned_part_ = -1;
  // Only a position inside the data, in a part that exists, moves a store.
  if (position_ >= 0 && position_ <= size_) {
    int64_t index;
    int64_t part_offset;
    MapPosition(position_, &index, &part_offset);
    if (index < static_cast<int64_t>(parts_.size())) {
      const size_t i = static_cast<size_t>(index);
      parts_[i]->Seek(DataStart(i) + part_offset, 0);
      positioned_part_ = index;
    }
  }
  return position_;
}

int32_t TCFRHugeFile::Read(void* buffer, int32_t count) {
  // A negative position (a seek from the end or the current position may
  // leave one) would read the headers; it is as far out as one beyond Size.
  if (position_ > size_ || position_ < 0) {
    throw EVorError("TCFRHugeFile.Read - Stream read error.", ErrorKind::kMisuse);
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    int64_t index;
    int64_t offset;
    MapPosition(position_, &index, &offset);
    if (index >= static_cast<int64_t>(parts_.size())) break;  // the data ends at a part boundary
    const size_t i = static_cast<size_t>(index);
    const int64_t room = RoomLeft(index, offset);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, room));
    if (positioned_part_ != index) parts_[i]->Seek(DataStart(i) + offset, 0);
    int32_t got = parts_[i]->Read(out + done, n);
    if (got < 0) {
      got = 0;
      positioned_part_ = -1;  // the store's position is not known after a failure
    } else {
      positioned_part_ = got == room ? -1 : index;
    }
    done += got;
    position_ += got;
    if (got < n) break;
  }
  return done;
}

void TCFRHugeFile::ReadBuffer(void* buffer, int32_t count) {
  if (count == 0) return;
  if (Read(buffer, count) != count)
    throw EVorError("TCFRHugeFile.ReadBuffer - Stream read error", ErrorKind::kDamaged);
}

int32_t TCFRHugeFile::Write(const void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0 || parts_.empty() || !CanModifyDisk()) return 0;
  if (observer_ != nullptr) {
    // A position beyond the end extends the volume up to it first. (An
    // observer that reads the volume puts the position back.)
    const int64_t p = position_;
    const int64_t start = std::min(p, size_);
    observer_->BeforeChange(start, p + count - start);
  }
  if (position_ > size_) {
    const int64_t p = position_;
    try {
      SetPosition(0);
      SetSize(p);
    } catch (const EVorError& e) {
      // No part could be added or extended: nothing is written. Write
      // reports by its count; the reason stays in LastFailureKind.
      last_failure_kind_ = e.Kind();
      position_ = p;
      return 0;
    }
    SetPosition(p);
    if (GetPosition() != p) return 0;
  }
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    int64_t index;
    int64_t offset;
    MapPosition(position_, &index, &offset);
    const int64_t part_count = static_cast<int64_t>(parts_.size());
    if (index > part_count) break;  // never skip a part
    const size_t i = static_cast<size_t>(index);
    if (index == part_count) {
      if (!AddPartFile()) break;  // its position is right behind the new header
    } else if (positioned_part_ != index) {
      parts_[i]->Seek(DataStart(i) + offset, 0);
    }
    const int64_t room = RoomLeft(index, offset);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, room));
    int32_t written = parts_[i]->Write(in + done, n);
    if (written < n) NoteFailure(platform::LastOsError());
    if (written < 0) {
      written = 0;
      positioned_part_ = -1;  // the store's position is not known after a failure
    } else {
      positioned_part_ = written == room ? -1 : index;
    }
    done += written;
    position_ += written;
    if (position_ > size_) size_ = position_;
    if (written < n) break;
  }
  return done;
}

void TCFRHugeFile::WriteBuffer(const void* buffer, int32_t count) {
  if (count == 0) return;
  if (Write(buffer, count) != count) {
    ErrorKind kind = CanModifyDisk() ? last_failure_kind_ : ErrorKind::kReadOnly;
    if (kind == ErrorKind::kGeneral) kind = ErrorKind::kIo;
    throw EVorError("TCFRHugeFile.WriteBuffer - Stream write error", kind);
  }
}

}  // namespace vor
