// The GIF stream: shared routines, colour tables, LZW coding, header,
// extensions and frames, read and written against giflib's and
// ImageMagick's tools.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <random>

#include "pictures/GifImage.h"
#include "pictures/tests/GifTestSupport.h"
#include "platform/gui/Picture.h"

using namespace giftest;

namespace {

std::string BytesOf(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(char(v));
  return out;
}

// A minimal GIF89a: 2 x 2 logical screen, a 2-colour global table, then
// `body` and the trailer.
QByteArray WithScreen(const QByteArray& body, bool trailer = true) {
  QByteArray out = Bytes({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255});
  out += body;
  if (trailer) out += char(0x3B);
  return out;
}

// An image descriptor of w x h at 0,0 without a local table, then LZW data.
QByteArray Descriptor(int w, int h, int packed = 0) {
  return Bytes({0x2C, 0, 0, 0, 0, w & 0xFF, w >> 8, h & 0xFF, h >> 8, packed});
}

// Packs codes of the given widths, LSB first, into one data sub-block with
// the code size byte in front and the terminator behind.
QByteArray LzwData(int codeSize, const std::vector<std::pair<int, int>>& codes) {
  QByteArray bytes;
  std::uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc |= std::uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.append(char(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes.append(char(acc & 0xFF));
  QByteArray out;
  out.append(char(codeSize));
  for (int at = 0; at < bytes.size(); at += 255) {
    const int n = std::min<int>(255, int(bytes.size() - at));
    out.append(char(n));
    out.append(bytes.mid(at, n));
  }
  out.append(char(0));
  return out;
}

struct Recorder {
  std::vector<std::string> warnings;
  void Attach(TGIFImage& image) {
    image.OnCodecWarning = [this](TGIFImage*, int, const std::string& m) { warnings.push_back(m); };
  }
  bool Saw(const std::string& m) const {
    return std::find(warnings.begin(), warnings.end(), m) != warnings.end();
  }
};

std::string ErrorOf(const QByteArray& data) {
  TGIFImage image;
  try {
    image.LoadFromBytes(data);
  } catch (const GIFException& e) {
    return e.what();
  }
  return "";
}

}  // namespace

// --- shared routines and colour tables ------------------------------------------

TEST(GifCodec, ColorBitsAndSubBlocks) {
  for (auto [count, bits] : std::vector<std::pair<int, int>>{
           {0, 0}, {1, 1}, {2, 1}, {3, 2}, {5, 3}, {16, 4}, {17, 5}, {129, 8}, {256, 8}})
    EXPECT_EQ(ColorsToBits(count), bits) << count;
  EXPECT_EQ(BytesPerScanline(5, 8, 32), 8);
  EXPECT_EQ(BytesPerScanline(9, 1, 16), 2);

  TMemoryStream stream;
  WriteDataSubBlocks(stream, {std::string(600, 'a'), "bc", ""});
  const std::string bytes = BytesOf(stream);
  ASSERT_EQ(bytes.size(), 1u + 255 + 1 + 255 + 1 + 90 + 1 + 2 + 1);
  EXPECT_EQ(std::uint8_t(bytes[0]), 255);
  EXPECT_EQ(std::uint8_t(bytes[256]), 255);
  EXPECT_EQ(std::uint8_t(bytes[512]), 90);
  EXPECT_EQ(std::uint8_t(bytes[603]), 2);  // a new string starts its own sub-block
  EXPECT_EQ(bytes.back(), '\0');
  stream.SetPosition(0);
  std::vector<std::string> back;
  ReadDataSubBlocks(stream, back);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[2], std::string(90, 'a'));
  EXPECT_EQ(back[3], "bc");

  const std::vector<TRGBQuad> web = BuildWebPalette();
  ASSERT_EQ(web.size(), 216u);
  EXPECT_EQ(web[1 * 36 + 2 * 6 + 3], (TRGBQuad{153, 102, 51, 0}));
}

TEST(GifCodec, ColorMapTableRules) {
  TGIFImage image;
  TGIFColorMap& map = image.GlobalColorMap();
  for (int i = 0; i < 5; ++i) map.Add(RGB(i, 0, 0));
  EXPECT_EQ(map.Capacity(), 16);
  TMemoryStream stream;
  map.SaveToStream(stream);
  const std::string bytes = BytesOf(stream);
  ASSERT_EQ(bytes.size(), 8u * 3);  // padded to a power of two
  EXPECT_EQ(bytes.substr(15), std::string(9, '\0'));

  map.Add(RGB(2, 0, 0));                    // a second (2,0,0)
  EXPECT_EQ(map.IndexOf(RGB(2, 0, 0)), 5);  // unsorted: the later one
  map.SetSortedByUse(true);
  EXPECT_EQ(map.IndexOf(RGB(2, 0, 0)), 2);  // sorted: the earlier one
  EXPECT_THROW(map.Delete(6), GIFException);
  map.Delete(5);
  EXPECT_FALSE(map.SortedByUse());

  Recorder rec;
  rec.Attach(image);
  EXPECT_EQ(map.Colors(9), RGB(0, 0, 0));  // warned, then entry 0
  EXPECT_TRUE(rec.Saw("Invalid color index"));
  map.Clear();
  EXPECT_THROW(map.Colors(0), GIFException);
  for (int i = 0; i < 256; ++i) map.Add(RGB(i, i, i));
  try {
    map.Add(clRed);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
}

TEST(GifCodec, OptimizeSortsByUseAndDropsUnusedColors) {
  TGIFImage image;
  // Colour 0 used once, 1 never, 2 three times, 3 twice.
  TGIFSubImage& frame = AddFrame(image, 0, 0, 6, 1, {clRed, clLime, clBlue, clWhite}, [](int x, int) {
    static const int px[6] = {2, 3, 0, 2, 3, 2};
    return px[x];
  });
  EXPECT_TRUE(frame.ColorMap().Optimize());
  EXPECT_TRUE(frame.ColorMap().SortedByUse());
  ASSERT_EQ(frame.ColorMap().Count(), 3);
  EXPECT_EQ(frame.ColorMap().Colors(0), clBlue);
  EXPECT_EQ(frame.ColorMap().Colors(1), clWhite);
  EXPECT_EQ(frame.ColorMap().Colors(2), clRed);
  const std::vector<std::uint8_t> px(frame.Data(), frame.Data() + 6);
  EXPECT_EQ(px, (std::vector<std::uint8_t>{0, 1, 2, 0, 1, 0}));

  // Already in order: only the flag changes.
  TGIFImage ordered;
  TGIFSubImage& f2 =
      AddFrame(ordered, 0, 0, 3, 1, {clRed, clBlue}, [](int x, int) { return x == 2 ? 1 : 0; });
  EXPECT_TRUE(f2.ColorMap().Optimize());
  EXPECT_EQ(f2.ColorMap().Count(), 2);
  EXPECT_EQ(f2.ColorMap().Colors(0), clRed);

  TGIFImage one;
  TGIFSubImage& f3 = AddFrame(one, 0, 0, 1, 1, {clRed}, [](int, int) { return 0; });
  EXPECT_FALSE(f3.ColorMap().Optimize());
}

// --- reading what the peers write ---------------------------------------------------

TEST(GifCodec, DecodesPeerFilesToThePeersPixels) {
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString() + "/";
  struct Case {
    const char* name;
    std::string command;
  };
  const std::vector<Case> cases = {
      {"gradient 8 bit", "convert -size 37x23 gradient:red-blue -colors 256 " + d + "a.gif"},
      {"plasma 1 bit", "convert -size 33x17 plasma:fractal -seed 3 -colors 2 " + d + "a.gif"},
      {"4 bit GIF87a", "convert -size 40x9 gradient:yellow-navy -colors 16 GIF87:" + d + "a.gif"},
      {"noise 256", "convert -size 64x64 xc: +noise Random -colors 256 " + d + "a.gif"},
      {"interlaced", "convert -size 29x19 gradient:lime-purple -colors 200 -interlace GIF " + d + "a.gif"},
      {"transparent",
       "convert -size 20x20 xc:white -fill red -draw 'circle 10,10 10,4' -transparent white " + d + "a.gif"},
      {"animation",
       "convert -size 16x12 -delay 7 gradient:red-blue -colors 40 \\( -size 8x6 xc:green -repage "
       "+3+2 \\) -dispose Previous \\( -size 16x12 plasma: -seed 9 -colors 100 \\) -loop 4 " +
           d + "a.gif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Shell(c.command).status, 0) << c.command;
    TGIFImage image;
    image.LoadFromFile(QString::fromStdString(d + "a.gif"));
    ExpectMatchesPeer(image, d + "a.gif");
  }
}

TEST(GifCodec, ReadsFramesExtensionsAndTablesAsGiflibBuildsThem) {
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString() + "/";
  // Local tables, an interlaced frame, a transparent index, disposal modes,
  // delays, a loop block and a comment, as giflib's compiler writes them.
  const std::string text = R"(screen width 8
screen height 6
screen colors 4
screen background 1
screen map
	rgb 000 000 000 is 0
	rgb 255 255 255 is 1
	rgb 255 000 000 is 2
	rgb 000 000 255 is 3
end
netscape loop 5
graphics control
	disposal mode 2
	user input flag off
	delay 33
	transparent index 3
end
comment
first frame
end
image # 1
image left 0
image top 0
image bits 8 by 6
01230123
12301230
23012301
30123012
01230123
12301230
graphics control
	disposal mode 3
	delay 150
	transparent index -1
end
image # 2
image left 2
image top 1
image interlaced
image map
	rgb 010 020 030 is 0
	rgb 040 050 060 is 1
end
image bits 5 by 5
01010
10101
01010
10101
00111
)";
  WriteFileBytes(d + "b.txt", QByteArray::fromStdString(text));
  ASSERT_EQ(Shell("gifbuild " + d + "b.txt > " + d + "b.gif").status, 0);
  TGIFImage image;
  Recorder rec;
  rec.Attach(image);
  image.LoadFromFile(QString::fromStdString(d + "b.gif"));
  EXPECT_TRUE(rec.warnings.empty());
  ASSERT_EQ(image.Images().Count(), 2);
  EXPECT_EQ(image.Width(), 8);
  EXPECT_EQ(image.Height(), 6);
  TGIFSubImage& first = image.Images()[0];
  ASSERT_NE(first.GraphicControlExtension(), nullptr);
  EXPECT_EQ(first.GraphicControlExtension()->Delay(), 33);
  EXPECT_EQ(first.Disposal(), 2);
  EXPECT_TRUE(first.Transparent());
  EXPECT_EQ(first.GraphicControlExtension()->TransparentColorIndex(), 3);
  bool loop = false, comment = false;
  for (int k = 0; k < first.Extensions().Count(); ++k) {
    if (auto* l = dynamic_cast<TGIFAppExtNSLoop*>(first.Extensions().Items(k))) loop = l->LoopCount == 5;
    if (auto* c = dynamic_cast<TGIFCommentExtension*>(first.Extensions().Items(k)))
      comment = c->Text.size() == 1 && c->Text[0].starts_with("first frame");
  }
  EXPECT_TRUE(loop);
  EXPECT_TRUE(comment);
  TGIFSubImage& second = image.Images()[1];
  EXPECT_TRUE(second.Interlaced());
  EXPECT_EQ(second.ColorMap().Count(), 2);
  EXPECT_EQ(second.BoundsRect(), Rect(2, 1, 7, 6));
  EXPECT_EQ(second.Disposal(), 3);
  EXPECT_EQ(second.Pixels(2, 4), 1);
  EXPECT_EQ(second.Pixels(0, 4), 0);
  ExpectMatchesPeer(image, d + "b.gif");
}

// --- writing what the peers read ----------------------------------------------------

TEST(GifCodec, WrittenFilesReadBackByThePeersWithTheSamePixelsAndFrameData) {
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString() + "/";
  std::mt19937 random(7);
  for (TGIFEncoderKind encoder : {ekLZW, ekRunLength}) {
    SCOPED_TRACE(encoder == ekLZW ? "LZW" : "run length");
    TGIFImage image;
    image.SetEncoderKind(encoder);
    image.Header().SetWidth(70);
    image.Header().SetHeight(60);
    for (TColor c : {clBlack, clWhite, clRed, clLime, clBlue}) image.GlobalColorMap().Add(c);
    // A noisy frame of the global table (the table overflows and clears).
    AddFrame(image, 0, 0, 70, 60, {}, [&](int, int) { return int(random() % 5); });
    {
      auto& gce = image.Images()[0].RequireGraphicControlExtension();
      gce.SetDelay(37);
      gce.SetDisposal(1);
      auto loop = std::make_unique<TGIFAppExtNSLoop>(&image.Images()[0]);
      loop->LoopCount = 6;
      image.Images()[0].Extensions().Add(std::move(loop));
    }
    // A frame of 256 local colours with long runs and a transparent index.
    std::vector<TColor> colors;
    for (int i = 0; i < 256; ++i) colors.push_back(RGB(i, 255 - i, (i * 7) & 0xFF));
    TGIFSubImage& second =
        AddFrame(image, 10, 5, 50, 40, colors, [](int x, int y) { return (x / 7 + y * 3) & 0xFF; });
    auto& gce = second.RequireGraphicControlExtension();
    gce.SetDisposal(3);
    gce.SetDelay(250);
    gce.SetTransparent(true);
    gce.SetTransparentColorIndex(4);
    auto comment = std::make_unique<TGIFCommentExtension>(&second);
    comment->Text = {"made here"};
    second.Extensions().Add(std::move(comment));
    // A single flat run, far longer than the table.
    AddFrame(image, 0, 0, 100, 100, {clBlue, clRed}, [](int, int) { return 1; });
    // An interlaced frame without a local table keeps its interlacing.
    TGIFSubImage& fourth = AddFrame(image, 3, 3, 11, 13, {}, [](int x, int y) { return (x + 2 * y) % 5; });
    fourth.SetInterlaced(true);

    const std::string file = d + (encoder == ekLZW ? "lzw.gif" : "rle.gif");
    image.SaveToFile(QString::fromStdString(file));
    ExpectMatchesPeer(image, file);

    const std::string dump = Shell("gifbuild -d " + file).output;
    EXPECT_NE(dump.find("delay 37"), std::string::npos);
    EXPECT_NE(dump.find("delay 250"), std::string::npos);
    EXPECT_NE(dump.find("disposal mode 3"), std::string::npos);
    EXPECT_NE(dump.find("transparent index 4"), std::string::npos);
    EXPECT_NE(dump.find("netscape loop 6"), std::string::npos);
    EXPECT_NE(dump.find("made here"), std::string::npos);
    EXPECT_NE(dump.find("image interlaced"), std::string::npos);
    const std::string info = Shell("giftext " + file).output;
    EXPECT_NE(info.find("Width = 100, Height = 100"), std::string::npos) << info;
    const std::string ident = Shell("identify -format '%W %H %w %h %X %Y|' " + file).output;
    EXPECT_NE(ident.find("50 40 +10 +5"), std::string::npos) << ident;

    // And our reader gives back what was written.
    TGIFImage back;
    back.LoadFromFile(QString::fromStdString(file));
    ASSERT_EQ(back.Images().Count(), 4);
    for (int i = 0; i < 4; ++i)
      ExpectSamePixels(OurFrameRGBA(back.Images()[i]), OurFrameRGBA(image.Images()[i]),
                       "frame " + std::to_string(i));
  }
}

TEST(GifCodec, RunLengthEncoderWritesFarFewerCodesForFlatAreas) {
  TGIFImage flat;
  TGIFSubImage& frame = AddFrame(flat, 0, 0, 100, 100, {}, [](int, int) { return 7; });
  for (int i = 0; i < 256; ++i) flat.GlobalColorMap().Add(RGB(i, i, i));
  TMemoryStream lzw, rle;
  frame.Compress(lzw);
  flat.SetEncoderKind(ekRunLength);
  frame.Compress(rle);
  // 10000 pixels of 9-bit codes would be 11250 bytes.
  EXPECT_LT(rle.Size(), 400);
  EXPECT_LT(lzw.Size(), 400);
  rle.SetPosition(0);
  std::vector<std::uint8_t> pixels(10000, 0);
  DecodeLzw(rle, pixels.data(), 100, 100, false, {});
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p == 7; }));
}

