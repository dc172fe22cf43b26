// Rounding a non-negative double to an integer without the C library's
// rounding functions, which the 32-bit Windows runtime keeps in objects of
// their own: the same results, from a truncation and a comparison.
//
// The value is first stored as a double: the 32-bit build computes in the
// x87 unit's wider format, and a value that is a tie as a double may be none
// before that rounding (and the library functions took their argument as a
// double).
#pragma once

#include <cstdint>

namespace vor {

// The nearest integer to value (0 <= value < 2^64), a half away from zero:
// what std::llround gives.
inline uint64_t RoundHalfUp(double value) {
  const volatile double stored = value;
  const double x = stored;
  auto whole = static_cast<uint64_t>(x);
  if (x - static_cast<double>(whole) >= 0.5) ++whole;
  return whole;
}

// The nearest integer to value (0 <= value < 2^63), a half to the even one:
// what std::nearbyint gives in the default rounding mode.
inline double RoundHalfEven(double value) {
  const volatile double stored = value;
  const double x = stored;
  auto whole = static_cast<uint64_t>(x);
  const double rest = x - static_cast<double>(whole);
  if (rest > 0.5 || (rest == 0.5 && whole % 2 == 1)) ++whole;
  return static_cast<double>(whole);
}

}  // namespace vor
