// TCFRAdvancedFileStream: headers, block loading and packing, reads, writes,
// size changes and saving.
#include "container/stream/block_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "codecs/compression.h"
#include "common/coding.h"
#include "common/error.h"
#include "common/seek.h"
#include "container/store/page_file.h"
#include "container/stream/block_packer.h"
#include "container/stream/handle_files.h"
#include "container/stream/user_file_stream.h"
#include "crypto/checksum.h"

namespace vor {
namespace {

// Raw offsets are stored as 32-bit numbers: the raw stream ends below 2 GiB.
constexpr int64_t kMaxRawOffset = std::numeric_limits<int32_t>::max();

// Raw bytes gathered for one write of consecutive blocks.
constexpr size_t kMaxGatheredWrite = 8 * 1048576;

// Stored bytes a block may have: every codec stays well below twice the
// block's size (PPM is handed size + size / 20 + 50 at most).
int64_t MaxCompressedSize(int32_t block_size) { return 2 * int64_t{block_size} + 4096; }

// Sets a flag for its lifetime and puts the old value back.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = old_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

[[noreturn]] void RaiseDamagedList() {
  throw EVorError("TCFRAdvancedFileStream.LoadHeaders - block list is damaged.",
                  ErrorKind::kDamaged);
}

}  // namespace

// ---------------------------------------------------------------- headers

void TCFRStreamHeader::Encode(uint8_t* dst) const {
  std::memcpy(dst, Signature.data(), 4);
  EncodeFixedI32(dst + 4, BlockSize);
  EncodeFixed32(dst + 8, Reserved8);
  EncodeFixedI32(dst + 12, BlockCount);
  EncodeFixed32(dst + 16, FormatVersion);
  dst[20] = Compression;
  dst[21] = Reserved21;
  dst[22] = Reserved22;
  EncodeFixed32(dst + 23, ExtraSize);
  std::memcpy(dst + 27, Reserved27.data(), Reserved27.size());
}

void TCFRStreamHeader::Decode(const uint8_t* src) {
  std::memcpy(Signature.data(), src, 4);
  BlockSize = DecodeFixedI32(src + 4);
  Reserved8 = DecodeFixed32(src + 8);
  BlockCount = DecodeFixedI32(src + 12);
  FormatVersion = DecodeFixed32(src + 16);
  Compression = src[20];
  Reserved21 = src[21];
  Reserved22 = src[22];
  ExtraSize = DecodeFixed32(src + 23);
  std::memcpy(Reserved27.data(), src + 27, Reserved27.size());
}

bool TCFRStreamHeader::HasSignature() const {
  return std::memcmp(Signature.data(), kStreamSignature, 4) == 0;
}

void TCFRBlockHeader::Encode(uint8_t* dst) const {
  EncodeFixed32(dst, CompressedSize);
  EncodeFixed32(dst + 4, UncompressedSize);
  EncodeFixed32(dst + 8, Checksum);
  EncodeFixed32(dst + 12, NextOffset);
}

void TCFRBlockHeader::Decode(const uint8_t* src) {
  CompressedSize = DecodeFixed32(src);
  UncompressedSize = DecodeFixed32(src + 4);
  Checksum = DecodeFixed32(src + 8);
  NextOffset = DecodeFixed32(src + 12);
}

// ------------------------------------------------------------ construction

TCFRAdvancedFileStream::TCFRAdvancedFileStream(IHandleFiles* coffer, uint8_t compression,
                                               const std::string& question,
                                               const std::string& answer,
                                               const std::string& password, uint16_t mode,
                                               const std::string& file_name)
    : file_name_(file_name) {
  if (coffer == nullptr)
    throw EVorError("TCFRAdvancedFileStream.Create - Coffer = nil.", ErrorKind::kMisuse);
  stream_ =
      std::make_unique<TCFRUserFileStream>(coffer, file_name, mode, password, question, answer);
  compression_ = compression != 0 ? compression : coffer->DefaultCompression();
  read_only_ = mode != kOpenModeCreate && (mode & kOpenModeAccessMask) == 0;
  Initialize(mode == kOpenModeCreate);
}

TCFRAdvancedFileStream::TCFRAdvancedFileStream(std::unique_ptr<TStream> raw, uint8_t compression,
                                               bool create, const std::string& file_name)
    : compression_(compression), file_name_(file_name), stream_(std::move(raw)) {
  if (stream_ == nullptr)
    throw EVorError("TCFRAdvancedFileStream.Create - Stream = nil.", ErrorKind::kMisuse);
  Initialize(create);
}

TCFRAdvancedFileStream::~TCFRAdvancedFileStream() = default;

void TCFRAdvancedFileStream::Initialize(bool create) {
  buffer_size_ = kDefaultBufferSize;
  busy_ = false;
  size_ = stream_->Size();
  stream_->Seek(0, 0);
  headers_.SetCount(0);
  if (create && compression_ == 0) {
    UpdateStats();
    return;
  }
  if (create) {
    header_ = TCFRStreamHeader();
    std::memcpy(header_.Signature.data(), kStreamSignature, 4);
    header_.BlockSize = GetBlockSize(compression_);
    header_.BlockCount = 0;
    header_.FormatVersion = kStreamFormatVersion;
    header_.Compression = compression_;
    uint8_t bytes[kStreamHeaderSize];
    header_.Encode(bytes);
    if (stream_->Write(bytes, kStreamHeaderSize) < kStreamHeaderSize) {
      throw EVorError(
          "TCFRAdvancedFileStream.Create - error writing to data stream. May be data stream in "
          "read only mode.",
          stream_->LastFailureKind());
    }
    stream_->SetSize(kStreamHeaderSize);
  }
  stream_->Seek(0, 0);
  size_ = 0;
  LoadHeaders();
  current_block_ = 0;
  position_ = 0;
  busy_ = false;
  stream_->Seek(0, 0);
}

// -------------------------------------------------------------- the index

TCFRBlockHeader TCFRAdvancedFileStream::BlockHeader(int32_t index) const {
  TCFRBlockHeader h;
  h.Decode(headers_.Record(index).data());
  return h;
}

void TCFRAdvancedFileStream::SetBlockHeader(int32_t index, const TCFRBlockHeader& header) {
  TCFRHeaderRecord record;
  header.Encode(record.data());
  headers_.SetRecord(index, record);
}

int64_t TCFRAdvancedFileStream::ChainOffset(int32_t index) const {
  if (index == 0) return kStreamHeaderSize + int64_t{header_.ExtraSize};
  return BlockHeader(index - 1).NextOffset;
}

int32_t TCFRAdvancedFileStream::ReadRaw(int64_t offset, void* buffer, int32_t count) {
  const int64_t held = static_cast<int64_t>(prefetched_.size());
  if (offset >= 0 && offset <= held && count <= held - offset) {
    std::memcpy(buffer, prefetched_.data() + offset, static_cast<size_t>(count));
    return count;
  }
  stream_->Seek(offset, 0);
  return stream_->Read(buffer, count);
}

void TCFRAdvancedFileStream::LoadHeaders() {
  const int64_t saved = stream_->Seek(0, 1);
  stored_size_ = 0;
  const int64_t raw_size = stream_->Size();
  stream_->Seek(0, 0);

  // A small file is read whole, in one pass over its pages. When that read
  // falls short (a damaged page), the reads below go to the raw stream one
  // by one and fail where they always did.
  prefetched_.clear();
  if (read_only_ && raw_size >= kStreamHeaderSize && raw_size <= kPrefetchLimit) {
    prefetched_.resize(static_cast<size_t>(raw_size));
    const int32_t n = static_cast<int32_t>(raw_size);
    if (stream_->Read(prefetched_.data(), n) != n) prefetched_.clear();
  }

  uint8_t bytes[kStreamHeaderSize];
  TCFRStreamHeader header;
  const bool has_room = raw_size >= kStreamHeaderSize;
  if (has_room && ReadRaw(0, bytes, kStreamHeaderSize) < kStreamHeaderSize) {
    // The bytes are there but cannot be read (a page fails its checks):
    // taking the content as plain would hand out the damage as data.
    throw EVorError("TCFRAdvancedFileStream.LoadHeaders - error reading the stream header.",
                    ErrorKind::kDamaged);
  }
  if (!has_room || (header.Decode(bytes), !header.HasSignature())) {
    // Not block-structured: the content is read and written as it stands.
    prefetched_.clear();
    size_ = raw_size;
    compression_ = 0;
    headers_.SetCount(0);
    stream_->Seek(saved, 0);
    UpdateStats();
    return;
  }

  // Every number below comes from disk and sizes buffers or loops.
  if (header.BlockSize <= 0 || header.BlockSize > kMaxStreamBlockSize) {
    throw EVorError("TCFRAdvancedFileStream.LoadHeaders - invalid block size, BlockSize = " +
                        std::to_string(header.BlockSize),
                    ErrorKind::kDamaged);
  }
  if (header.BlockCount < 0) {
    throw EVorError("TCFRAdvancedFileStream.LoadHeaders - invalid block count, BlockCount = " +
                        std::to_string(header.BlockCount),
                    ErrorKind::kDamaged);
  }
  if (int64_t{header.ExtraSize} > raw_size - kStreamHeaderSize) {
    throw EVorError("TCFRAdvancedFileStream.LoadHeaders - invalid extra size, ExtraSize = " +
                        std::to_string(header.ExtraSize),
                    ErrorKind::kDamaged);
  }
  header_ = header;
  headers_.SetCount(0);
  compression_ = header_.Compression;
  size_ = 0;

  const int32_t block_size = header_.BlockSize;
  int64_t p = kStreamHeaderSize + int64_t{header_.ExtraSize};
  uint32_t previous_size = static_cast<uint32_t>(block_size);
  for (int32_t i = 0; i < header_.BlockCount; ++i) {
    if (raw_size - p < kBlockHeaderSize) {
      // The list was cut short: keep the complete block headers, cut the raw
      // stream behind them and record the lower count. (On a read-only
      // container the repair stays in memory.)
      prefetched_.clear();
      if (p < raw_size) stream_->SetSize(p);
      header_.BlockCount = i;
      headers_.SetCount(i);
      header_.Encode(bytes);
      stream_->Seek(0, 0);
      stream_->Write(bytes, kStreamHeaderSize);
      break;
    }
    TCFRHeaderRecord record;
    if (ReadRaw(p, record.data(), kBlockHeaderSize) < kBlockHeaderSize) RaiseDamagedList();
    TCFRBlockHeader h;
    h.Decode(record.data());
    // Only the last block may be shorter than BlockSize; the chain must move
    // forward past the block's stored bytes.
    if (previous_size != static_cast<uint32_t>(block_size) || h.UncompressedSize == 0 ||
        h.UncompressedSize > static_cast<uint32_t>(block_size) || h.CompressedSize == 0 ||
        h.CompressedSize > MaxCompressedSize(block_size) ||
        int64_t{h.NextOffset} < p + kBlockHeaderSize + h.CompressedSize) {
      RaiseDamagedList();
    }
    previous_size = h.UncompressedSize;
    size_ += h.UncompressedSize;
    stored_size_ += h.CompressedSize;
    headers_.Add(record, p);
    p = h.NextOffset;
  }

  stream_->Seek(saved, 0);
  buffer_size_ = header_.BlockSize;
  UpdateStats();
}

void TCFRAdvancedFileStream::WriteStreamHeader() {
  uint8_t bytes[kStreamHeaderSize];
  header_.Encode(bytes);
  stream_->Seek(0, 0);
  if (stream_->Write(bytes, kStreamHeaderSize) < kStreamHeaderSize) {
    throw EVorError("TCFRAdvancedFileStream.Write - error writing to data stream.",
                    stream_->LastFailureKind());
  }
}

void TCFRAdvancedFileStream::WriteBlock(int64_t offset, const TCFRBlockHeader& header,
                                        const std::vector<uint8_t>& packed) {
  // Header and stored bytes in one write: a partial page is read only once.
  write_buffer_.resize(kBlockHeaderSize + packed.size());
  header.Encode(write_buffer_.data());
  std::memcpy(write_buffer_.data() + kBlockHeaderSize, packed.data(), packed.size());
  const int32_t n = static_cast<int32_t>(write_buffer_.size());
  stream_->Seek(offset, 0);
  if (stream_->Write(write_buffer_.data(), n) < n) {
    throw EVorError("TCFRAdvancedFileStream.Write - error writing to data stream.",
                    stream_->LastFailureKind());
  }
}

void TCFRAdvancedFileStream::WriteBlocks(const std::vector<int32_t>& indexes,
                                         const std::vector<const std::vector<uint8_t>*>& packed) {
  size_t k = 0;
  while (k < indexes.size()) {
    // Gather the blocks that follow block k without a gap, up to a bound.
    const int64_t start = headers_.Key(indexes[k]);
    size_t end = k;
    size_t bytes = 0;
    int64_t next = start;
    while (end < indexes.size() && headers_.Key(indexes[end]) == next &&
           (end == k || bytes + kBlockHeaderSize + packed[end]->size() <= kMaxGatheredWrite)) {
      bytes += kBlockHeaderSize + packed[end]->size();
      next = BlockHeader(indexes[end]).NextOffset;
      ++end;
    }
    for (size_t j = k; j < end; ++j) Report(progress_);  // one report per block
    if (end == k + 1) {
      WriteBlock(start, BlockHeader(indexes[k]), *packed[k]);
      ++k;
      continue;
    }
    write_buffer_.resize(bytes);
    size_t at = 0;
    for (size_t j = k; j < end; ++j) {
      BlockHeader(indexes[j]).Encode(write_buffer_.data() + at);
      std::memcpy(write_buffer_.data() + at + kBlockHeaderSize, packed[j]->data(),
                  packed[j]->size());
      at += kBlockHeaderSize + packed[j]->size();
    }
    const int32_t n = static_cast<int32_t>(bytes);
    stream_->Seek(start, 0);
    if (stream_->Write(write_buffer_.data(), n) < n) {
      throw EVorError("TCFRAdvancedFileStream.Write - error writing to data stream.",
                      stream_->LastFailureKind());
    }
    k = end;
  }
}

// ---------------------------------------------------------- block coding

std::vector<uint8_t> TCFRAdvancedFileStream::LoadBlock(int32_t index) {
  TCFRBlockHeader h;
  // The stored bytes go to a buffer kept between calls.
  ReadPackedBlock(index, &h, &packed_buffer_);
  return UnpackBlock(h, packed_buffer_.data(), compression_);
}

void TCFRAdvancedFileStream::ReadPackedBlock(int32_t index, TCFRBlockHeader* header,
                                             std::vector<uint8_t>* packed) {
  *header = BlockHeader(index);
  const int64_t offset = headers_.Key(index);
  if (packed->size() < header->CompressedSize) packed->resize(header->CompressedSize);
  const int32_t stored = static_cast<int32_t>(header->CompressedSize);
  if (ReadRaw(offset + kBlockHeaderSize, packed->data(), stored) != stored) {
    throw EVorError("TCFRAdvancedFileStream.LoadBlock - the stored block cannot be read in full.",
                    ErrorKind::kDamaged);
  }
}

std::vector<uint8_t> TCFRAdvancedFileStream::UnpackBlock(const TCFRBlockHeader& h,
                                                         const uint8_t* packed,
                                                         uint8_t compression) {
  std::vector<uint8_t> data;
  int32_t n = static_cast<int32_t>(h.UncompressedSize);
  if (!UnpackBuffer(packed, static_cast<int32_t>(h.CompressedSize), &data, compression, &n)) {
    throw EVorError("TCFRAdvancedFileStream.LoadBlock - decompression error.", ErrorKind::kDamaged);
  }
  if (n != static_cast<int32_t>(h.UncompressedSize)) {
    throw EVorError("TCFRAdvancedFileStream.LoadBlock - decompression error, invalid size.",
                    ErrorKind::kDamaged);
  }
  if (ComputeChecksum(data.data(), n, ChecksumCrc16) != h.Checksum) {
    throw EVorError("TCFRAdvancedFileStream.LoadBlock - decompression crc error.",
                    ErrorKind::kDamaged);
  }
  return data;
}

std::vector<uint8_t> TCFRAdvancedFileStream::PrepareBufferForWriting(const uint8_t* data,
                                                                     int32_t count,
                                                                     TCFRBlockHeader* header) {
  header->UncompressedSize = static_cast<uint32_t>(count);
  header->Checksum = ComputeChecksum(data, count, ChecksumCrc16);
  std::vector<uint8_t> packed;
  if (!PrepareBuffer(data, count, &packed, compression_)) {
    throw EVorError(
        "TCFRAdvancedFileStream.PrepareBufferForWriting - compression error in PrepareBuffer.",
        ErrorKind::kGeneral);
  }
  header->CompressedSize = static_cast<uint32_t>(packed.size());
  return packed;
}

// ------------------------------------------------------------------ stats

void TCFRAdvancedFileStream::UpdateStats() {
  int64_t stored = 0;
  for (int32_t i = 0; i < headers_.Count(); ++i) stored += BlockHeader(i).CompressedSize;
  stored_size_ = stored;
  if (PassThrough()) {
    stored_size_ = size_;
    ratio_ = 0;
    header_.BlockSize = kDefaultBufferSize;
  } else if (size_ == 0) {
    stored_size_ = 0;
    ratio_ = 0;
  } else {
    ratio_ = (1.0 - static_cast<double>(stored_size_) / static_cast<double>(size_)) * 100.0;
  }
}

void TCFRAdvancedFileStream::Report(double percent) {
  if (on_progress_ && !busy_) on_progress_(*this, percent);
}

// ------------------------------------------------------------ read, write

int32_t TCFRAdvancedFileStream::Read(void* buffer, int32_t count) {
  Report(0);
  if (PassThrough()) {
    const int32_t n = stream_->Read(buffer, count);
    Report(100);
    return n;
  }
  int32_t done = 0;
  if (position_ > size_) return 0;
  const int32_t block_size = header_.BlockSize;
  if (position_ < size_) current_block_ = static_cast<int32_t>(position_ / block_size);
  progress_divisor_ = std::max(headers_.Count() - current_block_, 1);
  progress_ = 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  while (position_ < size_ && done < count) {
    Report(progress_);
    const std::vector<uint8_t> data = LoadBlock(current_block_);
    const int32_t offset = static_cast<int32_t>(position_ % block_size);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(
        {int64_t{block_size} - offset, int64_t{count} - done, size_ - position_}));
    std::memcpy(out + done, data.data() + offset, static_cast<size_t>(n));
    done += n;
    if (done < count) ++current_block_;
    position_ += n;
    progress_ += 100.0 / progress_divisor_;
  }
  Report(100);
  return done;
}