TEST(GifCodec, EncoderEdgeCases) {
  // Two colours start with 3-bit codes (code size byte 2).
  TMemoryStream two;
  const std::uint8_t px[4] = {0, 1, 1, 0};
  EncodeLzw(two, ekLZW, 1, 2, 2, false, px, 2);
  EXPECT_EQ(two.Memory()[0], 2);
  // An empty frame: code size, one sub-block with the end code, terminator.
  TMemoryStream empty;
  EncodeLzw(empty, ekLZW, 2, 0, 0, false, nullptr, 4);
  EXPECT_EQ(BytesOf(empty), std::string("\x02\x01\x05\x00", 4));
  // A pixel past the table is refused.
  TMemoryStream bad;
  const std::uint8_t over[2] = {0, 5};
  EXPECT_THROW(EncodeLzw(bad, ekLZW, 2, 2, 1, false, over, 4), GIFException);
  EXPECT_THROW(EncodeLzw(bad, ekRunLength, 2, 2, 1, false, over, 4), GIFException);
  // Interlaced frames of 1 to 5 rows round-trip through both coders.
  for (int h = 1; h <= 5; ++h)
    for (TGIFEncoderKind kind : {ekLZW, ekRunLength}) {
      std::vector<std::uint8_t> in(size_t(3 * h));
      for (size_t i = 0; i < in.size(); ++i) in[i] = std::uint8_t(i % 4);
      TMemoryStream s;
      EncodeLzw(s, kind, 2, 3, h, true, in.data(), 4);
      s.SetPosition(0);
      std::vector<std::uint8_t> out(in.size(), 9);
      DecodeLzw(s, out.data(), 3, h, true, {});
      EXPECT_EQ(out, in) << h;
    }
}

