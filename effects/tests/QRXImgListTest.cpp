// Image lists: the strip and its cells, masks, sizes and limits, the
// client queries of the three containers, the item record and the
// library-wide image list.

#include <gtest/gtest.h>

#include "effects/QRXDraw.h"
#include "effects/QRXImgList.h"
#include "platform/core/Streams.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/ImgList.h"

namespace {

TBitmap Solid(int width, int height, TColor colour) {
  TBitmap b;
  b.SetSize(width, height);
  b.Canvas().Brush().SetColor(colour);
  b.Canvas().FillRect(Rect(0, 0, width, height));
  return b;
}

TEST(QRXImageListItem, StripGrowsByAllocByAndStopsAt32768Pixels) {
  TQRXImageListItem item;
  EXPECT_EQ(item.ImageStrip().Width(), 0);
  const TBitmap image = Solid(16, 16, clRed);
  item.Add(&image);
  EXPECT_EQ(item.ImageStrip().Width(), 64);
  for (int i = 0; i < 3; ++i) item.Add(&image);
  EXPECT_EQ(item.ImageStrip().Width(), 64);
  item.Add(&image);
  EXPECT_EQ(item.ImageStrip().Width(), 128);

  TQRXImageListItem full;
  full.SetAllocBy(256);
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(full.Add(nullptr), i);
  EXPECT_THROW(full.Add(nullptr), EInvalidGraphicOperation);
  EXPECT_EQ(full.Count(), 2048);
}

TEST(QRXImageListItem, SizesAreCheckedAndOnlyTheFirstCellIsTaken) {
  TQRXImageListItem item;
  TBitmap wide = Solid(32, 16, clRed);
  wide.Canvas().Brush().SetColor(clBlue);
  wide.Canvas().FillRect(Rect(16, 0, 32, 16));
  ASSERT_EQ(item.Add(&wide), 0);
  EXPECT_EQ(item.GetPixel({15, 0}, 0), clRed);
  EXPECT_EQ(item.Count(), 1);

  const TBitmap low = Solid(16, 15, clRed);
  try {
    item.Add(&low);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "Invalid image size");
  }
  EXPECT_EQ(item.Count(), 1);
  EXPECT_EQ(item.Add(nullptr, &low), -1);
  EXPECT_THROW(TQRXImageListItem::CreateSized(0, 16), EInvalidGraphicOperation);

  // The same width keeps the images; another drops them.
  item.SetWidth(16);
  EXPECT_EQ(item.Count(), 1);
  item.SetWidth(8);
  EXPECT_EQ(item.Count(), 0);
}

TEST(QRXImageListItem, MaskedDrawShowsTheBackgroundThroughTheMask) {
  TQRXImageListItem item;
  item.SetMasked(true);
  TBitmap image = Solid(16, 16, clRed);
  image.Canvas().Brush().SetColor(clFuchsia);
  image.Canvas().FillRect(Rect(0, 0, 8, 16));
  ASSERT_EQ(item.Add(&image), 0);
  item.ReplaceMasked(0, &image, clFuchsia);
  EXPECT_TRUE(item.CellMasked(0));
  TBitmap target = Solid(20, 20, clLime);
  item.Draw(target.Canvas(), 2, 2, 0);
  EXPECT_EQ(target.Canvas().Pixel(4, 4), clLime);  // the transparent half
  EXPECT_EQ(target.Canvas().Pixel(12, 4), clRed);
  EXPECT_EQ(target.Canvas().Pixel(1, 1), clLime);  // outside the cell

  // A masked add without a mask blacks the mask cell: drawn opaque.
  item.Add(&image);
  EXPECT_FALSE(item.CellMasked(1));
  TBitmap opaque = Solid(16, 16, clLime);
  item.Draw(opaque.Canvas(), 0, 0, 1);
  EXPECT_EQ(opaque.Canvas().Pixel(4, 4), clFuchsia);
}

