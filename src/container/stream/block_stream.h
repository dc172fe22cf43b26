// TCFRAdvancedFileStream: a stored file's content in compressed blocks.
//
// The raw stream holds a 128-byte stream header, ExtraSize further bytes and
// then the blocks, each a 16-byte block header and CompressedSize stored
// bytes. Block k holds uncompressed bytes k * BlockSize .. (k + 1) *
// BlockSize - 1; every block but the last is BlockSize bytes long. Block 0's
// header is at 128 + ExtraSize, block k's at the NextOffset of block k - 1
// (readers follow the chain: a block rewritten smaller leaves a gap).
//
// The stream header and block header byte by byte: docs/format.md, sections
// 9.1 and 9.2.
//
// Compression type 0, or content without the signature, makes the stream a
// plain pass-through to the raw stream. Each read decompresses the blocks it
// touches; each write unpacks, patches and repacks them, moving the later
// blocks behind a block that grew; nothing is written before every affected
// block has been packed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "container/store/engine_arrays.h"
#include "container/stream/stream.h"

namespace vor {

class IHandleFiles;

constexpr int32_t kStreamHeaderSize = 128;
constexpr int32_t kBlockHeaderSize = 16;
constexpr char kStreamSignature[5] = "QZCS";
// Single-precision 2.0.
constexpr uint32_t kStreamFormatVersion = 0x40000000u;
// Block size of a pass-through stream and the copy chunk before a header is
// loaded.
constexpr int32_t kDefaultBufferSize = 1048576;
// The largest block size a stored header may ask for (the codecs use at most
// 1.5 MiB); it bounds the buffers a damaged header can demand.
constexpr int32_t kMaxStreamBlockSize = 16 * 1048576;

struct TCFRStreamHeader {
  std::array<uint8_t, 4> Signature{};
  int32_t BlockSize = 0;
  uint32_t Reserved8 = 0;
  int32_t BlockCount = 0;
  uint32_t FormatVersion = 0;
  uint8_t Compression = 0;
  uint8_t Reserved21 = 0;
  uint8_t Reserved22 = 0;
  uint32_t ExtraSize = 0;
  std::array<uint8_t, 101> Reserved27{};

  void Encode(uint8_t* dst) const;
  void Decode(const uint8_t* src);
  bool HasSignature() const;
};

struct TCFRBlockHeader {
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint32_t Checksum = 0;
  uint32_t NextOffset = 0;

  void Encode(uint8_t* dst) const;
  void Decode(const uint8_t* src);
};

struct TPackedBlock;
struct TBlockPackJob;

class TCFRAdvancedFileStream : public TStream {
 public:
  using ProgressEvent = std::function<void(TStream& sender, double percent)>;

  // Opens (mode other than 0xFFFF) or creates (0xFFFF) the file file_name of
  // coffer through a TCFRUserFileStream. Compression 0 takes the container's
  // default type; opening lets the stored header decide.
  TCFRAdvancedFileStream(IHandleFiles* coffer, uint8_t compression, const std::string& question,
                         const std::string& answer, const std::string& password, uint16_t mode,
                         const std::string& file_name);
  // The same over any raw stream: create writes a fresh header (unless
  // compression is 0), otherwise the raw content is loaded as it stands.
  TCFRAdvancedFileStream(std::unique_ptr<TStream> raw, uint8_t compression, bool create,
                         const std::string& file_name = std::string());
  ~TCFRAdvancedFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  void SetSize(int64_t new_size) override;
  // The raw stream's reason for its last short write.
  ErrorKind LastFailureKind() const override { return stream_->LastFailureKind(); }

  // Stores blocks packed by PackContent (block_packer.h) with this stream's
  // compression type as the whole content of an empty stream; the raw bytes
  // are those that Write of the same content would give. Raises when the
  // stream is a pass-through or not empty, or the raw stream takes fewer
  // bytes.
  void WritePacked(const std::vector<TPackedBlock>& blocks);

  // The header and stored bytes of block index as the raw stream holds them,
  // for unpacking elsewhere with UnpackBlock; raises LoadBlock's message
  // when they cannot be read in full.
  void ReadPackedBlock(int32_t index, TCFRBlockHeader* header, std::vector<uint8_t>* packed);
  // Unpacks one block's stored bytes and checks size and CRC-16 as LoadBlock
  // does, raising its messages. Touches no stream, so it may run on any
  // thread.
  static std::vector<uint8_t> UnpackBlock(const TCFRBlockHeader& header, const uint8_t* packed,
                                          uint8_t compression);

  // Copies the whole uncompressed content to dest in BufferSize chunks,
  // reporting 0, 100 x copied / Size after each chunk, and 100.
  void SaveToStream(TStream& dest);
  // Creates (or truncates) the disk file path and saves the content into it.
  void SaveToFile(const std::string& path);

  void SetOnProgress(ProgressEvent event) { on_progress_ = std::move(event); }
  const ProgressEvent& OnProgress() const { return on_progress_; }