int32_t TCFRAdvancedFileStream::Write(const void* buffer, int32_t count) {
  prefetched_.clear();
  Report(0);
  if (PassThrough()) {
    const int32_t n = stream_->Write(buffer, count);
    size_ = std::max(size_, stream_->Seek(0, 1));
    Report(100);
    return n;
  }
  if (count <= 0) return 0;
  if (position_ > size_) {
    const int64_t p = position_;
    position_ = 0;
    SetSize(p);
    position_ = p;
  }

  const int32_t block_size = header_.BlockSize;
  WriteSpan span;
  span.in = static_cast<const uint8_t*>(buffer);
  span.start = position_;
  span.end = position_ + count;
  if ((span.end - 1) / block_size >= std::numeric_limits<int32_t>::max()) {
    throw EVorError("TCFRAdvancedFileStream.Write - data stream is too large.",
                    ErrorKind::kGeneral);
  }
  span.first = static_cast<int32_t>(span.start / block_size);
  span.last = static_cast<int32_t>((span.end - 1) / block_size);
  span.old_last = headers_.Count() - 1;

  PendingBlocks pending;
  PackSpan(span, &pending);
  std::vector<const std::vector<uint8_t>*> packed(pending.bytes.size());
  for (size_t k = 0; k < packed.size(); ++k) packed[k] = &pending.bytes[k];
  WriteBlocks(pending.indexes, packed);
  FinishWrite();
  return count;
}