TEST(QRXImageListItem, SavedItemKeepsOnlyItsCellsAndReadsBack) {
  TQRXImageListItem item;
  item.SetDescription("frames");
  item.SetMasked(true);
  const TColor colours[] = {clRed, clLime, clBlue};
  for (TColor c : colours) {
    const TBitmap image = Solid(16, 16, c);
    item.Add(&image);
  }
  EXPECT_EQ(item.ImageStrip().Width(), 64);
  for (const bool compressed : {false, true}) {
    item.SetCompressed(compressed);
    TMemoryStream stream;
    item.WriteData(stream);
    EXPECT_EQ(item.ImageStrip().Width(), 48);
    stream.SetPosition(0);
    TQRXImageListItem back;
    back.ReadData(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(back.Description(), "frames");
    EXPECT_TRUE(back.Masked());
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(back.GetPixel({3, 3}, i), colours[i]) << i;
  }
}

TEST(QRXImageListItem, DamagedRecordsAreRefusedAndChangeNothing) {
  TQRXImageListItem item;
  const TBitmap image = Solid(16, 16, clRed);
  item.Add(&image);
  TMemoryStream good;
  item.WriteData(good);
  const std::vector<std::uint8_t> bytes(static_cast<const std::uint8_t*>(good.Memory()),
                                        static_cast<const std::uint8_t*>(good.Memory()) + good.Size());
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  // Header byte, then Height at 1, Width at 5, AllocBy at 9, Masked at 13,
  // the count at 14.
  const Case cases[] = {{"zero height", 1, 0}, {"huge width", 7, 0x7F}, {"huge count", 17, 0x40},
                        {"count past the strip", 14, 9}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bad = bytes;
    if (c.at == 1) bad[1] = bad[2] = bad[3] = bad[4] = 0;
    bad[c.at] = c.value;
    TMemoryStream stream;
    stream.WriteBuffer(bad.data(), std::int64_t(bad.size()));
    stream.SetPosition(0);
    TQRXImageListItem target;
    const TBitmap blue = Solid(16, 16, clBlue);
    target.Add(&blue);
    EXPECT_ANY_THROW(target.ReadData(stream)) << c.what;
    EXPECT_EQ(target.Count(), 1) << c.what;
    EXPECT_EQ(target.GetPixel({0, 0}, 0), clBlue) << c.what;
  }
  // Cut short anywhere: an error, never a crash.
  for (std::size_t n = 0; n < bytes.size(); n += 7) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), std::int64_t(n));
    stream.SetPosition(0);
    TQRXImageListItem target;
    EXPECT_ANY_THROW(target.ReadData(stream)) << n;
  }
}

TEST(QRXImageList, ClientQueriesAndOutOfRangeDefaults) {
  TQRXImageList list;
  auto* item = list.Items(list.Add());
  TBitmap strip = Solid(16, 16, clRed);
  item->Add(&strip);
  item->Add(&strip);
  TBitmap third = Solid(16, 16, clBlue);
  third.Canvas().SetPixel(0, 0, clYellow);
  item->Add(&third);
  EXPECT_EQ(list.GetCount(0), 3);
  EXPECT_EQ(list.GetCount(1), -1);
  EXPECT_EQ(list.GetImageSize(0, 1), 16);
  EXPECT_EQ(list.GetImageSize(3, 0), 0);
  EXPECT_TRUE(list.IsValid(0, 2));
  EXPECT_FALSE(list.IsValid(0, 3));
  EXPECT_EQ(list.GetImageRect(0, 2), Rect(32, 0, 48, 16));
  EXPECT_EQ(list.GetPixel({0, 0}, 0, 2), clYellow);
  EXPECT_EQ(list.GetPixel({0, 0}, 5, 0), TColor(0xFFFFFF));
  EXPECT_EQ(list.GetTransparentColor(0, 2), clBlue);
  TBitmap copy;
  list.GetBitmap(0, 2, copy);
  EXPECT_EQ(copy.Width(), 16);
  EXPECT_EQ(copy.Canvas().Pixel(0, 0), clYellow);
  EXPECT_THROW(list.GetBitmap(0, 3, copy), EListError);

  TQRXBitmapList bitmaps;
  bitmaps.Add();
  EXPECT_EQ(bitmaps.GetCount(0), 0);
  EXPECT_EQ(bitmaps.GetCount(4), 0);
  bitmaps.Items(0)->SetBitmap(Solid(5, 6, clRed));
  EXPECT_EQ(bitmaps.GetCount(0), 1);
  EXPECT_EQ(bitmaps.GetImageRect(0, 9), Rect(0, 0, 5, 6));
}

