#include "codecs/ppm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/ppm_block.h"
#include "platform/thread.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;

struct Params {
  const char* name;
  int32_t memory_mb;
  int32_t max_order;
  uint32_t header;
};

// Compression types 3, 4 and 6.
const Params kTypes[] = {
    {"type3", 25, 5, 0x6184}, {"type4", 50, 13, 0x631C}, {"type6", 10, 3, 0x6092}};

// --- Fixtures: deterministic, independent of the host's files. ---------------

uint32_t NextRandom(uint32_t* state) {
  *state ^= *state << 13;
  *state ^= *state >> 17;
  *state ^= *state << 5;
  return *state;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
  Bytes out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(NextRandom(&seed) >> 24);
  return out;
}

// English-like text: a skewed choice from a fixed vocabulary and from
// pseudo-words built of syllables, with punctuation and lines.
Bytes Text(size_t n, uint32_t seed) {
  static const char* const kWords[] = {
      "the",     "of",      "and",      "to",   "in",     "a",    "is",   "that", "for", "it",
      "as",      "with",    "be",       "on",   "not",    "this", "by",   "are",  "or",  "from",
      "license", "program", "software", "copy", "source", "code", "work", "terms"};
  static const char* const kSyllables[] = {"ka",  "ro",  "mi",  "ten", "sal", "ve", "dor", "lu",
                                           "pre", "qua", "nis", "ot",  "ber", "fi", "gan", "u"};
  const uint32_t word_count = sizeof(kWords) / sizeof(kWords[0]);
  Bytes out;
  out.reserve(n + 32);
  size_t line = 0;
  while (out.size() < n) {
    uint32_t r = NextRandom(&seed);
    size_t before = out.size();
    if (r % 3 != 0) {
      // Frequent words, skewed towards the start of the list.
      uint32_t w = (r >> 4) % word_count * ((r >> 12) % word_count) / word_count;
      out.insert(out.end(), kWords[w], kWords[w] + std::strlen(kWords[w]));
    } else {
      // One of 4096 pseudo-words: its number picks its syllables.
      uint32_t id = ((r >> 4) & 4095) * ((r >> 16) & 4095) >> 12;
      uint32_t word_seed = id * 2654435761u + 1;
      for (int k = 0, len = 1 + static_cast<int>(id % 4); k < len; ++k) {
        const char* syl = kSyllables[NextRandom(&word_seed) % 16];
        out.insert(out.end(), syl, syl + std::strlen(syl));
      }
    }
    line += out.size() - before + 1;
    if ((r >> 24) % 13 == 0) out.push_back(',');
    if (line > 70) {
      out.push_back('.');
      out.push_back('\n');
      line = 0;
    } else {
      out.push_back(' ');
    }
  }
  out.resize(n);
  return out;
}

// Binary-like data: little-endian records with counters and small fields.
Bytes Records(size_t n, uint32_t seed) {
  Bytes out;
  out.reserve(n + 16);
  for (uint32_t i = 0; out.size() < n; ++i) {
    uint32_t r = NextRandom(&seed);
    const uint8_t rec[12] = {static_cast<uint8_t>(i),
                             static_cast<uint8_t>(i >> 8),
                             static_cast<uint8_t>(i >> 16),
                             0,
                             static_cast<uint8_t>(r & 7),
                             0x40,
                             static_cast<uint8_t>(r >> 28),
                             0,
                             0xFF,
                             0xFF,
                             static_cast<uint8_t>(i * 3),
                             0x00};
    out.insert(out.end(), rec, rec + sizeof(rec));
  }
  out.resize(n);
  return out;
}

Bytes Repeated(size_t n, uint8_t value) { return Bytes(n, value); }

Bytes Periodic(size_t n) {
  const std::string unit = "abcabcabd0123456789";
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(unit[i % unit.size()]);
  return out;
}

size_t EncoderCapacity(size_t in_size) { return in_size + in_size / 20 + 50; }

Bytes Compress(const Bytes& in, const Params& p, PpmCodingStats* stats = nullptr) {
  Bytes out(EncoderCapacity(in.size()));
  int32_t n = PpmCompressBlock(in.data(), static_cast<int32_t>(in.size()), out.data(),
                               static_cast<int32_t>(out.size()), p.memory_mb, p.max_order, stats);
  out.resize(static_cast<size_t>(n));
  return out;
}

