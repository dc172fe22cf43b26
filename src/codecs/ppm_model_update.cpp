// Context model of the PPM codec: learning after a coded symbol (new states
// in the contexts that escaped, successor contexts, frequency halving) and the
// restart when the heap runs out.
#include <cstring>

#include "codecs/ppm_model.h"

namespace vor {

namespace {

constexpr uint32_t kStateSize = 6;
// BuildSuccessors collects at most the matched state plus one state per
// order (17); the room above that only stops a damaged chain.
constexpr int kMaxSuccessorList = 32;

}  // namespace

void PpmModel::HalveFrequencies(uint32_t c) {
  uint32_t states = States(c);
  uint32_t old_count = SymbolCount(c);
  if (matched_ < states || (matched_ - states) % kStateSize != 0 ||
      (matched_ - states) / kStateSize >= old_count) {
    return Fault();
  }
  // The matched state goes to the front.
  for (uint32_t p = matched_; p != states; p -= kStateSize) SwapStates(p, p - kStateSize);
  SetFreq(states, Freq(states) + 4);
  SetFreqSum(c, FreqSum(c) + 4);

  int escape = static_cast<int>(FreqSum(c)) - static_cast<int>(Freq(states));
  uint32_t adder = order_drop_ != 0 ? 1 : 0;
  uint32_t sum = (Freq(states) + adder) >> 1;
  SetFreq(states, sum);
  for (uint32_t i = 1; i < old_count; ++i) {
    uint32_t p = states + kStateSize * i;
    uint32_t old_freq = Freq(p);
    escape -= static_cast<int>(old_freq);
    uint32_t f = (old_freq + adder) >> 1;
    SetFreq(p, f);
    sum += f;
    if (f > Freq(p - kStateSize)) {
      // Stable insertion: past every predecessor with a smaller frequency.
      uint8_t moving[kStateSize];
      std::memcpy(moving, base_ + p, kStateSize);
      uint32_t q = p;
      do {
        CopyState(q, q - kStateSize);
        q -= kStateSize;
      } while (q != states && f > Freq(q - kStateSize));
      std::memcpy(base_ + q, moving, kStateSize);
    }
  }
  SetFreqSum(c, sum);

  uint32_t count = old_count;
  uint32_t last = states + kStateSize * (old_count - 1);
  if (Freq(last) == 0) {
    // Sorted, so the states that fell to 0 are at the end; the front one
    // keeps at least half of a frequency above 124.
    uint32_t zeros = 0;
    while (last != states && Freq(last) == 0) {
      ++zeros;
      last -= kStateSize;
    }
    escape += static_cast<int>(zeros);
    count -= zeros;
    SetSymbolCount(c, count);
    if (count == 1) {
      uint8_t only[kStateSize];
      std::memcpy(only, base_ + states, kStateSize);
      uint32_t f = only[1];
      do {
        f -= f >> 1;
        escape >>= 1;
      } while (escape > 1);
      only[1] = static_cast<uint8_t>(f);
      heap_->ReleaseUnits(states, static_cast<int>((old_count + 1) / 2));
      std::memcpy(base_ + OnlyState(c), only, kStateSize);
      matched_ = OnlyState(c);
      return;
    }
  }
  SetFreqSum(c, FreqSum(c) + static_cast<uint32_t>(escape - (escape >> 1)));
  uint32_t old_units = (old_count + 1) / 2;
  uint32_t new_units = (count + 1) / 2;
  if (old_units != new_units) {
    SetStates(c,
              heap_->ShrinkBlock(states, static_cast<int>(old_units), static_cast<int>(new_units)));
  }
  matched_ = States(c);
}

bool PpmModel::BuildSuccessors(int mode, uint32_t hint) {
  uint32_t matched = matched_;
  uint32_t upper = Successor(matched);  // the placeholder U
  if (!ValidContext(upper)) {
    Fault();
    return true;
  }
  uint32_t symbol = Symbol(matched);
  uint32_t list[kMaxSuccessorList];
  int length = 0;
  uint32_t c = current_;
  bool collect = true;
  if (mode == 0) {
    list[length++] = matched;
    if (Suffix(c) == 0) collect = false;
  } else if (mode == 2) {
    c = Suffix(c);
  }
  // Walk down the suffixes while the state of the symbol still leads to U;
  // the first one that leads elsewhere gives the suffix of the new contexts.
  while (collect) {
    c = Suffix(c);
    if (!ValidContext(c)) {
      Fault();
      return true;
    }
    uint32_t candidate;
    if (hint != 0) {
      candidate = hint;
      hint = 0;
    } else if (SymbolCount(c) == 1) {
      candidate = OnlyState(c);
    } else {
      candidate = FindState(c, symbol);
      if (candidate == 0) return true;
    }
    uint32_t next = Successor(candidate);
    if (next != upper) {
      c = next;
      if (!ValidContext(c)) {
        Fault();
        return true;
      }
      break;
    }
    if (length == kMaxSuccessorList) {
      Fault();
      return true;
    }
    list[length++] = candidate;
    if (Suffix(c) == 0) break;
  }

  // Frequency of U's state, from the state of the same symbol in C.
  uint32_t upper_state = OnlyState(upper);
  uint32_t f;
  if (SymbolCount(c) == 1) {
    f = Freq(OnlyState(c));
  } else {
    uint32_t s = FindState(c, Symbol(upper_state));
    if (s == 0) return true;
    uint32_t a = Freq(s) - 1u;
    uint32_t b = FreqSum(c) - SymbolCount(c) - a;
    if (b >= 2 * a) {
      f = 1 + (5 * a > b ? 1 : 0);
    } else if (b == 0) {
      // The escape share of a sound context is at least 1.
      Fault();
      return true;
    } else {
      f = 1 + (2 * a + 3 * b - 1) / (2 * b);
    }
  }
  SetFreq(upper_state, f);

  for (int i = length - 1; i >= 0; --i) {
    uint32_t n = heap_->AllocateContextRecord();
    if (n == 0) return false;
    SetSuccessor(list[i], n);
    SetSymbolCount(n, 1);
    SetSuffix(n, c);
    CopyState(OnlyState(n), upper_state);
    c = n;
  }
  if (order_drop_ == 0) {
    SetSymbolCount(upper, 1);
    SetSuffix(upper, c);
  }
  return true;
}

void PpmModel::LearnSymbol() {
  uint32_t matched = matched_;
  uint32_t symbol = Symbol(matched);
  uint32_t f = Freq(matched);
  uint32_t successor = Successor(matched);

  // The symbol gains in the suffix context too; its state there is the hint
  // for BuildSuccessors.
  uint32_t hint = 0;
  uint32_t x = Suffix(current_);
  if (f < 31 && x != 0) {
    if (!ValidContext(x)) return Fault();
    if (SymbolCount(x) == 1) {
      hint = OnlyState(x);
      if (Freq(hint) < 32) SetFreq(hint, Freq(hint) + 1);
    } else {
      uint32_t p = FindState(x, symbol);
      if (p == 0) return;
      if (p != States(x) && Freq(p) >= Freq(p - kStateSize)) {
        SwapStates(p, p - kStateSize);
        p -= kStateSize;
      }
      hint = p;
      if (Freq(p) < 108) {
        SetFreq(p, Freq(p) + 2);
        SetFreqSum(x, FreqSum(x) + 2);
      }
    }
  }

  if (order_drop_ == 0) {
    if (!BuildSuccessors(2, 0)) return Restart();
    current_ = top_ = successor;
    return;
  }

  --order_drop_;
  uint32_t next;  // W: where the text continues
  int mode;
  if (order_drop_ == 0) {
    next = successor;
    mode = 1;
  } else {
    mode = 0;
    next = heap_->AllocateContextRecord();
    if (next == 0) return Restart();
    SetSymbolCount(next, 0);
  }
  if (pending_ != 0 && SymbolCount(pending_) == 0) {
    base_[OnlyState(pending_)] = static_cast<uint8_t>(symbol);
    SetSuccessor(OnlyState(pending_), next);
  }

  // Add the symbol to every context above the current one.
  uint32_t n = SymbolCount(current_);
  uint32_t b = FreqSum(current_) - n - (f - 1);
  int steps = 0;
  for (uint32_t k = top_; k != current_; k = Suffix(k)) {
    if (!ValidContext(k) || ++steps > 256) return Fault();
    uint32_t m = SymbolCount(k);
    uint32_t sum;
    if (m >= 2) {
      if (m >= 256) return Fault();
      if ((m & 1) == 0) {
        uint32_t grown = heap_->GrowUnits(States(k), static_cast<int>(m / 2));
        if (grown == 0) return Restart();
        SetStates(k, grown);
      }
      sum = FreqSum(k);
      sum += 2 * ((4 * m <= n && sum <= 8 * m) ? 1 : 0) + (2 * m < n ? 1 : 0);
    } else if (m == 1) {
      uint32_t p = heap_->AllocateUnits(1);
      if (p == 0) return Restart();
      CopyState(p, OnlyState(k));
      SetStates(k, p);
      uint32_t pf = Freq(p);
      pf = pf < 30 ? 2 * pf : 120;
      SetFreq(p, pf);
      sum = pf + initial_escape_ + (n > 3 ? 1 : 0);
    } else {
      return Fault();
    }
    sum &= 0xFFFF;
    uint32_t cf = 2 * f * (sum + 6);
    uint32_t sf = b + sum;
    uint32_t g;
    if (cf < 6 * sf) {
      g = 1 + (cf > sf ? 1 : 0) + (cf >= 4 * sf ? 1 : 0);
      sum += 3;
    } else {
      g = 4 + (cf >= 9 * sf ? 1 : 0) + (cf >= 12 * sf ? 1 : 0) + (cf >= 15 * sf ? 1 : 0);
      sum += g;
    }
    SetFreqSum(k, sum);
    uint32_t states = States(k);
    if (!Valid(states, kStateSize * (m + 1))) return Fault();
    SetState(states + kStateSize * m, symbol, g, next);
    SetSymbolCount(k, m + 1);
  }

  if (successor != 0) {
    if (!ValidContext(successor)) return Fault();
    if (SymbolCount(successor) == 0 && !BuildSuccessors(mode, hint)) return Restart();
    current_ = Successor(matched);
  } else {
    SetSuccessor(matched, next);
    ++order_drop_;
  }
  top_ = current_;
  pending_ = next;
}

void PpmModel::Restart() {
  ++restarts_;
  Reset();
  mask_epoch_ = 0;
}

}  // namespace vor