void TCFRAdvancedFileStream::PackSpan(WriteSpan& span, PendingBlocks* pending) {
  // The index as it was: restored when packing fails, before anything has
  // been written.
  const TCFRHeadersArray saved_headers = headers_;
  const int64_t saved_size = size_;
  const int64_t saved_position = position_;
  try {
    bool relocate = false;
    if (span.last > span.old_last) {
      relocate = true;
      headers_.SetCount(span.last + 1);
    }
    if (size_ == 0) headers_.SetKey(0, kStreamHeaderSize + int64_t{header_.ExtraSize});

    progress_ = 0;
    progress_divisor_ = std::max(headers_.Count() - current_block_, 1);
    size_ = std::max(size_, span.end);
    position_ = span.end;

    span.block_count = headers_.Count();
    span.tail = static_cast<int32_t>(size_ % header_.BlockSize);
    // Blocks behind Last are repacked only when a block grew; they are
    // loaded and packed a few per thread at a time.
    const int32_t batch_limit = 2 * std::max(BlockPackingThreads(), 1);
    int32_t i = span.first;
    while (i < span.block_count && (i <= span.last || relocate)) {
      const int32_t batch_end =
          i <= span.last ? span.last + 1 : std::min(span.block_count, i + batch_limit);
      std::vector<TBlockPackJob> jobs(static_cast<size_t>(batch_end - i));
      std::vector<std::vector<uint8_t>> owned(jobs.size());
      FillBlocks(span, i, &jobs, &owned);
      if (!PackBlockJobs(jobs, compression_)) {
        throw EVorError(
            "TCFRAdvancedFileStream.PrepareBufferForWriting - compression error in "
            "PrepareBuffer.",
            ErrorKind::kGeneral);
      }
      owned.clear();
      ChainBlocks(span, i, &jobs, &relocate, pending);
      i = batch_end;
    }
    if (relocate) {
      for (int32_t k = 1; k < span.block_count; ++k) headers_.SetKey(k, ChainOffset(k));
    }
  } catch (...) {
    headers_ = saved_headers;
    size_ = saved_size;
    position_ = saved_position;
    throw;
  }
}