// --- stream rules ----------------------------------------------------------------

TEST(GifCodec, SignatureVersionAndTrailerRules) {
  const QByteArray frame = Descriptor(1, 1) + LzwData(2, {{4, 3}, {1, 3}, {5, 3}});
  // Four bytes in front of the signature, lower case, any version text.
  QByteArray shifted = Bytes({1, 2, 3, 4}) + WithScreen(frame);
  shifted[4] = 'g';
  shifted[8] = 'x';
  TGIFImage image;
  image.LoadFromBytes(shifted);
  EXPECT_EQ(image.Images().Count(), 1);
  EXPECT_EQ(image.Images()[0].Pixels(0, 0), 1);
  EXPECT_EQ(ErrorOf(Bytes({0, 0, 0, 0, 0, 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0})),
            "Invalid GIF signature");
  EXPECT_EQ(ErrorOf(Bytes({'G', 'I', 'F', '8'})), "Premature end of data");

  Recorder rec;
  TGIFImage noTrailer;
  rec.Attach(noTrailer);
  noTrailer.LoadFromBytes(WithScreen(frame, false));
  EXPECT_TRUE(rec.warnings.empty());
  noTrailer.LoadFromBytes(WithScreen(frame, false) + char(0x99));
  EXPECT_TRUE(rec.Saw("Unknown GIF block type"));

  // Zero bytes between blocks are skipped; a comment after the last image
  // becomes a frame that holds only the comment.
  QByteArray comment = Bytes({0x21, 0xFE, 3, 'e', 'n', 'd', 0});
  TGIFImage tail;
  tail.LoadFromBytes(WithScreen(Bytes({0, 0}) + frame + comment));
  ASSERT_EQ(tail.Images().Count(), 2);
  EXPECT_TRUE(tail.Images()[1].Empty());
  EXPECT_EQ(tail.Images()[1].Extensions().Count(), 1);

  // The version follows what the frames need.
  TGIFImage plain;
  AddFrame(plain, 0, 0, 2, 2, {clRed, clBlue}, [](int x, int) { return x; });
  EXPECT_EQ(plain.SaveToBytes().left(6), "GIF87a");
  plain.Images()[0].RequireGraphicControlExtension().SetDelay(5);
  EXPECT_EQ(plain.SaveToBytes().left(6), "GIF89a");
  TGIFImage none;
  EXPECT_THROW(none.SaveToBytes(), GIFException);

  // A global table of 5 colours says 8 entries in its packed byte.
  TGIFImage five;
  for (int i = 0; i < 5; ++i) five.GlobalColorMap().Add(RGB(i, i, i));
  AddFrame(five, 0, 0, 1, 1, {}, [](int, int) { return 4; });
  const QByteArray saved = five.SaveToBytes();
  EXPECT_EQ(std::uint8_t(saved[10]) & 0x87, 0x82);
  EXPECT_EQ(saved.mid(13 + 15, 9), QByteArray(9, '\0'));
}

