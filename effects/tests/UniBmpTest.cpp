// The universal bitmap: the BLZ and BMP-wrapped BLZ forms, detection of the
// form from the data, registration with the picture class, and refusal of
// damaged files.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "effects/LZRW1KH.h"
#include "effects/UniBmp.h"
#include "platform/gui/Icon.h"
#include "platform/gui/Picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TBitmap Picture(TPixelFormat format, int w, int h) {
  TDib dib;
  dib.Allocate(w, h, pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib.SetColor(x, y, RGB(x * 7 + y, y * 3, (x * y) & 0xFF));
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

Bytes Bytes_(TMemoryStream& s) { return {s.Memory(), s.Memory() + s.Size()}; }

QByteArray Q(const Bytes& b) {
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

std::uint32_t U32At(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

// The offsets of the blocks of a plain BLZ image: {offset of the length, length}.
std::vector<std::pair<std::size_t, std::size_t>> Blocks(const Bytes& blz, std::size_t first) {
  std::vector<std::pair<std::size_t, std::size_t>> blocks;
  for (std::size_t at = first; at + 2 <= blz.size();) {
    const std::size_t length = blz[at] | blz[at + 1] << 8;
    blocks.push_back({at, length});
    at += 2 + length;
  }
  return blocks;
}

}  // namespace

TEST(UniBitmap, BothFormsRoundTripEveryDepth) {
  // 300 x 120 at 32 bits is more than four slices; the small one is one.
  for (const auto& [w, h] : {std::pair{300, 120}, std::pair{5, 3}}) {
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
      SCOPED_TRACE(testing::Message() << w << "x" << h << " format " << format);
      TUniBitmap original;
      original.Assign(Picture(format, w, h));
      TMemoryStream blz, wrapped;
      original.SaveToBLZStream(blz);
      original.SaveToBLZBmpStream(wrapped);
      const Bytes plainBytes = Bytes_(blz), wrappedBytes = Bytes_(wrapped);
      EXPECT_EQ(std::memcmp(plainBytes.data(), "LZRW", 4), 0);
      EXPECT_EQ(U32At(plainBytes, 4), std::uint32_t(original.SaveToBytes().size()));
      EXPECT_EQ(std::memcmp(wrappedBytes.data(), "BM", 2), 0);
      EXPECT_EQ(std::memcmp(wrappedBytes.data() + 30, "LZRW", 4), 0);
      EXPECT_EQ(U32At(wrappedBytes, 6), std::uint32_t(original.SaveToBytes().size()));

      TUniBitmap a, b;
      a.LoadFromStream(blz);
      b.LoadFromStream(wrapped);
      ExpectSamePixels(original, a);
      ExpectSamePixels(original, b);
      // Both forms rebuild the very BMP stream they were made of.
      EXPECT_EQ(a.SaveToBytes(), original.SaveToBytes());
      EXPECT_EQ(b.SaveToBytes(), original.SaveToBytes());
    }
  }
}

TEST(UniBitmap, SliceBoundaries) {
  // A stream of exactly two slices ends with a third, empty block.
  Bytes bmp(65536);
  for (std::size_t i = 0; i < bmp.size(); ++i) bmp[i] = std::uint8_t(i * 31 / 7);
  Bytes blz = EncodeBlz(bmp);
  auto blocks = Blocks(blz, 8);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[2].second, 1u);
  EXPECT_EQ(blz.back(), 0x80);
  EXPECT_EQ(DecodeBlz(blz), bmp);

  // 100 bytes: the size and one block.
  bmp.resize(100);
  blz = EncodeBlz(bmp);
  EXPECT_EQ(U32At(blz, 4), 100u);
  EXPECT_EQ(Blocks(blz, 8).size(), 1u);
  EXPECT_EQ(DecodeBlz(blz), bmp);
}

TEST(UniBitmap, DetectsTheFormAndReadsFromTheStart) {
  const TBitmap original = Picture(pf24bit, 20, 10);
  TUniBitmap source;
  source.Assign(original);
  TMemoryStream blz;
  source.SaveToBLZStream(blz);

  // The signature backwards is read too.
  Bytes reversed = Bytes_(blz);
  std::memcpy(reversed.data(), "WRZL", 4);
  EXPECT_EQ(DetectBlzForm(reversed), TBlzForm::bfBlz);
  TUniBitmap r;
  r.LoadFromBytes(Q(reversed));
  ExpectSamePixels(original, r);

  // A stream positioned in its middle is read from its start.
  blz.SetPosition(blz.Size() / 2);
  TUniBitmap m;
  m.LoadFromStream(blz);
  ExpectSamePixels(original, m);

  // Plain BMP goes through as it is.
  TUniBitmap p;
  p.LoadFromBytes(original.SaveToBytes());
  ExpectSamePixels(original, p);
  EXPECT_EQ(DetectBlzForm(Bytes{'B', 'M'}), TBlzForm::bfBmp);
}

