// TCFRAdvancedFileStream: headers, block loading, reads, seeks and saving.
// Writing (packing, size changes) is in block_stream_write.cpp, a library
// member of its own that programs which never write a stored file leave out.
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
#include "container/stream/block_stream_detail.h"
#include "container/stream/handle_files.h"
#include "container/stream/user_file_stream.h"
#include "crypto/checksum.h"

namespace vor {
namespace {

using block_stream_detail::BusyScope;

// Stored bytes a block may have: every codec stays well below twice the
// block's size (PPM is handed size + size / 20 + 50 at most).
int64_t MaxCompressedSize(int32_t block_size) { return 2 * int64_t{block_size} + 4096; }

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

// ------------------------------------------------------------------ reads

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

// ------------------------------------------------------------------ seeks

int64_t TCFRAdvancedFileStream::Seek(int64_t offset, uint16_t origin) {
  if (PassThrough()) return stream_->Seek(offset, origin);
  position_ = ResolveSeek(origin, offset, position_, size_).value_or(position_);
  if (position_ <= 0) position_ = 0;
  const int64_t block = size_ == 0 ? 0 : position_ / header_.BlockSize;
  current_block_ =
      static_cast<int32_t>(std::min<int64_t>(block, std::numeric_limits<int32_t>::max()));
  return position_;
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