  bool PassThrough() const { return compression_ == 0; }
  uint8_t Compression() const { return compression_; }
  int64_t StoredSize() const { return stored_size_; }
  double Ratio() const { return ratio_; }
  int32_t BufferSize() const { return buffer_size_; }
  int32_t CurrentBlock() const { return current_block_; }
  const std::string& FileName() const { return file_name_; }
  const TCFRStreamHeader& Header() const { return header_; }
  // Block i's header and the raw offset where it lies.
  TCFRBlockHeader BlockHeader(int32_t index) const;
  int64_t BlockOffset(int32_t index) const { return headers_.Key(index); }
  int32_t BlockCount() const { return headers_.Count(); }
  // The raw stream; a caller may change it, so the bytes read at opening
  // are no longer used.
  TStream& RawStream() {
    prefetched_.clear();
    return *stream_;
  }

  // A stored file opened for reading whose raw stream is at most this long
  // is read whole when it is opened: its stream header, block headers and
  // stored bytes then come from that one read.
  static constexpr int64_t kPrefetchLimit = 16 * 1024;

 private:
  void Initialize(bool create);
  void LoadHeaders();
  // count raw bytes at offset: from the bytes read at opening when they hold
  // them all, else read there. Returns the count read.
  int32_t ReadRaw(int64_t offset, void* buffer, int32_t count);
  // Uncompressed bytes of block index, checked against its size and CRC.
  std::vector<uint8_t> LoadBlock(int32_t index);
  std::vector<uint8_t> PrepareBufferForWriting(const uint8_t* data, int32_t count,
                                               TCFRBlockHeader* header);
  void UpdateStats();
  void Report(double percent);
  void WriteStreamHeader();
  void SetBlockHeader(int32_t index, const TCFRBlockHeader& header);
  // Writes the 16-byte header and the packed bytes of a block at offset;
  // raises when the raw stream takes fewer bytes.
  void WriteBlock(int64_t offset, const TCFRBlockHeader& header,
                  const std::vector<uint8_t>& packed);
  // Writes the given blocks at their offsets in the index, in order; blocks
  // that follow one another without a gap go out in one raw write.
  void WriteBlocks(const std::vector<int32_t>& indexes,
                   const std::vector<const std::vector<uint8_t>*>& packed);
  // The stages of Write. A span is the caller's bytes, [start, end) of the
  // content, over blocks first..last; old_last is the last block before the
  // write, block_count and tail (bytes in the last block, 0 when full) the
  // block count and tail after it.
  struct WriteSpan {
    const uint8_t* in = nullptr;
    int64_t start = 0;
    int64_t end = 0;
    int32_t first = 0;
    int32_t last = 0;
    int32_t old_last = 0;
    int32_t block_count = 0;
    int32_t tail = 0;
  };
  // Blocks packed and chained, in the order they go out.
  struct PendingBlocks {
    std::vector<int32_t> indexes;
    std::vector<std::vector<uint8_t>> bytes;
  };
  // Grows the index and size for the span, packs blocks first..last (and
  // every later one when a block grew) in batches and updates their headers
  // and the chain; writes nothing. On failure the index, size and position
  // are as they were.
  void PackSpan(WriteSpan& span, PendingBlocks* pending);
  // The uncompressed bytes of blocks from .. from + jobs->size() - 1 into
  // jobs; blocks not taken straight from the caller's bytes are kept in owned.
  void FillBlocks(const WriteSpan& span, int32_t from, std::vector<TBlockPackJob>* jobs,
                  std::vector<std::vector<uint8_t>>* owned);
  // Sets the headers and NextOffset chain of the packed jobs from block from
  // on, moving their packed bytes to pending; relocate becomes true once a
  // block grew.
  void ChainBlocks(const WriteSpan& span, int32_t from, std::vector<TBlockPackJob>* jobs,
                   bool* relocate, PendingBlocks* pending);
  // Block count into the stream header, the header out, stats and the final
  // report.
  void FinishWrite();
  // Offset of block index as the NextOffset chain gives it.
  int64_t ChainOffset(int32_t index) const;
  // Extends the content with zero bytes up to new_size.
  void Extend(int64_t new_size);
  void Shrink(int64_t new_size);

  int32_t buffer_size_ = kDefaultBufferSize;
  double progress_ = 0;
  double progress_divisor_ = 1;
  TCFRHeadersArray headers_;
  int64_t size_ = 0;
  int64_t stored_size_ = 0;
  int32_t current_block_ = 0;
  int64_t position_ = 0;
  uint8_t compression_ = 0;
  ProgressEvent on_progress_;
  double ratio_ = 0;
  bool busy_ = false;
  std::string file_name_;
  std::unique_ptr<TStream> stream_;
  TCFRStreamHeader header_;
  std::vector<uint8_t> packed_buffer_;  // LoadBlock's stored bytes
  // Opened for reading: no write goes through this stream.
  bool read_only_ = false;
  // The whole raw stream of a small file opened for reading, as read at
  // opening; empty when not read so, and emptied by every change.
  std::vector<uint8_t> prefetched_;
  std::vector<uint8_t> write_buffer_;  // block headers and stored bytes on their way out
};

}  // namespace vor
