#include "common/text_format.h"

namespace vor {

std::string HexText(uint64_t value, int min_digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(text.size()) < min_digits) text.insert(0, min_digits - text.size(), '0');
  return text;
}

std::string BinaryFractionText(uint64_t numerator, unsigned shift, int decimals) {
  const uint64_t mask = shift == 0 ? 0 : (uint64_t{1} << shift) - 1;
  uint64_t whole = numerator >> shift;
  uint64_t rest = numerator & mask;  // below 2^shift, so rest * 10 fits
  std::string fraction;
  for (int i = 0; i < decimals; ++i) {
    rest *= 10;
    fraction += static_cast<char>('0' + (rest >> shift));
    rest &= mask;
  }
  // Round on what is left: above half up, at half to the even digit.
  if (shift > 0) {
    const uint64_t half = uint64_t{1} << (shift - 1);
    const int last = fraction.empty() ? static_cast<int>(whole & 1) : fraction.back() - '0';
    if (rest > half || (rest == half && last % 2 == 1)) {
      size_t i = fraction.size();
      while (i > 0 && fraction[i - 1] == '9') fraction[--i] = '0';
      if (i > 0) {
        ++fraction[i - 1];
      } else {
        ++whole;
      }
    }
  }
  std::string text = std::to_string(whole);
  if (decimals > 0) text += '.' + fraction;
  return text;
}

}  // namespace vor
