// Context model of the PPM codec.
//
// The model lives in a PpmHeap as 12-byte context records and arrays of
// 6-byte states:
//
//   PpmState    Symbol (byte 0), Freq (byte 1), Successor (bytes 2-5)
//   PpmContext  SymbolCount (bytes 0-1); for 0 or 1 states the OnlyState in
//               bytes 2-7, else FreqSum (bytes 2-3) and States (bytes 4-7);
//               Suffix (bytes 8-11)
//
// A context with SymbolCount 0 is a placeholder for a text position whose
// context has not been built yet: its OnlyState holds the symbol that
// followed the position and the placeholder of the next position.
//
// One PpmModel codes one block, encoding or decoding; it keeps every register
// and table of its own, so models on different threads never interact.
#pragma once

#include <cstdint>

#include "codecs/ppm_heap.h"
#include "codecs/ppm_range_coder.h"
#include "common/coding.h"

namespace vor {

class PpmModel {
 public:
  static constexpr int kMaxFreq = 124;
  static constexpr int kEndMarker = -1;

  // The heap must be allocated and outlive the model; max_order is 2 to 16.
  PpmModel(PpmHeap* heap, int max_order);
  PpmModel(const PpmModel&) = delete;
  PpmModel& operator=(const PpmModel&) = delete;

  // Builds the initial model (ResetModel).
  void Reset();

  // Codes one symbol (0 to 255, or kEndMarker) and updates the model. Returns
  // false once the end marker has been coded (the escape out of order 0).
  bool EncodeSymbol(PpmRangeEncoder* coder, int symbol);

  // Decodes one symbol and updates the model. Returns the symbol, or
  // kEndMarker when the escape out of order 0 was decoded.
  int DecodeSymbol(PpmRangeDecoder* coder);

  // True when the model met a state that a sound model cannot reach (only a
  // hostile stream or a defect leads here); coding must stop.
  bool faulted() const { return fault_; }
  // Times the model restarted because the heap ran out.
  int restarts() const { return restarts_; }

 private:
  struct EscapeEntry {
    uint16_t summ;
    uint8_t shift;
    uint8_t count;
  };

  // Record fields. References are offsets into the heap storage.
  uint8_t Symbol(uint32_t s) const { return base_[s]; }
  uint8_t Freq(uint32_t s) const { return base_[s + 1]; }
  void SetFreq(uint32_t s, uint32_t f) { base_[s + 1] = static_cast<uint8_t>(f); }
  uint32_t Successor(uint32_t s) const { return DecodeFixed32(base_ + s + 2); }
  void SetSuccessor(uint32_t s, uint32_t c) { EncodeFixed32(base_ + s + 2, c); }
  void SetState(uint32_t s, uint32_t symbol, uint32_t freq, uint32_t successor) {
    base_[s] = static_cast<uint8_t>(symbol);
    base_[s + 1] = static_cast<uint8_t>(freq);
    SetSuccessor(s, successor);
  }
  void CopyState(uint32_t to, uint32_t from);
  void SwapStates(uint32_t a, uint32_t b);

  uint32_t SymbolCount(uint32_t c) const { return DecodeFixed16(base_ + c); }
  void SetSymbolCount(uint32_t c, uint32_t n) {
    EncodeFixed16(base_ + c, static_cast<uint16_t>(n));
  }
  uint32_t FreqSum(uint32_t c) const { return DecodeFixed16(base_ + c + 2); }
  void SetFreqSum(uint32_t c, uint32_t v) {
    EncodeFixed16(base_ + c + 2, static_cast<uint16_t>(v));
  }
  uint32_t States(uint32_t c) const { return DecodeFixed32(base_ + c + 4); }
  void SetStates(uint32_t c, uint32_t s) { EncodeFixed32(base_ + c + 4, s); }
  uint32_t Suffix(uint32_t c) const { return DecodeFixed32(base_ + c + 8); }
  void SetSuffix(uint32_t c, uint32_t s) { EncodeFixed32(base_ + c + 8, s); }
  static uint32_t OnlyState(uint32_t c) { return c + 2; }

  // A reference that may be followed: inside the heap with room for bytes.
  bool Valid(uint32_t ref, uint32_t bytes) const { return heap_->Contains(ref, bytes); }
  bool ValidContext(uint32_t c) const { return Valid(c, PpmHeap::kUnitSize); }
  // The states array of a multi-symbol context, checked.
  bool ValidStates(uint32_t c) const;
  // The state of symbol in a multi-symbol context, or 0 (a fault).
  uint32_t FindState(uint32_t c, uint32_t symbol);
  void Fault() { fault_ = true; }

  void ResetTables();

  // Coding of one symbol in the current context.
  void EncodeBinary(PpmRangeEncoder* coder, int symbol);
  void EncodeFirst(PpmRangeEncoder* coder, int symbol);
  void EncodeAfterEscape(PpmRangeEncoder* coder, int symbol);
  void DecodeBinary(PpmRangeDecoder* coder);
  void DecodeFirst(PpmRangeDecoder* coder);
  void DecodeAfterEscape(PpmRangeDecoder* coder);

  // Shared parts of the coding steps.
  uint16_t* BinaryProbability();
  void BinaryHit(uint16_t* p);
  void BinaryEscape(uint16_t* p);
  void FirstHit(uint32_t s);
  void NextHit(uint32_t s);
  void FirstEscape(uint32_t states, uint32_t count);
  EscapeEntry* EscapeEntryFor(uint32_t diff, uint32_t* scale);
  void EscapedHit(EscapeEntry* entry, uint32_t s);
  void EscapedMiss(EscapeEntry* entry, uint32_t scale);

  // Moves to the next suffix that has unmasked symbols. False when the chain
  // ran out (the end marker was coded).
  bool MoveToSuffix();
  // Step after a symbol was found: follow the successor or learn.
  void Advance();

  void HalveFrequencies(uint32_t c);
  bool BuildSuccessors(int mode, uint32_t hint);
  void LearnSymbol();
  void Restart();

  PpmHeap* heap_;
  uint8_t* base_;
  int max_order_;

  uint32_t current_ = 0;  // CurrentContext
  uint32_t top_ = 0;      // TopContext
  uint32_t pending_ = 0;  // PendingContext
  uint32_t matched_ = 0;  // MatchedState, 0 after an escape
  int order_drop_ = 0;    // OrderDrop
  uint32_t masked_count_ = 0;
  uint32_t initial_escape_ = 0;
  uint8_t mask_epoch_ = 1;
  uint32_t last_hit_ = 0;
  bool fault_ = false;
  int restarts_ = 0;

  uint8_t symbol_mask_[256];
  uint16_t binary_model_[128][16];
  EscapeEntry escape_model_[43][8];
  EscapeEntry escape_fallback_;
};

}  // namespace vor