void TCFRAdvancedFileStream::FillBlocks(const WriteSpan& span, int32_t from,
                                        std::vector<TBlockPackJob>* jobs,
                                        std::vector<std::vector<uint8_t>>* owned) {
  // The uncompressed bytes of each block, on this thread: a block that the
  // caller's bytes cover in full is packed straight from them, any other is
  // loaded (or made of zeros) and patched.
  const int32_t block_size = header_.BlockSize;
  const int32_t to = from + static_cast<int32_t>(jobs->size());
  for (int32_t j = from; j < to; ++j) {
    TBlockPackJob& job = (*jobs)[static_cast<size_t>(j - from)];
    const int32_t new_size = j == span.block_count - 1 && span.tail != 0 ? span.tail : block_size;
    const int64_t w = j == span.first ? span.start : int64_t{j} * block_size;
    const int32_t in_offset = static_cast<int32_t>(w % block_size);
    const int32_t n =
        j <= span.last
            ? static_cast<int32_t>(std::min<int64_t>(block_size - in_offset, span.end - w))
            : 0;
    job.size = new_size;
    if (j <= span.last && in_offset == 0 && n >= new_size) {
      job.data = span.in + (w - span.start);
      continue;
    }
    std::vector<uint8_t>& data = (*owned)[static_cast<size_t>(j - from)];
    const size_t room = static_cast<size_t>(std::max(new_size, in_offset + n));
    if (j <= span.old_last) {
      data = LoadBlock(j);
      data.resize(std::max(room, data.size()), 0);
    } else {
      data.assign(room, 0);
    }
    if (n > 0) {
      std::memcpy(data.data() + in_offset, span.in + (w - span.start), static_cast<size_t>(n));
    }
    job.data = data.data();
  }
}