// Decodes into a buffer of exactly `expected` bytes; returns what came out.
Bytes Decompress(const Bytes& stream, size_t expected, int32_t* result = nullptr,
                 PpmCodingStats* stats = nullptr) {
  Bytes out(expected);
  int32_t n = PpmDecompressBlock(stream.data(), static_cast<int32_t>(stream.size()), out.data(),
                                 static_cast<int32_t>(out.size()), stats);
  if (result != nullptr) *result = n;
  out.resize(std::max<int32_t>(n, 0));
  return out;
}

std::string Hex(const uint8_t* p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}

uint64_t Fnv1a(const Bytes& data) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t b : data) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

// --- Round trips --------------------------------------------------------------

struct Fixture {
  const char* name;
  Bytes data;
};

std::vector<Fixture> RoundTripFixtures() {
  return {
      {"empty", {}},
      {"one_byte", {0x41}},
      {"zero_byte", {0x00}},
      {"all_zero", Repeated(100000, 0)},
      {"one_byte_run", Repeated(300000, 'x')},
      {"periodic", Periodic(200000)},
      {"text", Text(400000, 1)},
      {"records", Records(300000, 2)},
      {"random", RandomBytes(100000, 3)},
      {"every_byte",
       [] {
         Bytes b(256 * 40);
         for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 256);
         return b;
       }()},
  };
}

class PpmRoundTripTest : public ::testing::TestWithParam<Params> {};

TEST_P(PpmRoundTripTest, FixturesDecodeExactly) {
  const Params& p = GetParam();
  for (const Fixture& f : RoundTripFixtures()) {
    SCOPED_TRACE(f.name);
    Bytes stream = Compress(f.data, p);
    ASSERT_GE(stream.size(), 8u);
    EXPECT_LE(stream.size(), EncoderCapacity(f.data.size()));
    int32_t n = -1;
    Bytes back = Decompress(stream, f.data.size(), &n);
    EXPECT_EQ(n, static_cast<int32_t>(f.data.size()));
    EXPECT_TRUE(back == f.data);
  }
}

TEST_P(PpmRoundTripTest, FullBlockOfMixedData) {
  // A whole 1.5 MiB block: text, records and a random stretch.
  const Params& p = GetParam();
  Bytes data = Text(900000, 11);
  Bytes records = Records(400000, 12);
  Bytes noise = RandomBytes(1572864 - data.size() - records.size(), 13);
  data.insert(data.end(), records.begin(), records.end());
  data.insert(data.end(), noise.begin(), noise.end());
  ASSERT_EQ(data.size(), 1572864u);
  Bytes stream = Compress(data, p);
  ASSERT_GT(stream.size(), 0u);
  EXPECT_LT(stream.size(), data.size() / 2);
  EXPECT_TRUE(Decompress(stream, data.size()) == data);
}

TEST_P(PpmRoundTripTest, CompressesTypicalDataWell) {
  const Params& p = GetParam();
  EXPECT_LT(Compress(Text(200000, 5), p).size(), 200000u / 3);
  EXPECT_LT(Compress(Repeated(1000000, 'a'), p).size(), 500u);
  // Incompressible data grows by little and stays within the capacity.
  EXPECT_LT(Compress(RandomBytes(200000, 6), p).size(), 200000u + 200000u / 25);
}

INSTANTIATE_TEST_SUITE_P(Types, PpmRoundTripTest, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<Params>& info) {
                           return std::string(info.param.name);
                         });

// --- Running out of model memory ---------------------------------------------