TEST(GifCodec, ExtensionBlocks) {
  const QByteArray frame = Descriptor(1, 1) + LzwData(2, {{4, 3}, {1, 3}, {5, 3}});
  auto app = [](int size, const char* id, std::initializer_list<int> data) {
    QByteArray out = Bytes({0x21, 0xFF, size});
    out += QByteArray(id, size);
    out += Bytes(data);
    return out;
  };
  // Both loop identifiers; a sub-block of 5 with id 1 skips the two extra bytes.
  for (const char* id : {"NETSCAPE2.0", "ANIMEXTS1.0"}) {
    TGIFImage image;
    image.LoadFromBytes(WithScreen(app(11, id, {5, 1, 7, 0, 9, 9, 0}) + frame));
    auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(image.Images()[0].Extensions().Items(0));
    ASSERT_NE(loop, nullptr) << id;
    EXPECT_EQ(loop->LoopCount, 7);
    EXPECT_EQ(image.Images()[0].Pixels(0, 0), 1);
  }
  EXPECT_EQ(ErrorOf(WithScreen(app(11, "NETSCAPE2.0", {2, 1, 7, 0}) + frame)), "Invalid GIF data");
  // Block size 10: an unknown application whose identifier ends with a zero.
  TGIFImage ten;
  ten.LoadFromBytes(WithScreen(app(10, "ABCDEFGHIJ", {2, 1, 2, 0}) + frame));
  auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(ten.Images()[0].Extensions().Items(0));
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->IdentifierText(), std::string("ABCDEFGHIJ\0", 11));
  ASSERT_EQ(unknown->Blocks.size(), 1u);
  EXPECT_EQ(ErrorOf(WithScreen(app(9, "ABCDEFGHI", {0}) + frame)),
            "Unsupported Application Extension block size");
  EXPECT_EQ(ErrorOf(WithScreen(Bytes({0x21, 0x77, 0}) + frame)), "Unknown extension type");

  // A loop extension without a buffer length is 19 bytes.
  TGIFImage image;
  TGIFSubImage& f = AddFrame(image, 0, 0, 1, 1, {clRed}, [](int, int) { return 0; });
  auto loop = std::make_unique<TGIFAppExtNSLoop>(&f);
  loop->LoopCount = 0x0102;
  TMemoryStream s;
  loop->SaveToStream(s);
  EXPECT_EQ(BytesOf(s), std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x02\x01\x00", 19));
}

