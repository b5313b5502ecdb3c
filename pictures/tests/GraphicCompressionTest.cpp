// The decoders: each packet kind, cut packets at both buffer ends, the
// Targa encoder, CCITT rows and deflate.

#include "pictures/GraphicCompression.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// `room` is the unpacked size in bytes; Targa counts `unpacked` in pixels.
Bytes Decode(TDecoder& d, const Bytes& packed, int unpacked, int* used = nullptr, int room = -1) {
  if (room < 0) room = unpacked;
  Bytes out(size_t(room) + 8, 0xEE);  // guard bytes past the room
  const uint8_t* src = packed.data();
  uint8_t* dst = out.data();
  d.Decode(src, dst, int(packed.size()), unpacked);
  unpacked = room;
  if (used) *used = int(src - packed.data());
  for (size_t i = size_t(unpacked); i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "wrote past the room";
  out.resize(size_t(unpacked));
  return out;
}

}  // namespace

TEST(GraphicCompression, RunLengthSchemes) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<TDecoder>()> make;
    Bytes packed;
    int unpacked;
    Bytes want;
  } cases[] = {
      {"packbits",
       [] { return std::make_unique<TPackbitsRLEDecoder>(); },
       {0x80, 2, 1, 2, 3, 0xFE, 9},
       6,
       {1, 2, 3, 9, 9, 9}},
      {"packbits run cut",
       [] { return std::make_unique<TPackbitsRLEDecoder>(); },
       {0x81, 7},
       4,
       {7, 7, 7, 7}},
      {"packbits literal past data",
       [] { return std::make_unique<TPackbitsRLEDecoder>(); },
       {5, 1, 2},
       4,
       {1, 2, 0xEE, 0xEE}},
      {"pcx",
       [] { return std::make_unique<TPCXRLEDecoder>(); },
       {0xC0, 5, 0xC3, 7, 0x12},
       4,
       {7, 7, 7, 0x12}},
      {"pcx run cut", [] { return std::make_unique<TPCXRLEDecoder>(); }, {0xFF, 4}, 3, {4, 4, 4}},
      {"sgi",
       [] { return std::make_unique<TSGIRLEDecoder>(1); },
       {0x03, 5, 0x82, 1, 2, 0x00, 9},
       6,
       {5, 5, 5, 1, 2, 0xEE}},
      {"sgi 16",
       [] { return std::make_unique<TSGIRLEDecoder>(2); },
       {0, 2, 0x12, 0x34, 0, 0},
       4,
       {0x12, 0x34, 0x12, 0x34}},
      {"psp", [] { return std::make_unique<TPSPRLEDecoder>(); }, {2, 1, 2, 131, 6}, 5, {1, 2, 6, 6, 6}},
      {"rla", [] { return std::make_unique<TRLADecoder>(); }, {2, 8, 0xFE, 1, 2}, 5, {8, 8, 8, 1, 2}},
  };
  for (auto& c : cases) {
    auto d = c.make();
    EXPECT_EQ(Decode(*d, c.packed, c.unpacked), c.want) << c.name;
  }
}

TEST(GraphicCompression, CutDecoderSkipsTheLengthAndStopsAtTheEndByte) {
  TCUTRLEDecoder d;
  const Bytes packed = {9, 0, 0x83, 4, 2, 1, 2, 0, 0xAA};
  int used = 0;
  EXPECT_EQ(Decode(d, packed, 5, &used), (Bytes{4, 4, 4, 1, 2}));
  EXPECT_EQ(used, 8);  // past the end byte, ready for the next row
}

TEST(GraphicCompression, TargaPacketsAndEncoder) {
  TTargaRLEDecoder d(24);
  const Bytes packed = {0x81, 1, 2, 3, 0x00, 4, 5, 6};
  int used = 0;
  EXPECT_EQ(Decode(d, packed, 3, &used, 9), (Bytes{1, 2, 3, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(used, 8);

  TTargaRLEDecoder e(8);
  const Bytes row = {'A', 'A', 'A', 'B', 'C'};
  Bytes out(row.size() * 2);
  uint32_t stored = 0;
  e.Encode(row.data(), out.data(), uint32_t(row.size()), stored);
  out.resize(stored);
  EXPECT_EQ(out, (Bytes{130, 'A', 1, 'B', 'C'}));

  // Long rows: packets of at most 128 pixels, and decoding gives the row.
  Bytes longRow(300);
  for (size_t i = 0; i < longRow.size(); ++i) longRow[i] = i < 200 ? 5 : uint8_t(i);
  Bytes packedRow(longRow.size() * 2 + 4);
  e.Encode(longRow.data(), packedRow.data(), uint32_t(longRow.size()), stored);
  packedRow.resize(stored);
  EXPECT_EQ(Decode(e, packedRow, 300, nullptr, 300), longRow);
}

TEST(GraphicCompression, CcittRows) {
  // Width 8: white 3 (1000), black 2 (11), white 3 (1000); padded.
  const Bytes mh = {0b10001110, 0b00000000, 0b10001110, 0b00000000};
  TCCITTMHDecoder d(false, 8);
  EXPECT_EQ(Decode(d, mh, 2), (Bytes{0x18, 0x18}));
  // Reversed bit order (fill order 2).
  Bytes reversed;
  for (uint8_t b : mh) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r |= uint8_t(((b >> i) & 1) << (7 - i));
    reversed.push_back(r);
  }
  TCCITTMHDecoder swapped(true, 8);
  EXPECT_EQ(Decode(swapped, reversed, 2), (Bytes{0x18, 0x18}));

  // T.4 with end-of-line codes, rows not byte aligned: EOL, row, EOL, row.
  // EOL 000000000001, white 3 1000, black 2 11, white 3 1000.
  std::string bits =
      "000000000001"
      "1000"
      "11"
      "1000"
      "000000000001"
      "0111"
      "010"
      "1000";
  while (bits.size() % 8) bits += '0';
  Bytes fax;
  for (size_t i = 0; i < bits.size(); i += 8)
    fax.push_back(uint8_t(std::stoi(bits.substr(i, 8), nullptr, 2)));
  TCCITTFax3Decoder f(false, 8);
  // Second row: white 2 (0111), black 1 (010), white 5 would overrun: the
  // code 1000 is 3, so 2 + 1 + 3 = 6 pixels and the row stays open.
  EXPECT_EQ(Decode(f, fax, 2), (Bytes{0x18, 0x20}));

  // Garbage never writes outside the room.
  Bytes noise(64);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 37 + 11);
  TCCITTFax3Decoder g(false, 13);
  Decode(g, noise, 6);
}

TEST(GraphicCompression, DeflateKeepsBothPointers) {
  Bytes plain(1000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i % 13);
  uLongf size = compressBound(uLong(plain.size()));
  Bytes packed(size);
  ASSERT_EQ(compress(packed.data(), &size, plain.data(), uLong(plain.size())), Z_OK);
  packed.resize(size);
  TLZ77Decoder d(Z_PARTIAL_FLUSH);
  d.DecodeInit();
  Bytes out(400);
  const uint8_t* src = packed.data();
  uint8_t* dst = out.data();
  d.Decode(src, dst, int(packed.size()), 400);
  EXPECT_EQ(dst, out.data() + 400);
  EXPECT_EQ(d.AvailableOutput(), 0u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
  Bytes rest(600);
  dst = rest.data();
  d.Decode(src, dst, int(d.AvailableInput()), 600);
  EXPECT_EQ(d.ZLibResult(), Z_STREAM_END);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), plain.begin() + 400));
  d.DecodeEnd();
}