void TCFRAdvancedFileStream::ChainBlocks(const WriteSpan& span, int32_t from,
                                         std::vector<TBlockPackJob>* jobs, bool* relocate,
                                         PendingBlocks* pending) {
  // Headers and the NextOffset chain, block by block in order.
  const int32_t to = from + static_cast<int32_t>(jobs->size());
  for (int32_t j = from; j < to; ++j) {
    Report(progress_);
    TBlockPackJob& job = (*jobs)[static_cast<size_t>(j - from)];
    TCFRBlockHeader h = BlockHeader(j);
    const uint32_t old_stored = h.CompressedSize;
    h.UncompressedSize = job.header.UncompressedSize;
    h.Checksum = job.header.Checksum;
    h.CompressedSize = job.header.CompressedSize;
    const int64_t offset = ChainOffset(j);
    const int64_t next = offset + kBlockHeaderSize + h.CompressedSize;
    if (h.CompressedSize > old_stored) *relocate = true;
    if (j == span.block_count - 1 || *relocate) {
      if (next > kMaxRawOffset) {
        throw EVorError("TCFRAdvancedFileStream.Write - data stream is too large.",
                        ErrorKind::kGeneral);
      }
      h.NextOffset = static_cast<uint32_t>(next);
    }
    SetBlockHeader(j, h);
    pending->indexes.push_back(j);
    pending->bytes.push_back(std::move(job.packed));
    progress_ += 100.0 / progress_divisor_;
  }
}