TEST(GifCodec, FrameEdgeCases) {
  Recorder rec;
  // A zero-sized descriptor takes the logical screen's size and warns.
  TGIFImage zero;
  rec.Attach(zero);
  zero.LoadFromBytes(
      WithScreen(Descriptor(0, 0) + LzwData(2, {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {1, 3}, {5, 3}})));
  EXPECT_EQ(zero.Images()[0].Width(), 2);
  EXPECT_TRUE(rec.Saw("Image exceeds Logical Screen size"));
  EXPECT_EQ(zero.Images()[0].Pixels(1, 1), 1);

  // Data that end early leave the transparent index (here 1) in the rest,
  // and extra sub-blocks after the end code are skipped.
  const QByteArray gce = Bytes({0x21, 0xF9, 4, 1, 0, 0, 1, 0});
  QByteArray data = LzwData(2, {{4, 3}, {0, 3}, {5, 3}});
  data.insert(data.size() - 1, Bytes({2, 0x55, 0x66}));
  TGIFImage early;
  early.LoadFromBytes(
      WithScreen(gce + Descriptor(2, 2) + data + Descriptor(1, 1) + LzwData(2, {{4, 3}, {0, 3}, {5, 3}})));
  ASSERT_EQ(early.Images().Count(), 2);
  EXPECT_EQ(early.Images()[0].Pixels(0, 0), 0);
  EXPECT_EQ(early.Images()[0].Pixels(1, 1), 1);
  EXPECT_EQ(early.Images()[1].Width(), 1);

  // Changing only the width reallocates the pixels; a frame beyond the
  // screen grows the image (three warnings when it had a size).
  TGIFImage image;
  Recorder grown;
  grown.Attach(image);
  TGIFSubImage& f = AddFrame(image, 0, 0, 4, 4, {clRed, clBlue}, [](int, int) { return 1; });
  EXPECT_TRUE(grown.warnings.empty());
  f.SetWidth(5);
  EXPECT_EQ(f.Pixels(0, 0), 0);
  grown.warnings.clear();
  f.SetBounds(3, 3, 5, 4);
  EXPECT_EQ(image.Width(), 8);
  EXPECT_EQ(image.Height(), 7);
  EXPECT_EQ(grown.warnings.size(), 3u);
  EXPECT_THROW(image.SetWidth(7), GIFException);
  EXPECT_EQ(image.Width(), 8);
  EXPECT_THROW(f.Pixels(5, 0), GIFException);

  // An interlaced frame with a local table is written without interlacing.
  f.SetInterlaced(true);
  TGIFImage back;
  back.LoadFromBytes(image.SaveToBytes());
  EXPECT_FALSE(back.Images()[0].Interlaced());
}