TEST(UniBitmap, RegisteredForBmpDibAndBlz) {
  RegisterUniBitmap();
  RegisterUniBitmap();  // a second call changes nothing
  int blzEntries = 0;
  for (const TFileFormat& f : TPicture::FileFormats()) blzEntries += f.extension == "blz";
  EXPECT_EQ(blzEntries, 1);
  EXPECT_TRUE(TPicture::GraphicFilter().contains("BLZ-Format (*.blz)|*.blz"));

  QTemporaryDir dir;
  const TBitmap original = Picture(pf8bit, 40, 30);
  TUniBitmap u;
  u.Assign(original);
  u.SaveToBLZFile(dir.filePath("a.blz"));
  u.SaveToBLZBmpFile(dir.filePath("b.bmp"));
  u.SaveToFile(dir.filePath("c.dib"));
  for (const char* name : {"a.blz", "b.bmp", "c.dib"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(dir.filePath(name));
    auto* loaded = dynamic_cast<TUniBitmap*>(picture.Graphic());
    ASSERT_TRUE(loaded);
    ExpectSamePixels(original, *loaded);
  }
  const auto fromFile = TUniBitmap::CreateFromFile(dir.filePath("a.blz"));
  EXPECT_EQ(fromFile->FileName(), dir.filePath("a.blz"));
  ExpectSamePixels(original, *fromFile);
  TPicture::RegisterFileFormat<TBitmap>("bmp", "Bitmaps");
  TPicture::RegisterFileFormat<TBitmap>("dib", "Bitmaps");
}

TEST(UniBitmap, RefusesDamagedFilesAndKeepsThePicture) {
  TUniBitmap source;
  source.Assign(Picture(pf32bit, 200, 100));  // three slices and a bit
  TMemoryStream s1, s2;
  source.SaveToBLZStream(s1);
  source.SaveToBLZBmpStream(s2);
  const Bytes blz = Bytes_(s1), wrapped = Bytes_(s2);
  const auto blocks = Blocks(blz, 8);
  ASSERT_GE(blocks.size(), 3u);

  auto with = [](Bytes b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
    return b;
  };
  Bytes bomb = {'L', 'Z', 'R', 'W', 0, 0, 0, 0};
  for (int i = 0; i < 100; ++i) {
    // 32768 zeros in 8 runs of 4096 each: 35 bytes per slice.
    const Bytes block = {0x40, 0xFF, 0x00, 0, 0x0F, 0xF0, 0, 0, 0x0F, 0xF0, 0, 0,
                         0x0F, 0xF0, 0,    0, 0x0F, 0xF0, 0, 0, 0x0F, 0xF0, 0, 0,
                         0x0F, 0xF0, 0,    0, 0x0F, 0xF0, 0, 0, 0x0F, 0xF0, 0};
    bomb.push_back(std::uint8_t(block.size()));
    bomb.push_back(0);
    bomb.insert(bomb.end(), block.begin(), block.end());
  }
  Bytes longBlock = blz;
  longBlock.resize(blocks[0].first);
  // One block that decodes to more than a slice: a stored block of 32769 bytes.
  longBlock.push_back(0x01);
  longBlock.push_back(0x80);
  longBlock.push_back(0x80);
  longBlock.resize(longBlock.size() + 32769, 0);

  struct Case {
    const char* name;
    Bytes data;
  };
  const Case cases[] = {
      {"header only", Bytes(blz.begin(), blz.begin() + 8)},
      {"cut inside a block", Bytes(blz.begin(), blz.begin() + std::ptrdiff_t(blocks[1].first + 10))},
      {"cut after a whole slice", Bytes(blz.begin(), blz.begin() + std::ptrdiff_t(blocks[1].first))},
      {"block length past the end", with(blz, blocks[0].first, {0xFF, 0xFF})},
      {"zero block length", with(blz, blocks[0].first, {0, 0})},
      {"damaged block", with(blz, blocks[0].first + 2, {0x40, 0x80, 0x00, 0x00, 0x13})},
      {"block longer than a slice", longBlock},
      {"wrapped, no size", with(wrapped, 6, {0, 0, 0, 0})},
      {"wrapped, negative size", with(wrapped, 6, {0, 0, 0, 0x80})},
      {"wrapped, size smaller than the content", with(wrapped, 6, {100, 0, 0, 0})},
      {"wrapped, cut", Bytes(wrapped.begin(), wrapped.begin() + 70)},
  };
  const TBitmap before = Picture(pf24bit, 4, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TUniBitmap target;
    target.Assign(before);
    EXPECT_THROW(target.LoadFromBytes(Q(c.data)), EInvalidGraphic);
    ExpectSamePixels(before, target);
  }
  // Far more content than its size: refused at the limit, not after it.
  EXPECT_THROW(DecodeBlz(bomb, 1 << 20), EInvalidGraphic);

  // Asking for the wrapped form of data without it is an error too.
  TMemoryStream plain;
  plain.WriteBuffer(blz.data(), std::int64_t(blz.size()));
  TUniBitmap target;
  EXPECT_THROW(target.LoadFromBLZBmpStream(plain), EInvalidGraphic);
  target.LoadFromBLZStream(plain);
  EXPECT_EQ(target.Width(), 200);
}

TEST(UniBitmap, AssignsPicturesIconsAndBitmaps) {
  TUniBitmap u;
  TPicture empty;
  try {
    u.AssignPicture(&empty);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid Picture");
  }
  EXPECT_THROW(u.AssignPicture(nullptr), Exception);
  EXPECT_THROW(u.AssignBitmap(nullptr), Exception);
  TIcon noIcon;
  EXPECT_THROW(u.AssignIcon(&noIcon), Exception);

  const TBitmap original = Picture(pf24bit, 9, 6);
  u.AssignBitmap(&original);
  ExpectSamePixels(original, u);

  TPicture picture;
  picture.SetGraphic(&original);
  TUniBitmap v;
  v.AssignPicture(&picture);
  ExpectSamePixels(original, v);

  QImage image(8, 8, QImage::Format_ARGB32);
  image.fill(qRgba(0, 0, 0, 0));
  image.setPixel(2, 3, qRgba(255, 0, 0, 255));
  TIcon icon;
  icon.SetImage(image);
  TUniBitmap w;
  w.AssignBitmap(&original);
  w.AssignIcon(&icon);
  EXPECT_EQ(w.Width(), 8);
  EXPECT_EQ(w.Dib().GetColor(2, 3), std::uint32_t(clRed));
  EXPECT_EQ(w.Dib().GetColor(0, 0), std::uint32_t(clWhite));  // no leftovers of the old picture
}
