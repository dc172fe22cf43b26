#include "container/store/rollback_journal.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "common/coding.h"
#include "common/error.h"
#include "common/quoting.h"
#include "container/volume/store_environment.h"
#include "container/volume/volume_header.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/time.h"

namespace vor {

namespace {

constexpr char kJournalSuffix[] = "-journal";
constexpr uint8_t kJournalSignature[8] = {'Q', 'Z', 'C', 'F', 'R', 'J', 'N', 'L'};
constexpr uint32_t kJournalFormat = 1;
// Signature, format, page size, nonce, original size, part count.
constexpr int32_t kFixedHeaderSize = 8 + 4 + 4 + 4 + 8 + 4;
constexpr int32_t kRecordHeaderSize = 8;
constexpr int32_t kNewPartTag = -1;
// Bounds for what a journal read from disk may ask for.
constexpr uint32_t kMaxParts = 100000;
constexpr uint32_t kMaxPartNameLength = 260;
constexpr int32_t kMinPageSize = 600;
constexpr int32_t kMaxPageSize = 1 << 20;

// CRC-32 (reflected, polynomial 0xEDB88320), the journal's own checksum.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string FoldCase(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// Reads exactly size bytes at offset; false at the end of the journal.
bool ReadAt(TCFRAbstractFile& store, int64_t offset, uint8_t* data, int32_t size) {
  if (size == 0) return true;
  if (store.Seek(offset, 0) != offset) return false;
  return store.Read(data, size) == size;
}

// The journal's text for messages: its path in single quotes.
// Raises the failure of a disk operation on the journal with the kind the
// operating system's error gives it.
[[noreturn]] void RaiseJournalError(const std::string& path, const std::string& what) {
  const uint32_t code = platform::LastOsError();
  const platform::OsErrorClass cls = platform::ClassifyOsError(code);
  if (cls == platform::OsErrorClass::kDiskFull) {
    throw EVorError("disk full while writing " + SingleQuoted(path), ErrorKind::kDiskFull);
  }
  ErrorKind kind = ErrorKind::kIo;
  if (cls == platform::OsErrorClass::kInUse) kind = ErrorKind::kInUse;
  if (cls == platform::OsErrorClass::kAccessDenied) kind = ErrorKind::kReadOnly;
  throw EVorError("the journal " + SingleQuoted(path) + " " + what, kind);
}

struct JournalHeader {
  int32_t page_size = 0;
  uint32_t nonce = 0;
  int64_t original_size = 0;
  std::vector<std::string> parts;
  int64_t size = 0;  // bytes of the header in the file
};

// Reads and checks the header; false when it is incomplete or damaged.
bool ReadHeader(TCFRAbstractFile& store, JournalHeader* header) {
  uint8_t fixed[kFixedHeaderSize];
  if (!ReadAt(store, 0, fixed, kFixedHeaderSize)) return false;
  if (std::memcmp(fixed, kJournalSignature, 8) != 0) return false;
  if (DecodeFixed32(fixed + 8) != kJournalFormat) return false;
  header->page_size = DecodeFixedI32(fixed + 12);
  header->nonce = DecodeFixed32(fixed + 16);
  header->original_size = DecodeFixedI64(fixed + 20);
  const uint32_t part_count = DecodeFixed32(fixed + 28);
  if (header->page_size < kMinPageSize || header->page_size > kMaxPageSize ||
      header->original_size < 0 || part_count < 1 || part_count > kMaxParts) {
    return false;
  }
  uint32_t crc = Crc32(0, fixed, kFixedHeaderSize);
  int64_t at = kFixedHeaderSize;
  for (uint32_t i = 0; i < part_count; ++i) {
    uint8_t length_bytes[2];
    if (!ReadAt(store, at, length_bytes, 2)) return false;
    const uint16_t length = DecodeFixed16(length_bytes);
    if (length == 0 || length > kMaxPartNameLength) return false;
    std::string name(length, '\0');
    if (!ReadAt(store, at + 2, reinterpret_cast<uint8_t*>(&name[0]), length)) return false;
    crc = Crc32(crc, length_bytes, 2);
    crc = Crc32(crc, reinterpret_cast<const uint8_t*>(name.data()), name.size());
    header->parts.push_back(name);
    at += 2 + length;
  }
  uint8_t stored[4];
  if (!ReadAt(store, at, stored, 4) || DecodeFixed32(stored) != crc) return false;
  header->size = at + 4;
  return true;
}

uint32_t RecordCrc(uint32_t nonce, const uint8_t* record_header, const uint8_t* bytes,
                   uint32_t length) {
  uint8_t n[4];
  EncodeFixed32(n, nonce);
  uint32_t crc = Crc32(0, n, 4);
  crc = Crc32(crc, record_header, kRecordHeaderSize);
  return Crc32(crc, bytes, length);
}

// Deletes the journal file and makes that durable; raises when it stays.
void DeleteJournal(const std::string& path) {
  TStoreEnvironment& env = StoreEnvironment();
  if (!env.DeleteFile(path)) RaiseJournalError(path, "cannot be deleted");
  env.FlushFolderOf(path);
}

}  // namespace

TRollbackJournal::TRollbackJournal(TCFRHugeFile& volume, int32_t page_size)
    : volume_(volume), page_size_(page_size), path_(PathFor(volume.FileName())) {}

TRollbackJournal::~TRollbackJournal() = default;

std::string TRollbackJournal::PathFor(const std::string& container_path) {
  return container_path + kJournalSuffix;
}

bool TRollbackJournal::Exists(const std::string& container_path) {
  return platform::GetFileAttributes(PathFor(container_path)) != platform::kInvalidFileAttributes;
}

bool TRollbackJournal::HoldsChange(const std::string& container_path) {
  const std::string path = PathFor(container_path);
  std::unique_ptr<TCFRAbstractFile> store =
      StoreEnvironment().NewDiskStore(path, /*read_only=*/true, /*exclusive=*/false);
  // One that cannot even be read is treated as holding a change.
  if (!store->Open(false)) return true;
  JournalHeader header;
  return ReadHeader(*store, &header);
}

// ------------------------------------------------------------ writing

void TRollbackJournal::Fail(const char* what) {
  failed_ = true;
  RaiseJournalError(path_, what);
}

void TRollbackJournal::Start() {
  // The journal is shared as its container is.
  store_ = StoreEnvironment().NewDiskStore(path_, /*read_only=*/false, volume_.Exclusive());
  if (!store_->Open(true)) {
    store_.reset();
    failed_ = true;
    RaiseJournalError(path_, "cannot be created");
  }
  nonce_ = platform::GetTickCount() * 2654435761u ^
           static_cast<uint32_t>(platform::QueryPerformanceCounter());
  original_size_ = volume_.GetSize();
  const int64_t pages = (original_size_ + page_size_ - 1) / page_size_;
  saved_.assign(static_cast<size_t>(pages), false);

  std::vector<uint8_t> header(kFixedHeaderSize);
  std::memcpy(header.data(), kJournalSignature, 8);
  EncodeFixed32(header.data() + 8, kJournalFormat);
  EncodeFixedI32(header.data() + 12, page_size_);
  EncodeFixed32(header.data() + 16, nonce_);
  EncodeFixedI64(header.data() + 20, original_size_);
  EncodeFixed32(header.data() + 28, static_cast<uint32_t>(volume_.PartCount()));
  for (size_t i = 0; i < volume_.PartCount(); ++i) {
    const std::string name = platform::ExtractFileName(volume_.Part(i).FileName());
    uint8_t length[2];
    EncodeFixed16(length, static_cast<uint16_t>(name.size()));
    header.insert(header.end(), length, length + 2);
    header.insert(header.end(), name.begin(), name.end());
  }
  uint8_t crc[4];
  EncodeFixed32(crc, Crc32(0, header.data(), header.size()));
  header.insert(header.end(), crc, crc + 4);
  end_ = 0;
  if (store_->Write(header.data(), static_cast<int32_t>(header.size())) !=
      static_cast<int32_t>(header.size())) {
    Fail("cannot be written");
  }
  end_ = static_cast<int64_t>(header.size());
  FlushJournal();
  // The journal's name must be on disk before the container changes.
  if (!StoreEnvironment().FlushFolderOf(path_)) Fail("cannot be flushed to disk");
}

void TRollbackJournal::Append(int32_t tag, const uint8_t* bytes, uint32_t length) {
  std::vector<uint8_t> record(kRecordHeaderSize + length + 4);
  EncodeFixedI32(record.data(), tag);
  EncodeFixed32(record.data() + 4, length);
  if (length > 0) std::memcpy(record.data() + kRecordHeaderSize, bytes, length);
  EncodeFixed32(record.data() + kRecordHeaderSize + length,
                RecordCrc(nonce_, record.data(), bytes, length));
  const int32_t size = static_cast<int32_t>(record.size());
  if (store_->Seek(end_, 0) != end_ || store_->Write(record.data(), size) != size) {
    Fail("cannot be written");
  }
  end_ += size;
}

void TRollbackJournal::FlushJournal() {
  if (!store_->Flush()) Fail("cannot be flushed to disk");
}

void TRollbackJournal::BeforeChange(int64_t position, int64_t count) {
  if (count <= 0) return;
  if (failed_) Fail("could not be written earlier");
  if (store_ == nullptr) Start();
  const int64_t end = std::min(position + count, original_size_);
  if (position >= end) return;  // only bytes beyond the original end
  const int64_t first = position / page_size_;
  const int64_t last = (end - 1) / page_size_;
  int64_t unsaved = first;
  while (unsaved <= last && saved_[static_cast<size_t>(unsaved)]) ++unsaved;
  if (unsaved > last) return;  // every page of the range is in the journal already
  std::vector<uint8_t> page;
  bool appended = false;
  const int64_t saved_position = volume_.Position();
  for (int64_t p = unsaved; p <= last; ++p) {
    if (saved_[static_cast<size_t>(p)]) continue;
    const int64_t offset = p * page_size_;
    const int32_t length =
        static_cast<int32_t>(std::min<int64_t>(page_size_, original_size_ - offset));
    page.resize(static_cast<size_t>(length));
    volume_.Seek(offset, 0);
    if (volume_.Read(page.data(), length) != length) {
      failed_ = true;
      throw EVorError("the container's page " + std::to_string(p) +
                          " cannot be read to save it in the journal " + SingleQuoted(path_),
                      ErrorKind::kDamaged);
    }
    Append(static_cast<int32_t>(p), page.data(), static_cast<uint32_t>(length));
    saved_[static_cast<size_t>(p)] = true;
    appended = true;
  }
  volume_.Seek(saved_position, 0);
  if (appended) FlushJournal();
}

void TRollbackJournal::BeforeNewPart(const std::string& path) {
  if (failed_) Fail("could not be written earlier");
  if (store_ == nullptr) Start();
  const std::string name = platform::ExtractFileName(path);
  Append(kNewPartTag, reinterpret_cast<const uint8_t*>(name.data()),
         static_cast<uint32_t>(name.size()));
  FlushJournal();
}

// ------------------------------------------------------ commit, rollback

void TRollbackJournal::Reset() {
  store_.reset();
  saved_.clear();
  end_ = 0;
  failed_ = false;
}

bool TRollbackJournal::Commit() {
  if (store_ == nullptr) return true;
  if (failed_) return false;
  // Everything the transaction wrote must be on disk before the journal,
  // which could still undo it, goes.
  if (!volume_.Flush()) return false;
  store_.reset();
  TStoreEnvironment& env = StoreEnvironment();
  if (!env.DeleteFile(path_)) {
    Reset();
    return false;
  }
  env.FlushFolderOf(path_);
  Reset();
  return true;
}

void TRollbackJournal::Rollback() {
  if (store_ == nullptr) return;
  store_.reset();
  TVolumeObserver* observer = volume_.Observer();
  volume_.SetObserver(nullptr);
  try {
    PlayBack(volume_);
  } catch (...) {
    volume_.SetObserver(observer);
    Reset();
    throw;
  }
  volume_.SetObserver(observer);
  Reset();
}

bool TRollbackJournal::PlayBack(TCFRHugeFile& volume) {
  const std::string path = PathFor(volume.FileName());
  TStoreEnvironment& env = StoreEnvironment();
  JournalHeader header;
  bool whole;
  std::vector<std::string> new_parts;
  {
    std::unique_ptr<TCFRAbstractFile> store =
        env.NewDiskStore(path, /*read_only=*/false, /*exclusive=*/true);
    if (!store->Open(false)) {
      if (!Exists(volume.FileName())) return false;
      RaiseJournalError(path, "cannot be opened");
    }
    whole = ReadHeader(*store, &header);
    if (whole) {
      if (volume.PartCount() < header.parts.size()) {
        throw EVorError("the part file '" + header.parts[volume.PartCount()] +
                            "' of the container is missing: the unfinished change in the journal " +
                            SingleQuoted(path) + " cannot be rolled back",
                        ErrorKind::kDamaged);
      }
      // Page images first; the part files the change added are noted.
      const int64_t journal_size = store->GetSize();
      int64_t at = header.size;
      std::vector<uint8_t> bytes;
      while (at + kRecordHeaderSize + 4 <= journal_size) {
        uint8_t record_header[kRecordHeaderSize];
        if (!ReadAt(*store, at, record_header, kRecordHeaderSize)) break;
        const int32_t tag = DecodeFixedI32(record_header);
        const uint32_t length = DecodeFixed32(record_header + 4);
        // Bounded before anything is sized from it: a page's bytes, or a name.
        if (tag >= 0) {
          const int64_t offset = static_cast<int64_t>(tag) * header.page_size;
          if (length == 0 || length > static_cast<uint32_t>(header.page_size) ||
              offset + length > header.original_size) {
            break;
          }
        } else if (tag != kNewPartTag || length == 0 || length > kMaxPartNameLength) {
          break;
        }
        if (at + kRecordHeaderSize + length + 4 > journal_size) break;
        bytes.resize(length + 4);
        if (!ReadAt(*store, at + kRecordHeaderSize, bytes.data(),
                    static_cast<int32_t>(length + 4))) {
          break;
        }
        if (DecodeFixed32(bytes.data() + length) !=
            RecordCrc(header.nonce, record_header, bytes.data(), length)) {
          break;  // the tail of a record cut short: its change was never made
        }
        if (tag >= 0) {
          volume.Seek(static_cast<int64_t>(tag) * header.page_size, 0);
          volume.WriteBuffer(bytes.data(), static_cast<int32_t>(length));
        } else {
          new_parts.emplace_back(reinterpret_cast<const char*>(bytes.data()), length);
        }
        at += kRecordHeaderSize + length + 4;
      }
    }
  }
  if (!whole) {
    // The header never became durable, so the container was never touched.
    DeleteJournal(path);
    return false;
  }
  // The volume's old size and parts.
  if (volume.GetSize() != header.original_size) volume.SetSize(header.original_size);
  while (volume.PartCount() > header.parts.size()) volume.DeleteLastPartFile();
  volume.ClearLastPartLink();
  // Part files the change made that are no longer in the chain.
  const std::string folder = platform::ExtractFilePath(volume.FileName());
  for (const std::string& name : new_parts) {
    bool in_use = false;
    for (size_t i = 0; i < volume.PartCount(); ++i) {
      if (FoldCase(platform::ExtractFileName(volume.Part(i).FileName())) == FoldCase(name)) {
        in_use = true;
      }
    }
    const std::string part_path = folder + name;
    if (in_use || !platform::FileExists(part_path)) continue;
    // Only a file that is (or was about to become) a part of a volume.
    bool part_like = platform::GetFileSize(part_path) < static_cast<int64_t>(kVolumeHeaderSize);
    if (!part_like) {
      std::unique_ptr<TCFRAbstractFile> part = env.NewDiskStore(part_path, true, false);
      char signature[kVolumeSignatureSize];
      part_like = part->Open(false) &&
                  ReadAt(*part, 0, reinterpret_cast<uint8_t*>(signature), kVolumeSignatureSize) &&
                  std::memcmp(signature, kVolumeSignature, kVolumeSignatureSize) == 0;
    }
    if (part_like) env.DeleteFile(part_path);
  }
  if (!volume.Flush()) {
    throw EVorError(
        "the container " + SingleQuoted(volume.FileName()) + " cannot be flushed to disk",
        ErrorKind::kIo);
  }
  DeleteJournal(path);
  return true;
}

}  // namespace vor