void TCFRAdvancedFileStream::FinishWrite() {
  header_.BlockCount = headers_.Count();
  WriteStreamHeader();
  UpdateStats();
  Report(100);
}

void TCFRAdvancedFileStream::WritePacked(const std::vector<TPackedBlock>& blocks) {
  prefetched_.clear();
  Report(0);
  if (PassThrough() || size_ != 0 || headers_.Count() != 0) {
    throw EVorError("TCFRAdvancedFileStream.WritePacked - the stream is not an empty block stream.",
                    ErrorKind::kMisuse);
  }
  if (blocks.empty()) {
    Report(100);
    return;
  }
  const int32_t block_size = header_.BlockSize;
  int64_t offset = kStreamHeaderSize + int64_t{header_.ExtraSize};
  int64_t size = 0;
  for (size_t k = 0; k < blocks.size(); ++k) {
    TCFRBlockHeader h = blocks[k].header;
    const bool last = k + 1 == blocks.size();
    if (h.CompressedSize != blocks[k].packed.size() || h.UncompressedSize == 0 ||
        h.UncompressedSize > static_cast<uint32_t>(block_size) ||
        (!last && h.UncompressedSize != static_cast<uint32_t>(block_size))) {
      headers_.SetCount(0);
      throw EVorError("TCFRAdvancedFileStream.WritePacked - the blocks do not fit the stream.",
                      ErrorKind::kMisuse);
    }
    const int64_t next = offset + kBlockHeaderSize + h.CompressedSize;
    if (next > kMaxRawOffset) {
      headers_.SetCount(0);
      throw EVorError("TCFRAdvancedFileStream.Write - data stream is too large.",
                      ErrorKind::kGeneral);
    }
    h.NextOffset = static_cast<uint32_t>(next);
    TCFRHeaderRecord record;
    h.Encode(record.data());
    headers_.Add(record, offset);
    offset = next;
    size += h.UncompressedSize;
  }
  size_ = size;
  position_ = size;
  progress_ = 100;
  std::vector<int32_t> indexes(blocks.size());
  std::vector<const std::vector<uint8_t>*> packed(blocks.size());
  for (size_t k = 0; k < blocks.size(); ++k) {
    indexes[k] = static_cast<int32_t>(k);
    packed[k] = &blocks[k].packed;
  }
  WriteBlocks(indexes, packed);
  FinishWrite();
}

