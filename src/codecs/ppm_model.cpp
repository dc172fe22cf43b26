// Context model of the PPM codec: the initial model, the adaptive tables and
// the coding of one symbol (binary contexts, first coding in a context with
// several symbols, coding after an escape).
#include "codecs/ppm_model.h"

#include <cstring>

namespace vor {

namespace {

constexpr uint32_t kStateSize = 6;
constexpr uint32_t kBinaryScale = 1u << 14;

constexpr uint16_t kBinaryEscapeSeeds[16] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x5FFB, 0x5545,
                                             0x63D1, 0x5D9D, 0x64A1, 0x5ABC, 0x6632, 0x6051,
                                             0x68F6, 0x549B, 0x6BCA, 0x3AB0};

constexpr uint8_t kEscapeFromBinary[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

// EscapeRowOf[d - 1] and BinaryColumnOf[n - 1] for d, n = 1 to 256.
struct CountTables {
  uint8_t escape_row_of[256];
  uint8_t binary_column_of[256];
  constexpr CountTables() : escape_row_of(), binary_column_of() {
    for (int d = 1; d <= 256; ++d) {
      int row = d <= 4    ? d - 1
                : d <= 12 ? 4 + (d - 5) / 2
                : d <= 44 ? 8 + (d - 13) / 4
                          : 16 + (d - 45) / 8;
      escape_row_of[d - 1] = static_cast<uint8_t>(row);
      int column = d <= 6 ? 2 * (d - 1) : d <= 50 ? 12 : 14;
      binary_column_of[d - 1] = static_cast<uint8_t>(column);
    }
  }
};
constexpr CountTables kCountTables;

}  // namespace

PpmModel::PpmModel(PpmHeap* heap, int max_order)
    : heap_(heap), base_(heap->base()), max_order_(max_order), escape_fallback_{0, 7, 0} {
  std::memset(symbol_mask_, 0, sizeof(symbol_mask_));
  std::memset(binary_model_, 0, sizeof(binary_model_));
  std::memset(escape_model_, 0, sizeof(escape_model_));
}

void PpmModel::CopyState(uint32_t to, uint32_t from) {
  std::memmove(base_ + to, base_ + from, kStateSize);
}

void PpmModel::SwapStates(uint32_t a, uint32_t b) {
  uint8_t tmp[kStateSize];
  std::memcpy(tmp, base_ + a, kStateSize);
  std::memcpy(base_ + a, base_ + b, kStateSize);
  std::memcpy(base_ + b, tmp, kStateSize);
}

bool PpmModel::ValidStates(uint32_t c) const {
  uint32_t n = SymbolCount(c);
  return n >= 2 && n <= 256 && Valid(States(c), kStateSize * n);
}

uint32_t PpmModel::FindState(uint32_t c, uint32_t symbol) {
  if (!ValidStates(c)) {
    Fault();
    return 0;
  }
  uint32_t s = States(c);
  for (uint32_t i = SymbolCount(c); i != 0; --i, s += kStateSize) {
    if (Symbol(s) == symbol) return s;
  }
  Fault();
  return 0;
}

void PpmModel::ResetTables() {
  for (uint32_t f = 1; f <= 128; ++f) {
    for (int k = 0; k < 16; ++k) {
      binary_model_[f - 1][k] =
          static_cast<uint16_t>(kBinaryScale - kBinaryEscapeSeeds[k] / (f + 1));
    }
  }
  for (int i = 0; i < 43; ++i) {
    for (EscapeEntry& e : escape_model_[i]) e = {static_cast<uint16_t>((4 * i + 10) * 8), 3, 3};
  }
  escape_fallback_.shift = 7;
  std::memset(symbol_mask_, 0, sizeof(symbol_mask_));
  mask_epoch_ = 1;
}

void PpmModel::Reset() {
  heap_->Reset();
  // The order-0 context: all 256 symbols with frequency 1.
  uint32_t order0 = heap_->AllocateContextRecord();
  SetSymbolCount(order0, 256);
  SetFreqSum(order0, 257);
  SetSuffix(order0, 0);
  uint32_t states = heap_->AllocateUnits(128);
  SetStates(order0, states);
  for (uint32_t i = 0; i < 256; ++i) SetState(states + kStateSize * i, i, 1, 0);
  last_hit_ = 0;
  order_drop_ = 1;
  // A chain of contexts for the symbol 0 up to MaxOrder; the top one is the
  // placeholder of the first text position.
  uint32_t prev_state = states;
  uint32_t prev_context = order0;
  uint32_t context = 0;
  for (int k = 1; k <= max_order_; ++k) {
    context = heap_->AllocateContextRecord();
    SetSuccessor(prev_state, context);
    SetSymbolCount(context, 1);
    SetSuffix(context, prev_context);
    if (k < max_order_) {
      base_[OnlyState(context)] = 0;
      SetFreq(OnlyState(context), 1);
    }
    prev_state = OnlyState(context);
    prev_context = context;
  }
  SetSymbolCount(context, 0);
  pending_ = context;
  current_ = top_ = Suffix(context);
  matched_ = 0;
  ResetTables();
}

// ---------------------------------------------------------------------------
// Binary contexts.

uint16_t* PpmModel::BinaryProbability() {
  uint32_t f = Freq(OnlyState(current_));
  uint32_t suffix = Suffix(current_);
  uint32_t n = ValidContext(suffix) ? SymbolCount(suffix) : 0;
  if (f == 0 || f > 128 || n == 0 || n > 256) {
    Fault();
    return &binary_model_[0][0];
  }
  return &binary_model_[f - 1][last_hit_ + kCountTables.binary_column_of[n - 1]];
}

void PpmModel::BinaryHit(uint16_t* p) {
  matched_ = OnlyState(current_);
  uint32_t f = Freq(matched_);
  if (f < 128) SetFreq(matched_, f + 1);
  *p = static_cast<uint16_t>(*p + 128 - ((*p + 32) >> 7));
  last_hit_ = 1;
}

void PpmModel::BinaryEscape(uint16_t* p) {
  *p = static_cast<uint16_t>(*p - ((*p + 32) >> 7));
  initial_escape_ = kEscapeFromBinary[*p >> 10];
  masked_count_ = 1;
  symbol_mask_[Symbol(OnlyState(current_))] = mask_epoch_;
  last_hit_ = 0;
  matched_ = 0;
}

void PpmModel::EncodeBinary(PpmRangeEncoder* coder, int symbol) {
  uint16_t* p = BinaryProbability();
  if (Symbol(OnlyState(current_)) == symbol) {
    coder->EncodeBinary(0, *p);
    BinaryHit(p);
  } else {
    coder->EncodeBinary(*p, kBinaryScale);
    BinaryEscape(p);
  }
}

void PpmModel::DecodeBinary(PpmRangeDecoder* coder) {
  uint16_t* p = BinaryProbability();
  if (coder->GetBinaryCount() < *p) {
    coder->Decode(0, *p);
    BinaryHit(p);
  } else {
    coder->Decode(*p, kBinaryScale);
    BinaryEscape(p);
  }
}

// ---------------------------------------------------------------------------
// First coding in a context with two or more symbols.

void PpmModel::FirstHit(uint32_t s) {
  uint32_t f = Freq(s);
  last_hit_ = 2 * f > FreqSum(current_) ? 1 : 0;
  SetFreq(s, f + 4);
  SetFreqSum(current_, FreqSum(current_) + 4);
  matched_ = s;
  if (f + 4 > kMaxFreq) HalveFrequencies(current_);
}

void PpmModel::NextHit(uint32_t s) {
  last_hit_ = 0;
  uint32_t f = Freq(s) + 4;
  SetFreq(s, f);
  SetFreqSum(current_, FreqSum(current_) + 4);
  matched_ = s;
  uint32_t prev = s - kStateSize;
  if (f > Freq(prev)) {
    SwapStates(s, prev);
    matched_ = prev;
    if (f > kMaxFreq) HalveFrequencies(current_);
  }
}

void PpmModel::FirstEscape(uint32_t states, uint32_t count) {
  last_hit_ = 0;
  for (uint32_t i = 0; i < count; ++i) symbol_mask_[Symbol(states + kStateSize * i)] = mask_epoch_;
  masked_count_ = count;
  matched_ = 0;
}

void PpmModel::EncodeFirst(PpmRangeEncoder* coder, int symbol) {
  if (!ValidStates(current_)) return Fault();
  uint32_t count = SymbolCount(current_);
  uint32_t scale = FreqSum(current_);
  uint32_t s = States(current_);
  uint32_t high = Freq(s);
  if (Symbol(s) == symbol) {
    coder->Encode(0, high, scale);
    return FirstHit(s);
  }
  for (uint32_t i = 1; i < count; ++i) {
    s += kStateSize;
    uint32_t low = high;
    high += Freq(s);
    if (Symbol(s) == symbol) {
      coder->Encode(low, high, scale);
      return NextHit(s);
    }
  }
  if (high >= scale) return Fault();
  coder->Encode(high, scale, scale);
  FirstEscape(States(current_), count);
}

void PpmModel::DecodeFirst(PpmRangeDecoder* coder) {
  if (!ValidStates(current_)) return Fault();
  uint32_t count_of_states = SymbolCount(current_);
  uint32_t scale = FreqSum(current_);
  uint32_t count = coder->GetCount(scale);
  uint32_t s = States(current_);
  uint32_t high = Freq(s);
  if (count < high) {
    coder->Decode(0, high);
    return FirstHit(s);
  }
  for (uint32_t i = 1; i < count_of_states; ++i) {
    s += kStateSize;
    uint32_t low = high;
    high += Freq(s);
    if (high > count) {
      coder->Decode(low, high);
      return NextHit(s);
    }
  }
  if (high >= scale) return Fault();
  coder->Decode(high, scale);
  FirstEscape(States(current_), count_of_states);
}

// ---------------------------------------------------------------------------
// Coding after an escape: the masked symbols are excluded and the escape
// frequency comes from the adaptive escape model.

PpmModel::EscapeEntry* PpmModel::EscapeEntryFor(uint32_t diff, uint32_t* scale) {
  uint32_t count = SymbolCount(current_);
  if (count == 256) {
    *scale = 1;
    return &escape_fallback_;
  }
  uint32_t suffix = Suffix(current_);
  if (!ValidContext(suffix) || diff == 0 || diff > 256) {
    Fault();
    *scale = 1;
    return &escape_fallback_;
  }
  int d = static_cast<int>(diff);
  int n = static_cast<int>(count);
  int j = (d < static_cast<int>(SymbolCount(suffix)) - n ? 1 : 0) +
          (static_cast<int>(FreqSum(current_)) < 11 * n ? 2 : 0) +
          (static_cast<int>(masked_count_) > d ? 4 : 0);
  EscapeEntry* e = &escape_model_[kCountTables.escape_row_of[diff - 1]][j];
  uint32_t v = e->summ >> e->shift;
  e->summ = static_cast<uint16_t>(e->summ - v);
  uint32_t r = v & 1023;
  *scale = r != 0 ? r : 1;
  return e;
}

void PpmModel::EscapedHit(EscapeEntry* e, uint32_t s) {
  if (e->shift < 7 && --e->count == 0) {
    e->summ = static_cast<uint16_t>(e->summ * 2);
    e->count = static_cast<uint8_t>(3 << e->shift);
    ++e->shift;
  }
  matched_ = s;
  uint32_t f = Freq(s) + 4;
  SetFreq(s, f);
  SetFreqSum(current_, FreqSum(current_) + 4);
  if (f > kMaxFreq) HalveFrequencies(current_);
  ++mask_epoch_;
}

void PpmModel::EscapedMiss(EscapeEntry* e, uint32_t scale) {
  e->summ = static_cast<uint16_t>(e->summ + scale);
  masked_count_ = SymbolCount(current_);
  matched_ = 0;
}

void PpmModel::EncodeAfterEscape(PpmRangeEncoder* coder, int symbol) {
  if (!ValidStates(current_)) return Fault();
  uint32_t count = SymbolCount(current_);
  uint32_t diff = count - masked_count_;
  uint32_t scale;
  EscapeEntry* e = EscapeEntryFor(diff, &scale);
  uint32_t s = States(current_);
  uint32_t seen = 0;
  uint32_t high = 0;
  uint32_t i = 0;
  uint32_t found = 0;
  for (; i < count && seen < diff; ++i, s += kStateSize) {
    uint32_t sym = Symbol(s);
    if (symbol_mask_[sym] == mask_epoch_) continue;
    ++seen;
    high += Freq(s);
    if (static_cast<int>(sym) == symbol) {
      found = s;
      break;
    }
    symbol_mask_[sym] = mask_epoch_;
  }
  if (found != 0) {
    uint32_t total = high;
    for (++i, s += kStateSize; i < count && seen < diff; ++i, s += kStateSize) {
      if (symbol_mask_[Symbol(s)] == mask_epoch_) continue;
      ++seen;
      total += Freq(s);
    }
    scale += total;
    coder->Encode(high - Freq(found), high, scale);
    return EscapedHit(e, found);
  }
  scale += high;
  coder->Encode(high, scale, scale);
  EscapedMiss(e, scale);
}

void PpmModel::DecodeAfterEscape(PpmRangeDecoder* coder) {
  if (!ValidStates(current_)) return Fault();
  uint32_t count = SymbolCount(current_);
  uint32_t diff = count - masked_count_;
  uint32_t scale;
  EscapeEntry* e = EscapeEntryFor(diff, &scale);
  uint32_t unmasked[256];
  uint32_t seen = 0;
  uint32_t total = 0;
  uint32_t s = States(current_);
  for (uint32_t i = 0; i < count && seen < diff; ++i, s += kStateSize) {
    if (symbol_mask_[Symbol(s)] == mask_epoch_) continue;
    unmasked[seen++] = s;
    total += Freq(s);
  }
  scale += total;
  uint32_t target = coder->GetCount(scale);
  if (target < total) {
    uint32_t high = 0;
    for (uint32_t k = 0; k < seen; ++k) {
      high += Freq(unmasked[k]);
      if (high > target) {
        coder->Decode(high - Freq(unmasked[k]), high);
        return EscapedHit(e, unmasked[k]);
      }
    }
  }
  coder->Decode(total, scale);
  for (uint32_t k = 0; k < seen; ++k) symbol_mask_[Symbol(unmasked[k])] = mask_epoch_;
  EscapedMiss(e, scale);
}

// ---------------------------------------------------------------------------
// One symbol.

bool PpmModel::MoveToSuffix() {
  int steps = 0;
  do {
    ++order_drop_;
    uint32_t suffix = Suffix(current_);
    if (suffix == 0) return false;
    // A suffix chain is at most MaxOrder + 1 long; the bound only stops a
    // damaged chain from looping.
    if (!ValidContext(suffix) || ++steps > 256) {
      Fault();
      return false;
    }
    current_ = suffix;
    // A sound model never holds fewer symbols below than were masked above;
    // "<=" keeps a damaged one from coding with a negative count.
  } while (SymbolCount(current_) <= masked_count_);
  return true;
}

void PpmModel::Advance() {
  uint32_t successor = Successor(matched_);
  if (successor != 0 && !ValidContext(successor)) return Fault();
  if (order_drop_ == 0 && successor != 0 && SymbolCount(successor) != 0) {
    current_ = top_ = successor;
    return;
  }
  LearnSymbol();
  if (mask_epoch_ == 0) {
    mask_epoch_ = 1;
    std::memset(symbol_mask_, 0, sizeof(symbol_mask_));
  }
}

bool PpmModel::EncodeSymbol(PpmRangeEncoder* coder, int symbol) {
  if (!ValidContext(current_) || SymbolCount(current_) == 0) {
    Fault();
    return false;
  }
  if (SymbolCount(current_) == 1) {
    EncodeBinary(coder, symbol);
  } else {
    EncodeFirst(coder, symbol);
  }
  while (matched_ == 0) {
    if (fault_) return false;
    coder->Normalize();
    if (!MoveToSuffix()) return false;
    EncodeAfterEscape(coder, symbol);
  }
  if (fault_) return false;
  Advance();
  coder->Normalize();
  return !fault_;
}

int PpmModel::DecodeSymbol(PpmRangeDecoder* coder) {
  if (!ValidContext(current_) || SymbolCount(current_) == 0) {
    Fault();
    return kEndMarker;
  }
  if (SymbolCount(current_) == 1) {
    DecodeBinary(coder);
  } else {
    DecodeFirst(coder);
  }
  while (matched_ == 0) {
    if (fault_) return kEndMarker;
    coder->Normalize();
    if (!MoveToSuffix()) return kEndMarker;
    DecodeAfterEscape(coder);
  }
  if (fault_) return kEndMarker;
  int symbol = Symbol(matched_);
  Advance();
  coder->Normalize();
  return symbol;
}

}  // namespace vor
