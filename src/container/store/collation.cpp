// Name collation: table construction and comparison.
#include "container/store/collation.h"

#include <initializer_list>
#include <vector>

#include "platform/locale.h"

namespace vor {
namespace {

// The Turkish order of code page 1254: NUL, space, the control characters,
// punctuation and digits, then the letters of the Turkish alphabet (each
// lower-case letter and its accented forms just before the capitals), then
// the remaining symbols in code order, and last the signs and unassigned
// codes that belong to no letter.
std::array<uint8_t, 256> MakeTurkishRankTable() {
  std::vector<uint8_t> order;
  order.push_back(0x00);
  order.push_back(0x20);
  for (int c = 0x01; c <= 0x1F; ++c) order.push_back(static_cast<uint8_t>(c));
  for (int c = 0x21; c <= 0x40; ++c) order.push_back(static_cast<uint8_t>(c));
  const std::initializer_list<uint8_t> letters[] = {
      {0x61, 0xE5, 0xE0, 0xE2, 0xE1, 0xE3, 0xE6, 0x41, 0xC5, 0xC0, 0xC2, 0xC1, 0xC3, 0xC6},  // a
      {0xE4, 0xC4},                                                  // a with diaeresis
      {0x62, 0x42},                                                  // b
      {0x63, 0x43},                                                  // c
      {0xE7, 0xC7},                                                  // c with cedilla
      {0x64, 0x44},                                                  // d
      {0x65, 0xE9, 0xE8, 0xEA, 0xEB, 0x45, 0xC9, 0xC8, 0xCA, 0xCB},  // e
      {0x66, 0x46},                                                  // f
      {0x67, 0x47},                                                  // g
      {0xF0, 0xD0},                                                  // g with breve
      {0x68, 0x48},                                                  // h
      {0xFD, 0xEF, 0xEE, 0xED, 0xEC, 0x49, 0xCD, 0xCE, 0xCF, 0xCC},  // dotless i
      {0x69, 0xDD},                                                  // i with dot
      {0x6A, 0x4A},                                                  // j
      {0x6B, 0x4B},                                                  // k
      {0x6C, 0x4C},                                                  // l
      {0x6D, 0x4D},                                                  // m
      {0x6E, 0xF1, 0x4E, 0xD1},                                      // n
      {0x6F, 0xF3, 0xF2, 0xF4, 0xF5, 0x4F, 0xD3, 0xD2, 0xD4, 0xD5},  // o
      {0xF6, 0xD6},                                                  // o with diaeresis
      {0x70, 0x50},                                                  // p
      {0x71, 0x51},                                                  // q
      {0x72, 0x52},                                                  // r
      {0x73, 0x53, 0xDF},                                            // s, sharp s
      {0xFE, 0xDE},                                                  // s with cedilla
      {0x74, 0x54},                                                  // t
      {0x75, 0xFA, 0xF9, 0xFB, 0x55, 0xDA, 0xD9, 0xDB},              // u
      {0xFC, 0xDC},                                                  // u with diaeresis
      {0x76, 0x56},                                                  // v
      {0x77, 0x57},                                                  // w
      {0x78, 0x58},                                                  // x
      {0x79, 0xFF, 0x59},                                            // y
      {0x7A, 0x5A},                                                  // z
  };
  for (const auto& group : letters) order.insert(order.end(), group.begin(), group.end());
  const std::initializer_list<uint8_t> last = {0xD7, 0xD8, 0xF7, 0xF8, 0x80, 0x81,
                                               0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E};
  std::array<bool, 256> placed{};
  for (uint8_t c : order) placed[c] = true;
  for (uint8_t c : last) placed[c] = true;
  for (int c = 0x5B; c <= 0xFF; ++c) {
    if (!placed[c]) order.push_back(static_cast<uint8_t>(c));
  }
  order.insert(order.end(), last.begin(), last.end());

  std::array<uint8_t, 256> rank{};
  for (size_t i = 0; i < order.size() && i < rank.size(); ++i) {
    rank[order[i]] = static_cast<uint8_t>(i);
  }
  return rank;
}

std::array<uint8_t, 256> MakeTurkishUpperTable() {
  std::array<uint8_t, 256> upper{};
  for (int c = 0; c < 256; ++c) upper[c] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) upper[c] = static_cast<uint8_t>(c - 0x20);
  upper['i'] = 0xDD;  // capital I with dot
  for (int c = 0xE0; c <= 0xF6; ++c) upper[c] = static_cast<uint8_t>(c - 0x20);
  for (int c = 0xF9; c <= 0xFC; ++c) upper[c] = static_cast<uint8_t>(c - 0x20);
  upper[0xFE] = 0xDE;
  upper[0xFD] = 'I';  // dotless i
  return upper;
}

// The walk of CompareFolded over two strings whose characters become ranks
// through rank_of (the identity for rank strings, SortKey for names).
template <typename RankOf>
int FoldedCompare(const TCollation& collation, const std::string& a, const std::string& b,
                  RankOf rank_of) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t ra = rank_of(static_cast<uint8_t>(a[i]));
    const uint8_t rb = rank_of(static_cast<uint8_t>(b[i]));
    if (ra == rb) continue;
    const int fa = collation.FoldUpper[ra];
    const int fb = collation.FoldUpper[rb];
    if (fa != fb) return fa - fb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

const std::array<uint8_t, 256>& TurkishUpperTable() {
  static const std::array<uint8_t, 256> table = MakeTurkishUpperTable();
  return table;
}

const std::array<uint8_t, 256>& TurkishRankTable() {
  static const std::array<uint8_t, 256> table = MakeTurkishRankTable();
  return table;
}

TCollation BuildCollation(uint32_t lcid) {
  TCollation col;
  col.Locale = lcid;
  const bool turkish = lcid == platform::kLocaleTurkish;
  if (turkish) {
    col.SortKey = TurkishRankTable();
  } else {
    // A character's rank is the number of characters that sort before it;
    // characters the locale sorts alike are ranked by code, so that no two
    // characters share a rank and names stay distinct unless they agree
    // character by character after upper-casing.
    for (int c = 0; c < 256; ++c) {
      int rank = 0;
      for (int d = 0; d < 256; ++d) {
        if (d == c) continue;
        const int cmp =
            platform::CompareCharInLocale(lcid, static_cast<char>(d), static_cast<char>(c));
        if (cmp < 0 || (cmp == 0 && d < c)) ++rank;
      }
      col.SortKey[c] = static_cast<uint8_t>(rank > 255 ? 255 : rank);
    }
  }
  std::array<bool, 256> seen{};
  for (int c = 0; c < 256; ++c) {
    col.SortKeyInverse[col.SortKey[c]] = static_cast<uint8_t>(c);
    seen[col.SortKey[c]] = true;
  }
  col.CollationByTable = true;
  for (bool s : seen) col.CollationByTable = col.CollationByTable && s;
  if (col.CollationByTable) {
    for (int c = 0; c < 256; ++c) {
      const uint8_t upper =
          turkish ? TurkishUpperTable()[c]
                  : static_cast<uint8_t>(platform::CharUpperInLocale(lcid, static_cast<char>(c)));
      col.FoldUpper[col.SortKey[c]] = col.SortKey[upper];
    }
  }
  return col;
}

const TCollation& Collation() {
  static const TCollation collation = BuildCollation(platform::GetUserDefaultLCID());
  return collation;
}

void InitCollation() { (void)Collation(); }

int CompareFolded(const TCollation& collation, const std::string& a, const std::string& b) {
  return FoldedCompare(collation, a, b, [](uint8_t r) { return r; });
}

int CompareNames(const TCollation& collation, const std::string& a, const std::string& b) {
  if (!collation.CollationByTable) {
    return platform::CompareStringIgnoreCase(collation.Locale, a, b);
  }
  return FoldedCompare(collation, a, b, [&collation](uint8_t c) { return collation.SortKey[c]; });
}

}  // namespace vor