// -------------------------------------------------------- seek and sizes

int64_t TCFRAdvancedFileStream::Seek(int64_t offset, uint16_t origin) {
  if (PassThrough()) return stream_->Seek(offset, origin);
  position_ = ResolveSeek(origin, offset, position_, size_).value_or(position_);
  if (position_ <= 0) position_ = 0;
  const int64_t block = size_ == 0 ? 0 : position_ / header_.BlockSize;
  current_block_ =
      static_cast<int32_t>(std::min<int64_t>(block, std::numeric_limits<int32_t>::max()));
  return position_;
}

void TCFRAdvancedFileStream::SetSize(int64_t new_size) {
  prefetched_.clear();
  if (new_size < 0) {
    throw EVorError(
        "TCFRAdvancedFileStream.SetSize - invalid size. NewSize = " + std::to_string(new_size),
        ErrorKind::kMisuse);
  }
  if (PassThrough()) {
    stream_->SetSize(new_size);
    size_ = new_size;
    UpdateStats();
    return;
  }
  if (new_size == size_) return;
  if (new_size > size_) {
    Extend(new_size);
  } else {
    Shrink(new_size);
  }
  size_ = new_size;
  if (position_ > size_) position_ = size_;
  UpdateStats();
}

void TCFRAdvancedFileStream::Extend(int64_t new_size) {
  const int64_t ext_size = new_size - size_;
  const int32_t block_size = header_.BlockSize;
  Seek(0, 2);
  BusyScope busy(busy_);
  // Written up to one block boundary at a time, so that a large gap never
  // needs more memory than a few blocks.
  const std::vector<uint8_t> zeros(static_cast<size_t>(block_size), 0);
  while (size_ < new_size) {
    const int32_t n =
        static_cast<int32_t>(std::min<int64_t>(new_size - size_, block_size - size_ % block_size));
    if (Write(zeros.data(), n) != n) {
      throw EVorError("TCFRAdvancedFileStream.SetSize - error extending file. NewSize = " +
                          std::to_string(new_size) + ", extSize = " + std::to_string(ext_size),
                      stream_->LastFailureKind());
    }
  }
}

