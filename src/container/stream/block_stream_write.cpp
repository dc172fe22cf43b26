// TCFRAdvancedFileStream: writes, packing and size changes (block_stream.h).
// Kept apart from reading (block_stream.cpp) so that a program that never
// writes a stored file links neither this code nor the block packer and the
// encoders it reaches; the installer program links
// container/stream/without_writing instead.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "codecs/compression.h"
#include "common/error.h"
#include "container/stream/block_packer.h"
#include "container/stream/block_stream.h"
#include "container/stream/block_stream_detail.h"
#include "crypto/checksum.h"

namespace vor {
namespace {

using block_stream_detail::BusyScope;

// Raw offsets are stored as 32-bit numbers: the raw stream ends below 2 GiB.
constexpr int64_t kMaxRawOffset = std::numeric_limits<int32_t>::max();

// Raw bytes gathered for one write of consecutive blocks.
constexpr size_t kMaxGatheredWrite = 8 * 1048576;

}  // namespace

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

}  // namespace vor