TEST(PpmRestartTest, ExhaustedMemoryRestartsTheModelOnBothSides) {
  struct Case {
    const char* name;
    Params params;
    Bytes data;
  };
  const Case cases[] = {
      {"text_1MiB_order8", {"", 1, 8, 0}, Text(600000, 21)},
      {"random_10MiB_order3", {"", 10, 3, 0}, RandomBytes(600000, 22)},
      {"records_1MiB_order16", {"", 1, 16, 0}, Records(300000, 23)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PpmCodingStats enc_stats, dec_stats;
    Bytes stream = Compress(c.data, c.params, &enc_stats);
    ASSERT_GT(stream.size(), 0u);
    EXPECT_GT(enc_stats.restarts, 0);
    int32_t n = 0;
    Bytes back = Decompress(stream, c.data.size(), &n, &dec_stats);
    EXPECT_EQ(n, static_cast<int32_t>(c.data.size()));
    EXPECT_TRUE(back == c.data);
    EXPECT_EQ(dec_stats.restarts, enc_stats.restarts);
  }
}

// --- Stream format ------------------------------------------------------------

class PpmFormatTest : public ::testing::TestWithParam<Params> {};

TEST_P(PpmFormatTest, EmptyInputIsHeaderEscapesAndFlush) {
  const Params& p = GetParam();
  Bytes stream = Compress({}, p);
  ASSERT_GE(stream.size(), 8u);
  const uint8_t header[4] = {static_cast<uint8_t>(p.header), static_cast<uint8_t>(p.header >> 8), 0,
                             0};
  EXPECT_EQ(Hex(stream.data(), 4), Hex(header, 4));
  EXPECT_EQ(p.header, PpmHeader(p.memory_mb, p.max_order));
  // The escape chain from order MaxOrder - 1 down and out of order 0 takes a
  // few bytes at most.
  EXPECT_LE(stream.size(), 4u + 4u + 2u * static_cast<size_t>(p.max_order));
  int32_t n = -1;
  uint8_t sink = 0;
  EXPECT_EQ(PPMDecompress(stream.data(), static_cast<int32_t>(stream.size()), &sink, 0), 0);
  Decompress(stream, 0, &n);
  EXPECT_EQ(n, 0);
}

TEST_P(PpmFormatTest, DecoderAcceptsOnlyTheLetterG) {
  const Params& p = GetParam();
  Bytes data = Text(5000, 31);
  Bytes stream = Compress(data, p);
  ASSERT_TRUE(Decompress(stream, data.size()) == data);
  // Letter F, letter H, and bits 16-31 not zero.
  for (uint32_t header : {p.header - 0x1000, p.header + 0x1000, p.header | 0x10000u}) {
    Bytes bad = stream;
    bad[0] = static_cast<uint8_t>(header);
    bad[1] = static_cast<uint8_t>(header >> 8);
    bad[2] = static_cast<uint8_t>(header >> 16);
    int32_t n = -1;
    Decompress(bad, data.size(), &n);
    EXPECT_EQ(n, 0) << std::hex << header;
  }
}

INSTANTIATE_TEST_SUITE_P(Types, PpmFormatTest, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<Params>& info) {
                           return std::string(info.param.name);
                         });

TEST(PpmFormatTest, RefusesParametersOutsideTheHeaderFields) {
  Bytes data = Text(100, 1);
  Bytes out(EncoderCapacity(data.size()));
  const int32_t size = static_cast<int32_t>(data.size());
  const int32_t cap = static_cast<int32_t>(out.size());
  EXPECT_EQ(PPMCompress(data.data(), size, out.data(), cap, 0, 5), 0);
  EXPECT_EQ(PPMCompress(data.data(), size, out.data(), cap, 257, 5), 0);
  EXPECT_EQ(PPMCompress(data.data(), size, out.data(), cap, 25, 1), 0);
  EXPECT_EQ(PPMCompress(data.data(), size, out.data(), cap, 25, 17), 0);
  EXPECT_EQ(PPMCompress(data.data(), -1, out.data(), cap, 25, 5), 0);
  // Order 2, the lowest accepted, and 256 MiB, the most the header holds.
  Bytes stream = Compress(data, {"", 256, 2, 0});
  ASSERT_GT(stream.size(), 0u);
  EXPECT_EQ(stream[0], 0xF1);
  EXPECT_EQ(stream[1], 0x6F);
  EXPECT_TRUE(Decompress(stream, data.size()) == data);
  // A header announcing order 1 is refused.
  stream[0] = 0xF0;
  int32_t n = -1;
  Decompress(stream, data.size(), &n);
  EXPECT_EQ(n, 0);
}

// Fixed outputs: any change to the coded bytes shows here. The streams were
// produced by this implementation once it was checked against every rule of
// the format; a change here is a format break.
struct GoldenCase {
  Params params;
  Bytes input;
  size_t size;         // whole stream
  const char* prefix;  // its first (up to) 64 bytes
};

