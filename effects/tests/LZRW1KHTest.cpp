// The LZRW1-KH block coder: exact block images, round trips at the sizes
// where its limits lie, and refusal of every kind of damaged block.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "effects/LZRW1KH.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes& in) {
  Bytes out(Lzrw1KhBufferSize(in.size()));
  out.resize(Lzrw1KhCompress(in, out));
  return out;
}

Bytes Decompress(const Bytes& block, std::size_t capacity) {
  Bytes out(capacity);
  out.resize(Lzrw1KhDecompress(block, out));
  return out;
}

Bytes Random(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = std::uint8_t(rng());
  return b;
}

Bytes Text(std::size_t n) {
  const std::string words = "the quick brown fox jumps over the lazy dog; pack my box with five dozen jugs. ";
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(words[(i * 7 + i / 13) % words.size()]);
  return b;
}

}  // namespace

TEST(Lzrw1Kh, ExactBlockImages) {
  EXPECT_EQ(Compress({}), Bytes{0x80});
  EXPECT_EQ(Compress({'a', 'b', 'c'}), (Bytes{0x80, 'a', 'b', 'c'}));
  EXPECT_EQ(Compress(Bytes(100, 0x41)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 0x41}));
  // 5000 equal bytes: a run of 4095 and one of 905.
  EXPECT_EQ(Compress(Bytes(5000, 7)), (Bytes{0x40, 0xC0, 0x00, 0x00, 0x0F, 0xEF, 7, 0x00, 0x03, 0x79, 7}));
  // A copy item of distance 1 and length 18 repeats the previous byte.
  EXPECT_EQ(Decompress({0x40, 0x40, 0x00, 'x', 0x00, 0x1F}, 100), Bytes(19, 'x'));
  // A copy may overlap its own output: distance 2 repeats a pair.
  EXPECT_EQ(Decompress({0x40, 0x20, 0x00, 'a', 'b', 0x00, 0x22}, 100),
            (Bytes{'a', 'b', 'a', 'b', 'a', 'b', 'a'}));
  EXPECT_EQ(Decompress({0x80}, 0), Bytes{});
  // The format admits runs up to 4111 bytes.
  EXPECT_EQ(Decompress({0x40, 0x80, 0x00, 0x00, 0x0F, 0xFF, 9}, 4111), Bytes(4111, 9));
}

TEST(Lzrw1Kh, RoundTripsAndNeverGrowsPastTheStoredForm) {
  struct Case {
    const char* name;
    Bytes data;
  };
  Bytes pattern(65535);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = std::uint8_t(i % 251 < 200 ? 'A' + i % 7 : i);
  Bytes runsAndNoise = Random(20000, 3);
  for (std::size_t i = 0; i < runsAndNoise.size(); i += 997)
    std::fill_n(runsAndNoise.begin() + i, std::min<std::size_t>(15 + i % 40, runsAndNoise.size() - i), 0);
  const Case cases[] = {
      {"empty", {}},
      {"one byte", {0x5A}},
      {"two bytes", {0, 0}},
      {"four equal", Bytes(4, 1)},
      {"fifteen equal", Bytes(15, 1)},
      {"sixteen equal", Bytes(16, 1)},
      {"random 1000", Random(1000, 1)},
      {"random 32781", Random(32781, 2)},
      {"random 65535", Random(65535, 4)},
      {"zeros 65535", Bytes(65535, 0)},
      {"zeros 4095", Bytes(4095, 0)},
      {"zeros 4096", Bytes(4096, 0)},
      {"zeros 4111", Bytes(4111, 0)},
      {"zeros 4112", Bytes(4112, 0)},
      {"text 32768", Text(32768)},
      {"text 32769", Text(32769)},
      {"text 65535", Text(65535)},
      {"pattern 65535", pattern},
      {"runs and noise", runsAndNoise},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes block = Compress(c.data);
    EXPECT_LE(block.size(), c.data.size() + 1);
    if (block.size() == c.data.size() + 1) {
      EXPECT_EQ(block[0], 0x80);
    }
    EXPECT_EQ(Decompress(block, c.data.size()), c.data);
    if (!c.data.empty()) {
      EXPECT_THROW(Decompress(block, c.data.size() - 1), ELzrw1KHError);
    }
  }
  EXPECT_EQ(Compress(Random(1000, 1)).size(), 1001u);
  EXPECT_LT(Compress(Text(32768)).size(), 32768u / 2);
}

TEST(Lzrw1Kh, RefusesDamagedBlocks) {
  struct Case {
    const char* name;
    Bytes block;
    std::size_t capacity;
  };
  const Case cases[] = {
      {"empty block", {}, 10},
      {"flag only", {0x40}, 10},
      {"half a control word", {0x40, 0x00}, 10},
      {"copy before the start", {0x40, 0x80, 0x00, 0x00, 0x13}, 100},
      {"copy further back than written", {0x40, 0x40, 0x00, 'a', 0x00, 0x20}, 100},
      {"truncated copy", {0x40, 0x40, 0x00, 'a', 0x00}, 100},
      {"truncated run", {0x40, 0x80, 0x00, 0x00, 0x00, 0x10}, 100},
      {"run past the output", {0x40, 0x80, 0x00, 0x00, 0x00, 0x10, 1}, 31},
      {"copy past the output", {0x40, 0x40, 0x00, 'a', 0x00, 0x1F}, 18},
      {"literal past the output", {0x40, 0x00, 0x00, 'a', 'b', 'c'}, 2},
      {"stored past the output", {0x80, 1, 2, 3}, 2},
      {"control word without items",
       {0x40, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0x00, 0x00},
       100},
      {"truncated second control word",
       {0x40, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0x00},
       100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Decompress(c.block, c.capacity);
      ADD_FAILURE() << "accepted";
    } catch (const ELzrw1KHError& e) {
      EXPECT_NE(std::string(e.what()).find("LZRW1KH: corrupt block"), std::string::npos);
    }
  }
}

TEST(Lzrw1Kh, DamagedRealBlocksStayInsideTheirBuffers) {
  // Every bit flip and every truncation of a real block either decodes
  // within the output or is refused; the sanitizer builds check the rest.
  const Bytes original = Text(3000);
  const Bytes block = Compress(original);
  ASSERT_EQ(block[0], 0x40);
  std::mt19937 rng(11);
  for (int round = 0; round < 4000; ++round) {
    Bytes damaged = block;
    if (round % 4 == 0)
      damaged.resize(rng() % block.size());
    else
      for (int k = 0; k <= round % 3; ++k) damaged[rng() % damaged.size()] ^= std::uint8_t(1u << (rng() % 8));
    Bytes out(original.size());
    try {
      EXPECT_LE(Lzrw1KhDecompress(damaged, out), out.size());
    } catch (const ELzrw1KHError&) {
    }
  }
}

TEST(Lzrw1Kh, RefusesSizesOutsideTheFormat) {
  Bytes big(65536), out(Lzrw1KhBufferSize(65536));
  EXPECT_THROW(Lzrw1KhCompress(big, out), std::invalid_argument);
  Bytes small(10), tooShort(15);
  EXPECT_THROW(Lzrw1KhCompress(small, tooShort), std::invalid_argument);
}