void TCFRAdvancedFileStream::Shrink(int64_t new_size) {
  const int32_t block_size = header_.BlockSize;
  const int32_t q = static_cast<int32_t>(new_size / block_size);
  const int32_t r = static_cast<int32_t>(new_size % block_size);
  TCFRBlockHeader h;
  std::vector<uint8_t> packed;
  if (r > 0) {
    const std::vector<uint8_t> data = LoadBlock(q);
    h = BlockHeader(q);
    packed = PrepareBufferForWriting(data.data(), r, &h);
  }
  const int64_t cut = headers_.Key(q);
  const int32_t new_count = r > 0 ? q + 1 : q;
  headers_.SetCount(new_count);
  header_.BlockCount = new_count;
  WriteStreamHeader();
  stream_->SetSize(cut);
  if (r > 0) {
    h.NextOffset = static_cast<uint32_t>(cut + kBlockHeaderSize + h.CompressedSize);
    SetBlockHeader(q, h);
    WriteBlock(cut, h, packed);
  }
}

// ------------------------------------------------------------------ saving

void TCFRAdvancedFileStream::SaveToStream(TStream& dest) {
  const int64_t saved_position = Seek(0, 1);
  const int64_t saved_raw = stream_->Seek(0, 1);
  Seek(0, 0);
  busy_ = false;
  Report(0);
  const int64_t total = PassThrough() ? stream_->Size() : size_;
  // A damaged record can give a negative size; no buffer is sized from it.
  if (total < 0) {
    throw EVorError(
        "TCFRAdvancedFileStream.SaveToStream - invalid size, Size = " + std::to_string(total),
        ErrorKind::kDamaged);
  }
  // A file shorter than one chunk needs no more than its own size.
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(buffer_size_, total)));
  int64_t copied = 0;
  while (copied < total) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(buffer_size_, total - copied));
    {
      BusyScope busy(busy_);
      try {
        ReadBuffer(buffer.data(), n);
      } catch (const std::exception&) {
        // One more attempt at the same chunk; a second failure propagates.
        Seek(copied, 0);
        ReadBuffer(buffer.data(), n);
      }
      dest.WriteBuffer(buffer.data(), n);
    }
    copied += n;
    Report(100.0 * static_cast<double>(copied) / static_cast<double>(total));
  }
  buffer = std::vector<uint8_t>();
  Seek(saved_position, 0);
  stream_->Seek(saved_raw, 0);
  Report(100);
}

void TCFRAdvancedFileStream::SaveToFile(const std::string& path) {
  TDiskFileStream file(path, TDiskFileMode::kCreate);
  SaveToStream(file);
}

}  // namespace vor