TEST(PpmGoldenTest, FixedInputsGiveFixedStreams) {
  auto str = [](const char* s) { return Bytes(s, s + std::strlen(s)); };
  const Params& t3 = kTypes[0];
  const Params& t4 = kTypes[1];
  const Params& t6 = kTypes[2];
  const GoldenCase cases[] = {
      {t3, {}, 9, "84610000ff86078d00"},
      {t4, {}, 9, "1c630000ff86078d00"},
      {t6, {}, 9, "92600000ff86078d00"},
      {t3, str("a"), 10, "84610000b46612560000"},
      {t3, str("abracadabra abracadabra abracadabra"), 19,
       "84610000b41c9afb0e538146d09430e8a19f73"},
      {t4, str("abracadabra abracadabra abracadabra"), 20,
       "1c630000b41c9afb0e538146d09434e569716800"},
      {t6, str("abracadabra abracadabra abracadabra"), 20,
       "92600000b41c9afb0e538146d0943ef62be06100"},
      {t3, Text(20000, 7), 5062,
       "84610000bbc0e9f5be3c6e394e31be563183eee5902f24566b64c10bf67602a2bc233c905cb7f21923cc5a44274"
       "26924eb7e86ebc09bc727bca937fe9285b6e1"},
      {t4, Text(20000, 7), 5139,
       "1c630000bbc0e9f5be3c6e394e31be563183eee5902f24566b64c10bf67602a2bc233c905cb7f21923cc5a44274"
       "26924eb7e86ebc09bc727bca937fe9285b6e1"},
      {t6, Text(20000, 7), 4924,
       "92600000bbc0e9f5be3c6e394e31be563183eee5902f24566b64c10bf67602a2bc233c905cb7f21923cc5a44274"
       "265eb3261aff1724ffe98cbb739883ee517ba"},
      {t3, Records(20000, 8), 4788,
       "846100004d87723574bbb84279b723364b1721050d3a85751c74b619284b9aeb01a230e1b0f2376ad7df82774b9"
       "ea8f84b0cfec341bacf6eb22a70f4d8063939"},
      {t6, Repeated(5000, 0), 11, "92600000000037bbe42200"},
  };
  for (const GoldenCase& g : cases) {
    SCOPED_TRACE(std::string(g.params.name) + " " + std::to_string(g.input.size()));
    Bytes stream = Compress(g.input, g.params);
    EXPECT_EQ(stream.size(), g.size);
    EXPECT_EQ(Hex(stream.data(), std::min<size_t>(stream.size(), 64)), g.prefix);
  }
}

// The same bytes on every host: 32- and 64-bit builds must agree, including
// the points at which the model memory runs out and the model restarts.
TEST(PpmGoldenTest, LargerFixtureHashesTheSameOnEveryHost) {
  Bytes data = Text(300000, 41);
  Bytes records = Records(100000, 42);
  Bytes noise = RandomBytes(50000, 43);
  data.insert(data.end(), records.begin(), records.end());
  data.insert(data.end(), noise.begin(), noise.end());
  struct Case {
    Params params;
    size_t size;
    uint64_t hash;
  };
  const Case cases[] = {
      {kTypes[0], 141795, 0x9a8f26cfc3c96708ull},
      {kTypes[1], 142961, 0xca59474862d9aa9cull},
      {kTypes[2], 143023, 0xbbe655c9bf0fc22aull},
      {{"1MiB_order6", 1, 6, 0}, 142264, 0x78ec7bd5d75ce94aull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params.name);
    PpmCodingStats stats;
    Bytes stream = Compress(data, c.params, &stats);
    EXPECT_EQ(stream.size(), c.size);
    EXPECT_EQ(Fnv1a(stream), c.hash);
    if (c.params.memory_mb == 1) {
      EXPECT_GT(stats.restarts, 0);
    }
  }
}

// --- Output bounds and damaged streams ------------------------------------------

TEST(PpmBoundsTest, EncoderNeverWritesPastItsCapacity) {
  const Params& p = kTypes[0];
  Bytes data = RandomBytes(3000, 51);
  Bytes full = Compress(data, p);
  ASSERT_GT(full.size(), data.size());  // random data grows a little
  const uint8_t kGuard = 0xA5;
  for (size_t cap : {size_t{0}, size_t{3}, size_t{4}, size_t{10}, full.size() / 2, full.size() - 1,
                     full.size()}) {
    Bytes out(cap + 64, kGuard);
    int32_t n = PPMCompress(data.data(), static_cast<int32_t>(data.size()), out.data(),
                            static_cast<int32_t>(cap), p.memory_mb, p.max_order);
    if (cap >= full.size()) {
      EXPECT_EQ(n, static_cast<int32_t>(full.size()));
      EXPECT_TRUE(std::equal(full.begin(), full.end(), out.begin()));
    } else {
      EXPECT_EQ(n, 0) << cap;
    }
    EXPECT_TRUE(std::all_of(out.begin() + static_cast<ptrdiff_t>(cap), out.end(), [](uint8_t b) {
      return b == kGuard;
    })) << cap;
  }
}

