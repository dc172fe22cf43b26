// Name collation of the container's directory.
//
// Names compare without regard to case in an order built from the user's
// locale. The order is held as three 256-byte tables: SortKey gives every
// character code its rank, SortKeyInverse maps a rank back to its code and
// FoldUpper maps a rank to the rank of the character's upper-case form. Two
// names are equal exactly when they have the same length and agree character
// by character after upper-casing.
//
// The process-wide tables are built once, by InitCollation at start-up (or on
// first use, should start-up not have called it), and only read afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vor {

struct TCollation {
  uint32_t Locale = 0;                        // the locale the tables were built for
  std::array<uint8_t, 256> SortKey{};         // code -> rank
  std::array<uint8_t, 256> SortKeyInverse{};  // rank -> code
  std::array<uint8_t, 256> FoldUpper{};       // rank -> rank of the upper-case form
  bool CollationByTable = false;              // false: the platform comparison decides
};

// Builds the tables for locale lcid: the fixed Turkish tables for 1055,
// otherwise from the platform's comparison and upper-casing in that locale.
TCollation BuildCollation(uint32_t lcid);

// Builds the process-wide tables for the user's default locale. Called once
// by the program's start-up code; later calls do nothing.
void InitCollation();

// The process-wide tables (built on first use if InitCollation was not run).
const TCollation& Collation();

// Compares two names under the given tables: negative, 0 or positive.
int CompareNames(const TCollation& collation, const std::string& a, const std::string& b);

// Compares two rank strings character by character after folding each
// unequal pair to its upper-case rank; a string that ends first sorts first.
int CompareFolded(const TCollation& collation, const std::string& a, const std::string& b);

// The fixed tables of the Turkish locale (code page 1254).
const std::array<uint8_t, 256>& TurkishUpperTable();
const std::array<uint8_t, 256>& TurkishRankTable();

}  // namespace vor
