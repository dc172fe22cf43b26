// Number texts without the C library's formatted output.
//
// The C runtime's printf family brings its whole floating-point conversion
// into every program that calls it, for the one or two numbers a program
// shows. These build the same texts from integers.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

// value in upper-case hexadecimal, padded with zeros to at least min_digits
// digits: as printf's "%0*llX" writes it.
std::string HexText(uint64_t value, int min_digits);

// numerator / 2^shift (shift at most 56) in decimal with decimals digits
// after the point, rounded to the nearest and a tie to the even last digit:
// as printf's "%.*f" writes the double of that value, which the C libraries
// round from its exact binary value.
std::string BinaryFractionText(uint64_t numerator, unsigned shift, int decimals);

}  // namespace vor