TEST(GifCodec, HostileStreamsAreRefusedCleanly) {
  const QByteArray frame = Descriptor(2, 2) + LzwData(2, {{4, 3}, {1, 3}, {0, 3}, {6, 3}, {5, 3}});
  struct Case {
    const char* name;
    QByteArray data;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"huge screen", Bytes({'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}) + frame,
       "Image dimensions too large"},
      {"huge frame", WithScreen(Descriptor(0xFFFF, 0xFFFF) + LzwData(2, {{5, 3}})),
       "Image dimensions too large"},
      {"code size 12", WithScreen(Descriptor(2, 2) + Bytes({12, 1, 0, 0})), "Invalid LZW code size"},
      {"code size 0", WithScreen(Descriptor(2, 2) + Bytes({0, 1, 0, 0})), "Invalid LZW code size"},
      // Code 7 defined as itself through the "not yet defined" rule, then
      // code 6 pointing at 7 and 7 at 6 cannot build a string.
      {"first code not a pixel", WithScreen(Descriptor(2, 2) + LzwData(2, {{4, 3}, {6, 3}, {5, 3}})),
       "Invalid LZW code"},
      {"truncated table", WithScreen(Bytes({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x87, 1, 2, 3}), false),
       "Premature end of data"},
      {"short plain text", WithScreen(Bytes({0x21, 0x01, 12, 0, 0}), false), "Premature end of data"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.data), c.error) << c.name;

  // Every prefix of a real animated file loads or fails with a clear error.
  QTemporaryDir dir;
  const std::string file = dir.path().toStdString() + "/t.gif";
  ASSERT_EQ(Shell("convert -size 12x9 -delay 5 gradient:red-blue plasma: -seed 2 -loop 0 -colors 30 " + file)
                .status,
            0);
  const QByteArray whole = ReadFileBytes(file);
  for (int n = 0; n < whole.size(); ++n) {
    TGIFImage image;
    try {
      image.LoadFromBytes(whole.left(n));
    } catch (const GIFException&) {
    }
  }
}

TEST(GifCodec, FailedLoadKeepsThePictureAndRewindsTheStream) {
  TGIFImage image;
  AddFrame(image, 0, 0, 3, 3, {clRed, clBlue}, [](int x, int) { return x & 1; });
  const QByteArray good = image.SaveToBytes();
  TMemoryStream stream;
  stream.WriteBuffer("xy", 2);
  stream.WriteBuffer(good.constData(), 20);
  stream.SetPosition(2);
  EXPECT_THROW(image.LoadFromStream(stream), GIFException);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(image.Images().Count(), 1);
  EXPECT_EQ(image.Images()[0].Pixels(1, 0), 1);
}

TEST(GifCodec, LzwCyclesAndOverflowingTablesNeverOverrunTheDecoder) {
  // A long stream of codes that keep referring to the newest entry builds
  // ever longer strings; with clears withheld the table fills past 4096
  // codes, and the decoder must neither overrun nor hang.
  std::vector<std::pair<int, int>> codes = {{4, 3}, {0, 3}};
  int next = 6, width = 3;
  for (int i = 0; i < 6000; ++i) {
    codes.push_back({std::min(next, 4095), width});
    if (next < 4096) {
      ++next;
      if (next >= (1 << width) && width < 12) ++width;
    }
  }
  codes.push_back({5, width});
  TGIFImage image;
  try {
    image.LoadFromBytes(WithScreen(Descriptor(2000, 2000) + LzwData(2, codes)));
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Circular decoder table entry");
  }
}

TEST(GifCodec, RegistersWithThePictureClass) {
  RegisterGifFormat();
  RegisterGifFormat();
  int gif = 0;
  for (const TFileFormat& f : TPicture::FileFormats()) gif += f.extension == "gif";
  EXPECT_EQ(gif, 1);
  QTemporaryDir dir;
  const QString file = dir.path() + "/p.gif";
  ASSERT_EQ(Shell("convert -size 5x4 gradient:red-blue -colors 4 " + file.toStdString()).status, 0);
  TPicture picture;
  picture.LoadFromFile(file);
  ASSERT_NE(dynamic_cast<TGIFImage*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 5);
  TPicture copy(picture);
  EXPECT_EQ(dynamic_cast<TGIFImage*>(copy.Graphic())->Images().Count(), 1);
}
