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
#include "crypto/checksum.h"
#include "platform/entropy.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/time.h"

namespace vor {

namespace {

constexpr char kJournalSuffix[] = "-journal";
constexpr char kNewJournalSuffix[] = "-journal-new";
constexpr uint8_t kJournalSignature[8] = {'Q', 'Z', 'C', 'F', 'R', 'J', 'N', 'L'};
constexpr uint32_t kJournalFormat = 2;
// Signature, format, page size, nonce, original size, container header CRC,
// creation CRC, part count.
constexpr int32_t kFixedHeaderSize = 8 + 4 + 4 + 8 + 8 + 4 + 4 + 4;
constexpr int32_t kRecordHeaderSize = 8;
constexpr int32_t kNewPartTag = -1;
constexpr int32_t kHeaderWriteTag = -2;
// Bounds for what a journal read from disk may ask for.
constexpr uint32_t kMaxParts = 100000;
constexpr uint32_t kMaxPartNameLength = 260;
constexpr int32_t kMinPageSize = 600;
constexpr int32_t kMaxPageSize = 1 << 20;
// The container header at volume data offset 0 (docs/format.md, section 4).
constexpr int32_t kContainerHeaderSize = 256;

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

// The container header's fields fixed when the container was made: format
// version, page size, extent page count, first extent page (bytes 12 to
// 27), the password record and the encryption flag (bytes 52 to 224).
uint32_t CreationCrc(const uint8_t* header) {
  return Crc32(Crc32(0, header + 12, 16), header + 52, 173);
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

// Raises the failure of a disk operation on the journal with the kind the
// operating system's error gives it and the system's own words.
[[noreturn]] void RaiseJournalError(const std::string& path, const std::string& what) {
  const uint32_t code = platform::LastOsError();
  const platform::OsErrorClass cls = platform::ClassifyOsError(code);
  const std::string reason = code != 0 ? ": " + platform::OsErrorMessage(code) : std::string();
  ErrorKind kind = ErrorKind::kIo;
  if (cls == platform::OsErrorClass::kDiskFull) kind = ErrorKind::kDiskFull;
  if (cls == platform::OsErrorClass::kInUse) kind = ErrorKind::kInUse;
  if (cls == platform::OsErrorClass::kAccessDenied) kind = ErrorKind::kReadOnly;
  throw EVorError("the journal " + SingleQuoted(path) + " " + what + reason, kind);
}

// A journal that cannot be trusted: refused, kept, the container untouched.
[[noreturn]] void RaiseUntrusted(const std::string& path, const std::string& container,
                                 const std::string& why) {
  throw EVorError("the journal " + SingleQuoted(path) + " cannot be played back: " + why + "; " +
                      SingleQuoted(container) +
                      " is left as it is and the journal is kept (removing the journal keeps "
                      "the container as the interrupted change left it)",
                  ErrorKind::kDamaged);
}

struct JournalHeader {
  int32_t page_size = 0;
  uint64_t nonce = 0;
  int64_t original_size = 0;
  uint32_t container_crc = 0;  // CRC-32 of the container header when the change began
  uint32_t creation_crc = 0;
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
  header->nonce = DecodeFixed64(fixed + 16);
  header->original_size = DecodeFixedI64(fixed + 24);
  header->container_crc = DecodeFixed32(fixed + 32);
  header->creation_crc = DecodeFixed32(fixed + 36);
  const uint32_t part_count = DecodeFixed32(fixed + 40);
  if (header->page_size < kMinPageSize || header->page_size > kMaxPageSize ||
      header->original_size < kContainerHeaderSize || part_count < 1 || part_count > kMaxParts) {
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

uint32_t RecordCrc(uint64_t nonce, const uint8_t* record_header, const uint8_t* bytes,
                   uint32_t length) {
  uint8_t n[8];
  EncodeFixed64(n, nonce);
  uint32_t crc = Crc32(0, n, 8);
  crc = Crc32(crc, record_header, kRecordHeaderSize);
  return Crc32(crc, bytes, length);
}

// The length a record of this tag must have; 0 for a tag no record has.
uint32_t ExpectedLength(const JournalHeader& header, int32_t tag, uint32_t length) {
  if (tag >= 0) {
    const int64_t offset = static_cast<int64_t>(tag) * header.page_size;
    if (offset >= header.original_size) return 0;
    return static_cast<uint32_t>(
        std::min<int64_t>(header.page_size, header.original_size - offset));
  }
  if (tag == kNewPartTag) return length >= 1 && length <= kMaxPartNameLength ? length : 0;
  if (tag == kHeaderWriteTag) return 4;
  return 0;
}

// What the entries of a journal say, all of them verified.
struct JournalEntries {
  std::vector<std::pair<int64_t, uint32_t>> pages;  // (offset of the record, length)
  std::vector<int32_t> page_numbers;
  std::vector<std::string> new_parts;
  std::vector<uint32_t> header_writes;  // CRC-32 of each container header written
  bool page0_saved = false;
};

bool AllZero(TCFRAbstractFile& store, int64_t from, int64_t to) {
  std::vector<uint8_t> chunk(4096);
  while (from < to) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(to - from, 4096));
    if (!ReadAt(store, from, chunk.data(), n)) return false;
    for (int32_t i = 0; i < n; ++i) {
      if (chunk[static_cast<size_t>(i)] != 0) return false;
    }
    from += n;
  }
  return true;
}

// Reads every entry behind the header and checks it. The entries end at the
// end of the file, or at a tail cut short (an entry whose bytes run past
// the end, fewer bytes than an entry header, or zeros): the entry being
// appended when the writer stopped, whose change was never made. Any other
// entry that does not verify raises.
JournalEntries ReadEntries(TCFRAbstractFile& store, const JournalHeader& header,
                           const std::string& path, const std::string& container) {
  JournalEntries entries;
  const int64_t journal_size = store.GetSize();
  int64_t at = header.size;
  std::vector<uint8_t> bytes;
  while (at < journal_size) {
    if (journal_size - at < kRecordHeaderSize + 4) break;
    uint8_t record_header[kRecordHeaderSize];
    if (!ReadAt(store, at, record_header, kRecordHeaderSize)) {
      RaiseJournalError(path, "cannot be read");
    }
    const int32_t tag = DecodeFixedI32(record_header);
    const uint32_t length = DecodeFixed32(record_header + 4);
    // A file grown but never written (a machine that stopped) reads as zeros.
    if (tag == 0 && length == 0 && AllZero(store, at, journal_size)) break;
    // Bounded before anything is sized from it.
    const uint32_t expected = ExpectedLength(header, tag, length);
    if (expected == 0 || length != expected) {
      RaiseUntrusted(path, container,
                     "its entry at byte " + std::to_string(at) + " does not verify");
    }
    if (at + kRecordHeaderSize + length + 4 > journal_size) break;  // cut short
    bytes.resize(length + 4);
    if (!ReadAt(store, at + kRecordHeaderSize, bytes.data(), static_cast<int32_t>(length + 4))) {
      RaiseJournalError(path, "cannot be read");
    }
    if (DecodeFixed32(bytes.data() + length) !=
        RecordCrc(header.nonce, record_header, bytes.data(), length)) {
      RaiseUntrusted(path, container,
                     "its entry at byte " + std::to_string(at) + " does not verify");
    }
    if (tag >= 0) {
      entries.pages.emplace_back(at + kRecordHeaderSize, length);
      entries.page_numbers.push_back(tag);
      if (tag == 0) entries.page0_saved = true;
    } else if (tag == kNewPartTag) {
      entries.new_parts.emplace_back(reinterpret_cast<const char*>(bytes.data()), length);
    } else {
      entries.header_writes.push_back(DecodeFixed32(bytes.data()));
    }
    at += kRecordHeaderSize + length + 4;
  }
  return entries;
}

// Checks that the journal belongs to this container in a state its
// transaction could have left; raises otherwise.
void CheckIdentity(TCFRHugeFile& volume, const JournalHeader& header, const JournalEntries& entries,
                   const std::string& path) {
  const std::string& container = volume.FileName();
  for (size_t i = 0; i < header.parts.size() && i < volume.PartCount(); ++i) {
    const std::string name = platform::ExtractFileName(volume.Part(i).FileName());
    if (FoldCase(name) != FoldCase(header.parts[i])) {
      RaiseUntrusted(path, container,
                     "it belongs to another container (its part " + SingleQuoted(header.parts[i]) +
                         ", not " + SingleQuoted(name) + ")");
    }
  }
  if (volume.PartCount() < header.parts.size()) {
    RaiseUntrusted(path, container,
                   "the part file " + SingleQuoted(header.parts[volume.PartCount()]) +
                       " of the container is missing");
  }
  uint8_t bytes[kContainerHeaderSize];
  bool whole = volume.GetSize() >= kContainerHeaderSize;
  if (whole) {
    volume.Seek(0, 0);
    whole = volume.Read(bytes, kContainerHeaderSize) == kContainerHeaderSize;
  }
  if (!whole || std::memcmp(bytes, kContainerSignature, 8) != 0 ||
      DecodeFixed32(bytes + 8) !=
          ComputeChecksum(bytes + 12, kContainerHeaderSize - 12, ChecksumXor)) {
    // A header write cut short: the journal saved the header before it.
    if (entries.page0_saved) return;
    RaiseUntrusted(path, container,
                   "the container's header is damaged and the journal holds no copy of it");
  }
  if (CreationCrc(bytes) != header.creation_crc || DecodeFixedI32(bytes + 16) != header.page_size) {
    RaiseUntrusted(path, container, "it belongs to another container");
  }
  const uint32_t crc = Crc32(0, bytes, kContainerHeaderSize);
  if (crc == header.container_crc) return;
  for (uint32_t written : entries.header_writes) {
    if (crc == written) return;
  }
  RaiseUntrusted(path, container,
                 "it was made for another state of the container (a journal of an earlier or "
                 "later change)");
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

std::string TRollbackJournal::NewPathFor(const std::string& container_path) {
  return container_path + kNewJournalSuffix;
}

bool TRollbackJournal::Exists(const std::string& container_path) {
  return platform::GetFileAttributes(PathFor(container_path)) != platform::kInvalidFileAttributes;
}

void TRollbackJournal::DropIncomplete(const std::string& container_path) {
  const std::string path = NewPathFor(container_path);
  if (platform::GetFileAttributes(path) == platform::kInvalidFileAttributes) return;
  if (!StoreEnvironment().DeleteFile(path)) RaiseJournalError(path, "cannot be deleted");
}

// ------------------------------------------------------------ writing

void TRollbackJournal::Fail(const char* what) {
  failed_ = true;
  RaiseJournalError(path_, what);
}

void TRollbackJournal::Start() {
  TStoreEnvironment& env = StoreEnvironment();
  const std::string new_path = NewPathFor(volume_.FileName());
  // The journal is shared as its container is.
  store_ = env.NewDiskStore(new_path, /*read_only=*/false, volume_.Exclusive());
  if (!store_->Open(true)) {
    store_.reset();
    failed_ = true;
    RaiseJournalError(new_path, "cannot be created");
  }
  uint8_t random[8];
  if (platform::SystemRandomBytes(random, sizeof(random))) {
    nonce_ = DecodeFixed64(random);
  } else {
    nonce_ = static_cast<uint64_t>(platform::QueryPerformanceCounter()) * 0x9E3779B97F4A7C15u ^
             platform::GetTickCount();
  }
  original_size_ = volume_.GetSize();
  const int64_t pages = (original_size_ + page_size_ - 1) / page_size_;
  saved_.assign(static_cast<size_t>(pages), false);
  // The container header as it is on disk now, before anything changes.
  uint8_t container_header[kContainerHeaderSize] = {};
  const int64_t saved_position = volume_.Position();
  volume_.Seek(0, 0);
  if (original_size_ < kContainerHeaderSize ||
      volume_.Read(container_header, kContainerHeaderSize) != kContainerHeaderSize) {
    failed_ = true;
    throw EVorError("the header of " + SingleQuoted(volume_.FileName()) +
                        " cannot be read to begin the journal " + SingleQuoted(path_),
                    ErrorKind::kDamaged);
  }
  volume_.Seek(saved_position, 0);

  std::vector<uint8_t> header(kFixedHeaderSize);
  std::memcpy(header.data(), kJournalSignature, 8);
  EncodeFixed32(header.data() + 8, kJournalFormat);
  EncodeFixedI32(header.data() + 12, page_size_);
  EncodeFixed64(header.data() + 16, nonce_);
  EncodeFixedI64(header.data() + 24, original_size_);
  EncodeFixed32(header.data() + 32, Crc32(0, container_header, kContainerHeaderSize));
  EncodeFixed32(header.data() + 36, CreationCrc(container_header));
  EncodeFixed32(header.data() + 40, static_cast<uint32_t>(volume_.PartCount()));
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
    failed_ = true;
    RaiseJournalError(new_path, "cannot be written");
  }
  end_ = static_cast<int64_t>(header.size());
  if (!store_->Flush()) {
    failed_ = true;
    RaiseJournalError(new_path, "cannot be flushed to disk");
  }
  // Only a whole header ever carries the journal's name, and the name must
  // be on disk before the container changes. (Closed for the rename: not
  // every system renames a file that is open.)
  store_.reset();
  if (!env.ReplaceFile(new_path, path_)) {
    failed_ = true;
    RaiseJournalError(new_path, "cannot be renamed to " + SingleQuoted(path_));
  }
  store_ = env.NewDiskStore(path_, /*read_only=*/false, volume_.Exclusive());
  if (!store_->Open(false)) {
    store_.reset();
    failed_ = true;
    RaiseJournalError(path_, "cannot be opened");
  }
  if (!env.FlushFolderOf(path_)) Fail("cannot be flushed to disk");
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

bool TRollbackJournal::SavePage(int64_t p, std::vector<uint8_t>* buffer) {
  if (saved_[static_cast<size_t>(p)]) return false;
  const int64_t offset = p * page_size_;
  const int32_t length =
      static_cast<int32_t>(std::min<int64_t>(page_size_, original_size_ - offset));
  buffer->resize(static_cast<size_t>(length));
  const int64_t saved_position = volume_.Position();
  volume_.Seek(offset, 0);
  if (volume_.Read(buffer->data(), length) != length) {
    failed_ = true;
    throw EVorError("the container's page " + std::to_string(p) +
                        " cannot be read to save it in the journal " + SingleQuoted(path_),
                    ErrorKind::kDamaged);
  }
  volume_.Seek(saved_position, 0);
  Append(static_cast<int32_t>(p), buffer->data(), static_cast<uint32_t>(length));
  saved_[static_cast<size_t>(p)] = true;
  return true;
}

void TRollbackJournal::BeforeChange(int64_t position, int64_t count) {
  if (count <= 0) return;
  if (failed_) Fail("could not be written earlier");
  if (store_ == nullptr) Start();
  const int64_t end = std::min(position + count, original_size_);
  if (position >= end) return;  // only bytes beyond the original end
  const int64_t first = position / page_size_;
  const int64_t last = (end - 1) / page_size_;
  std::vector<uint8_t> page;
  bool appended = false;
  for (int64_t p = first; p <= last; ++p) appended = SavePage(p, &page) || appended;
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

void TRollbackJournal::BeforeHeaderWrite(const uint8_t* header) {
  if (failed_) Fail("could not be written earlier");
  if (store_ == nullptr) Start();
  std::vector<uint8_t> page;
  if (!saved_.empty()) SavePage(0, &page);
  uint8_t bytes[4];
  EncodeFixed32(bytes, Crc32(0, header, kContainerHeaderSize));
  Append(kHeaderWriteTag, bytes, 4);
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

void TRollbackJournal::Verify(TCFRHugeFile& volume) {
  const std::string path = PathFor(volume.FileName());
  std::unique_ptr<TCFRAbstractFile> store =
      StoreEnvironment().NewDiskStore(path, /*read_only=*/true, /*exclusive=*/false);
  if (!store->Open(false)) {
    if (!Exists(volume.FileName())) return;
    RaiseJournalError(path, "cannot be opened");
  }
  JournalHeader header;
  if (!ReadHeader(*store, &header)) {
    RaiseUntrusted(path, volume.FileName(), "its header is incomplete or does not verify");
  }
  const JournalEntries entries = ReadEntries(*store, header, path, volume.FileName());
  CheckIdentity(volume, header, entries, path);
}

bool TRollbackJournal::PlayBack(TCFRHugeFile& volume) {
  const std::string& container = volume.FileName();
  const std::string path = PathFor(container);
  TStoreEnvironment& env = StoreEnvironment();
  JournalHeader header;
  JournalEntries entries;
  {
    std::unique_ptr<TCFRAbstractFile> store =
        env.NewDiskStore(path, /*read_only=*/false, /*exclusive=*/true);
    if (!store->Open(false)) {
      if (!Exists(container)) return false;
      RaiseJournalError(path, "cannot be opened");
    }
    // Everything is checked before anything is restored.
    if (!ReadHeader(*store, &header)) {
      RaiseUntrusted(path, container, "its header is incomplete or does not verify");
    }
    entries = ReadEntries(*store, header, path, container);
    CheckIdentity(volume, header, entries, path);
    // The journal must be removable once the rollback is done: a folder
    // that takes no new file would keep it, and the container could then
    // never be opened.
    {
      const std::string probe = NewPathFor(container);
      std::unique_ptr<TCFRAbstractFile> file = env.NewDiskStore(probe, false, false);
      if (!file->Open(true)) {
        RaiseJournalError(probe, "cannot be made, so the rolled-back journal could not be removed");
      }
      file.reset();
      env.DeleteFile(probe);
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < entries.pages.size(); ++i) {
      const auto [offset, length] = entries.pages[i];
      bytes.resize(length);
      if (!ReadAt(*store, offset, bytes.data(), static_cast<int32_t>(length))) {
        RaiseJournalError(path, "cannot be read");
      }
      volume.Seek(static_cast<int64_t>(entries.page_numbers[i]) * header.page_size, 0);
      volume.WriteBuffer(bytes.data(), static_cast<int32_t>(length));
    }
  }
  // The volume's old size and parts.
  if (volume.GetSize() != header.original_size) volume.SetSize(header.original_size);
  while (volume.PartCount() > header.parts.size()) volume.DeleteLastPartFile();
  volume.ClearLastPartLink();
  // Part files the change made that are no longer in the chain.
  const std::string folder = platform::ExtractFilePath(container);
  for (const std::string& name : entries.new_parts) {
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
    throw EVorError("the container " + SingleQuoted(container) + " cannot be flushed to disk",
                    ErrorKind::kIo);
  }
  DeleteJournal(path);
  return true;
}

}  // namespace vor