TEST(PpmBoundsTest, DecoderNeverWritesPastTheExpectedSize) {
  const Params& p = kTypes[2];
  Bytes data = Text(20000, 52);
  Bytes stream = Compress(data, p);
  const uint8_t kGuard = 0x5A;
  for (size_t cap :
       {size_t{0}, size_t{1}, data.size() / 2, data.size() - 1, data.size(), data.size() + 100}) {
    Bytes out(cap + 64, kGuard);
    int32_t n = PPMDecompress(stream.data(), static_cast<int32_t>(stream.size()), out.data(),
                              static_cast<int32_t>(cap));
    if (cap >= data.size()) {
      EXPECT_EQ(n, static_cast<int32_t>(data.size()));
      EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    } else {
      EXPECT_EQ(n, 0) << cap;
    }
    EXPECT_TRUE(std::all_of(out.begin() + static_cast<ptrdiff_t>(cap), out.end(), [](uint8_t b) {
      return b == kGuard;
    })) << cap;
  }
}

// Truncated, bit-flipped and made-up streams must decode to something within
// the buffer or fail, never crash or hang (run under AddressSanitizer).
TEST(PpmBoundsTest, DamagedStreamsStayInBounds) {
  Bytes data = Text(30000, 61);
  Bytes records = Records(10000, 62);
  data.insert(data.end(), records.begin(), records.end());
  uint32_t seed = 99;
  for (const Params& p : kTypes) {
    SCOPED_TRACE(p.name);
    Bytes stream = Compress(data, p);
    ASSERT_GT(stream.size(), 100u);
    auto check = [&](const Bytes& damaged) {
      Bytes out(data.size() + 16, 0xEE);
      int32_t n = PPMDecompress(damaged.data(), static_cast<int32_t>(damaged.size()), out.data(),
                                static_cast<int32_t>(data.size()));
      EXPECT_GE(n, 0);
      EXPECT_LE(n, static_cast<int32_t>(data.size()));
      EXPECT_TRUE(std::all_of(out.end() - 16, out.end(), [](uint8_t b) { return b == 0xEE; }));
    };
    for (size_t len : {size_t{0}, size_t{3}, size_t{4}, size_t{5}, size_t{8}, stream.size() / 3,
                       stream.size() - 1}) {
      check(Bytes(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(len)));
    }
    for (int i = 0; i < 40; ++i) {
      Bytes damaged = stream;
      size_t pos = 4 + NextRandom(&seed) % (damaged.size() - 4);
      damaged[pos] ^= static_cast<uint8_t>(1u << (NextRandom(&seed) % 8));
      check(damaged);
    }
    for (int i = 0; i < 10; ++i) {
      Bytes made_up = RandomBytes(2000, NextRandom(&seed));
      std::copy(stream.begin(), stream.begin() + 4, made_up.begin());
      check(made_up);
    }
  }
}

// --- Threads --------------------------------------------------------------------

TEST(PpmThreadTest, ConcurrentCodingsGiveTheSameBytesAsOne) {
  std::vector<Bytes> inputs = {Text(200000, 71), Records(150000, 72), Text(100000, 73),
                               RandomBytes(60000, 74)};
  std::vector<Bytes> expected;
  for (size_t i = 0; i < inputs.size(); ++i) expected.push_back(Compress(inputs[i], kTypes[i % 3]));

  std::vector<Bytes> streams(inputs.size());
  std::vector<Bytes> decoded(inputs.size());
  std::vector<platform::Thread> threads;
  for (size_t i = 0; i < inputs.size(); ++i) {
    threads.emplace_back([&, i] {
      streams[i] = Compress(inputs[i], kTypes[i % 3]);
      decoded[i] = Decompress(expected[i], inputs[i].size());
    });
  }
  for (platform::Thread& t : threads) t.Join();
  for (size_t i = 0; i < inputs.size(); ++i) {
    EXPECT_TRUE(streams[i] == expected[i]) << i;
    EXPECT_TRUE(decoded[i] == inputs[i]) << i;
  }
}

}  // namespace
}  // namespace vor
