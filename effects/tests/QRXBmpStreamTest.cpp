// Compressed streams and the record formats of the visual-effects library.

#include <gtest/gtest.h>

#include <random>

#include "effects/LZRW1KH.h"
#include "effects/QRXBmpStream.h"
#include "platform/core/StringList.h"
#include "platform/gui/Bitmap.h"

namespace {

std::vector<std::uint8_t> Bytes(TMemoryStream& s) { return {s.Memory(), s.Memory() + s.Size()}; }

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

TMemoryStream& Fill(TMemoryStream& s, const std::vector<std::uint8_t>& bytes) {
  s.Clear();
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  return s;
}

std::vector<std::uint8_t> Noise(std::size_t n) {
  std::mt19937 rng(5);
  std::vector<std::uint8_t> b(n);
  for (auto& c : b) c = std::uint8_t(rng());
  return b;
}

// A picture with different colours in every corner, so rows and columns
// cannot come back swapped or flipped unnoticed.
TBitmap Picture(TPixelFormat format, int w = 13, int h = 7) {
  TDib dib;
  dib.Allocate(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib.SetColor(x, y, RGB(x * 37, y * 53, (x ^ y) * 29));
  TBitmap b;
  b.SetDib(dib);
  b.SetPixelFormat(format);
  return b;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      ASSERT_EQ(a.Dib().GetColor(x, y), b.Dib().GetColor(x, y)) << x << "," << y;
}

}  // namespace

TEST(CompressedStream, BlocksAtTheSliceBoundary) {
  TMemoryStream src, dst;
  // Exactly one slice: one block.
  const auto one = Noise(kCompressedSlice);
  Fill(src, one);
  WriteCompressedStream(src, dst, src.Size());
  auto b = Bytes(dst);
  EXPECT_EQ(U32At(b, 0), b.size() - 4);
  EXPECT_EQ(U32At(b, 4), kCompressedSlice + 1);
  EXPECT_EQ(b.size(), 4 + 4 + kCompressedSlice + 1);

  // One byte more: a second block, the one byte stored.
  auto two = one;
  two.push_back(0xAB);
  dst.Clear();
  Fill(src, two);
  WriteCompressedStream(src, dst, src.Size());
  b = Bytes(dst);
  ASSERT_EQ(b.size(), 4 + 4 + kCompressedSlice + 1 + 4 + 2);
  EXPECT_EQ(U32At(b, b.size() - 6), 2u);
  EXPECT_EQ(b[b.size() - 2], 0x80);
  EXPECT_EQ(b.back(), 0xAB);
  dst.SetPosition(0);
  TMemoryStream back;
  ReadCompressedStream(dst, back);
  EXPECT_EQ(Bytes(back), two);

  // Nothing at all: Total 0 and no blocks.
  dst.Clear();
  Fill(src, {});
  WriteCompressedStream(src, dst, src.Size());
  EXPECT_EQ(Bytes(dst), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(CompressedStream, RoundTripsInsideOtherData) {
  std::vector<std::uint8_t> content(100000);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = std::uint8_t(i % 300 < 150 ? 'x' : i / 7);
  TMemoryStream src, dst;
  WriteStreamInteger(dst, 1234);
  Fill(src, content);
  WriteCompressedStream(src, dst, src.Size());
  WriteStreamByte(dst, 0x5C);
  EXPECT_LT(dst.Size(), std::int64_t(content.size()));
  dst.SetPosition(0);
  EXPECT_EQ(ReadStreamInteger(dst), 1234);
  TMemoryStream back;
  ReadCompressedStream(dst, back);
  EXPECT_EQ(Bytes(back), content);
  EXPECT_EQ(ReadStreamByte(dst), 0x5C);  // the reader stops at the record's end
}

TEST(CompressedStream, RefusesDamagedRecords) {
  using V = std::vector<std::uint8_t>;
  struct Case {
    const char* name;
    V record;
  };
  const Case cases[] = {
      {"total past the end", {100, 0, 0, 0, 2, 0, 0, 0, 0x80, 1}},
      {"total not a whole block", {7, 0, 0, 0, 2, 0, 0, 0, 0x80, 1, 9}},
      {"block length past the total", {6, 0, 0, 0, 3, 0, 0, 0, 0x80, 1}},
      {"block length zero", {4, 0, 0, 0, 0, 0, 0, 0}},
      {"block longer than any block", {12, 0, 0, 0, 1, 0, 1, 0, 0x80, 1, 2, 3}},
      {"short total", {3, 0, 0, 0, 1, 0, 0}},
      {"bad block", {9, 0, 0, 0, 5, 0, 0, 0, 0x40, 0x80, 0x00, 0x00, 0x13}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream in, out;
    EXPECT_THROW(ReadCompressedStream(Fill(in, c.record), out), EReadError);
  }
  // A bomb: small record, large content, refused at the caller's limit.
  TMemoryStream src, dst, out;
  const std::vector<std::uint8_t> zeros(200000, 0);
  Fill(src, zeros);
  WriteCompressedStream(src, dst, src.Size());
  dst.SetPosition(0);
  EXPECT_THROW(ReadCompressedStream(dst, out, 100000), EReadError);
  EXPECT_LE(out.Size(), 100000);
}

TEST(StreamRecords, ScalarsAndShortStrings) {
  TMemoryStream s;
  WriteStreamInteger(s, -2);
  WriteStreamByte(s, 1);
  WriteStreamShortString(s, "");
  WriteStreamShortString(s, "Hello");
  WriteStreamShortString(s, std::string(300, 'z'));
  // 254 ASCII bytes and a two-byte character: cut before the character.
  WriteStreamShortString(s, std::string(254, 'a') + "\xC3\xA9");
  const auto b = Bytes(s);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[3], 0xFF);
  s.SetPosition(0);
  EXPECT_EQ(ReadStreamInteger(s), -2);
  EXPECT_EQ(ReadStreamByte(s), 1);
  EXPECT_EQ(ReadStreamShortString(s), "");
  EXPECT_EQ(ReadStreamShortString(s), "Hello");
  EXPECT_EQ(ReadStreamShortString(s), std::string(255, 'z'));
  EXPECT_EQ(ReadStreamShortString(s), std::string(254, 'a'));
  EXPECT_THROW(ReadStreamByte(s), EReadError);
}

TEST(StreamRecords, StringLists) {
  TStringList lines;
  lines.SetText("first\r\nsecond line\r\n\r\nfourth with \xC3\xA9\r\n");
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed);
    TMemoryStream s;
    WriteStringsToStream(s, lines, compressed);
    if (!compressed) {
      EXPECT_EQ(U32At(Bytes(s), 0), lines.Text().size());
    }
    s.SetPosition(0);
    TStringList back;
    back.Add("old");
    ReadStringsFromStream(s, back, compressed);
    EXPECT_EQ(back.Text(), lines.Text());
    EXPECT_EQ(s.Position(), s.Size());
  }
  TMemoryStream lying;
  Fill(lying, {200, 0, 0, 0, 'a', 'b'});
  TStringList back;
  EXPECT_THROW(ReadStringsFromStream(lying, back, false), EReadError);
}

TEST(StreamRecords, BitmapsOfEveryDepth) {
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    for (bool compressed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "format " << format << " compressed " << compressed);
      const TBitmap original = Picture(format);
      TMemoryStream s;
      WriteBitmapToStream(s, original, compressed, -1);
      WriteStreamByte(s, 0x77);
      s.SetPosition(0);
      TBitmap back;
      ReadBitmapFromStream(s, back, compressed);
      ExpectSamePixels(original, back);
      if (format != pf15bit && format != pf16bit) {
        EXPECT_EQ(back.PixelFormat(), format);
      }
      EXPECT_EQ(ReadStreamByte(s), 0x77);
    }
  }
}