TEST(QRXImageList, ContainerRecordRoundTripsAndChangesReachLinks) {
  TQRXImageList list;
  list.SetDefaultPixelFormat(TQRXSavePixelFormat::spf8bit);
  auto* item = list.Items(list.Add());
  const TBitmap image = Solid(16, 16, clRed);
  item->Add(&image);
  TQRXChangeLink link;
  int heard = 0;
  link.OnChange = [&](TComponent* sender) {
    EXPECT_EQ(sender, &list);
    ++heard;
  };
  list.RegisterChanges(&link);
  item->Add(&image);
  EXPECT_EQ(heard, 1);

  TMemoryStream stream;
  list.SaveToStream(stream, true);
  stream.SetPosition(0);
  TQRXImageList back;
  back.LoadFromStream(stream, true);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.GetCount(0), 2);

  TQRXImageList copy;
  copy.Assign(list);
  EXPECT_EQ(copy.DefaultPixelFormat(), TQRXSavePixelFormat::spf8bit);
  EXPECT_EQ(copy.GetCount(0), 2);
}

TEST(QRXImageListConnector, ShowsTheClassLibraryListsAndForgetsFreedOnes) {
  TQRXImageListConnector connector;
  auto* images = new TImageList;
  images->SetName("Glyphs");
  const TBitmap image = Solid(16, 16, clRed);
  images->Add(image);
  TQRXBorImageListItem& entry = connector.AddImageList();
  int changes = 0;
  connector.OnChange = [&](TComponent*) { ++changes; };
  entry.SetImageList(images);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(entry.DisplayName(), "Glyphs");
  entry.SetName("Frames");
  EXPECT_EQ(connector.Items(0)->Description(), "Frames");
  EXPECT_EQ(connector.GetCount(0), 1);
  EXPECT_EQ(connector.GetCount(1), -1);
  EXPECT_TRUE(connector.IsValid(0, 0));
  images->Add(image);
  EXPECT_EQ(changes, 3);
  TBitmap copy;
  connector.GetBitmap(0, 1, copy);
  EXPECT_EQ(copy.Canvas().Pixel(4, 4), clRed);
  EXPECT_TRUE(IsImageListConnector(&connector));
  EXPECT_FALSE(IsImageListConnector(&GlobalContainer().ImageList()));
  delete images;
  EXPECT_EQ(entry.ImageList(), nullptr);
  EXPECT_FALSE(connector.IsValid(0, 0));
}

TEST(QRXImageList, LibraryWideListsAreNamedInFormFiles) {
  EXPECT_EQ(WriteGlobalListRef(&GlobalContainer().ImageList()), "QRXIML30");
  EXPECT_EQ(WriteGlobalListRef(&GlobalContainer().BitmapList()), "QRXBML30");
  TQRXImageList own;
  EXPECT_EQ(WriteGlobalListRef(&own), "");
  EXPECT_EQ(ReadGlobalListRef("QRXIML30"), &GlobalContainer().ImageList());
  EXPECT_TRUE(IsGlobalImageList(&GlobalContainer().ImageList()));
  EXPECT_FALSE(IsGlobalImageList(&own));
}

TEST(QRXImageList, StyledDrawingLeavesTheBackgroundOut) {
  for (const bool masked : {false, true}) {
    SCOPED_TRACE(masked);
    TQRXImageList list;
    auto* item = list.Items(list.Add());
    item->SetMasked(masked);
    TBitmap image = Solid(16, 16, clFuchsia);
    image.Canvas().Brush().SetColor(clRed);
    image.Canvas().FillRect(Rect(4, 4, 12, 12));
    if (masked)
      item->ReplaceMasked(item->Add(nullptr), &image, clFuchsia);
    else
      item->Add(&image);
    TBitmap target = Solid(40, 40, clLime);
    // Without a mask the caller asks for the transparent colour.
    const unsigned style = kQRXDrawCenter | (masked ? 0 : kQRXDrawMaskColor);
    const TRect drawn = list.DrawStyled(target.Canvas(), Rect(0, 0, 40, 40), 0, 0, style);
    EXPECT_EQ(drawn, Rect(12, 12, 28, 28));
    EXPECT_EQ(target.Canvas().Pixel(20, 20), TColor(clRed));
    EXPECT_EQ(target.Canvas().Pixel(13, 13), TColor(clLime));
    EXPECT_EQ(target.Canvas().Pixel(2, 2), TColor(clLime));
  }
}

}  // namespace