TEST(StreamRecords, CapturedDepths) {
  struct Case {
    TPixelFormat source;
    TQRXSavePixelFormat save;
    bool compressed;
    TPixelFormat expected;
  };
  const Case cases[] = {
      {pf24bit, TQRXSavePixelFormat::spfMono, false, pf1bit},
      {pf24bit, TQRXSavePixelFormat::spfMono, true, pf1bit},
      {pf24bit, TQRXSavePixelFormat::spf4bit, true, pf4bit},
      {pf32bit, TQRXSavePixelFormat::spf8bit, false, pf8bit},
      // A compressed record captures a monochrome bitmap at 1 bit whatever
      // it was asked; an uncompressed one takes the depth given.
      {pf1bit, TQRXSavePixelFormat::spf8bit, true, pf1bit},
      {pf1bit, TQRXSavePixelFormat::spf8bit, false, pf8bit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source << " -> " << int(c.save) << " " << c.compressed);
    TMemoryStream s;
    WriteBitmapToStream(s, Picture(c.source), c.compressed, ColourCode(c.save));
    s.SetPosition(0);
    TBitmap back;
    ReadBitmapFromStream(s, back, c.compressed);
    EXPECT_EQ(back.PixelFormat(), c.expected);
    EXPECT_EQ(back.Width(), 13);
  }
  // Colour code 0: the bitmap's own depth, 32 bits becoming 24.
  const auto image = MakeBMPImage(Picture(pf32bit), 0);
  EXPECT_EQ(image[28], 24);
  const auto mono = MakeBMPImage(Picture(pf24bit), 2);
  EXPECT_EQ(U32At(mono, 10), 14u + 40 + 8);  // two colour-table entries
  EXPECT_EQ(U32At(MakeBMPImage(Picture(pf24bit), 256), 10), 14u + 40 + 1024);
  EXPECT_THROW(MakeBMPImage(TBitmap(), 2), Exception);
}

TEST(StreamRecords, DamagedBitmapRecordsLeaveTheBitmapAlone) {
  TBitmap target = Picture(pf24bit, 3, 3);
  TMemoryStream s;
  Fill(s, {10, 0, 0, 0, 'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_THROW(ReadBitmapFromStream(s, target, false), EInvalidGraphic);
  Fill(s, {0xFF, 0xFF, 0xFF, 0x7F, 'B', 'M'});
  EXPECT_THROW(ReadBitmapFromStream(s, target, false), EReadError);
  EXPECT_EQ(target.Width(), 3);
}
