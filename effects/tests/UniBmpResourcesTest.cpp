// The universal bitmap's resource loaders and its copies of handles and
// metafiles, each also as a chaining function.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>

#include "effects/UniBmp.h"

namespace {

TBitmap Sample() {
  TBitmap b;
  b.SetSize(9, 5);
  b.Canvas().Brush().SetColor(clRed);
  b.Canvas().FillRect(Rect(0, 0, 9, 5));
  b.Canvas().SetPixel(8, 4, clBlue);
  return b;
}

// A module folder holding the sample in each form as raw data, and as a
// bitmap resource.
struct Module {
  QTemporaryDir dir;
  explicit Module() {
    QDir(dir.path()).mkpath("RCDATA");
    QDir(dir.path()).mkpath("BITMAP");
    const TUniBitmap sample = [] {
      TUniBitmap u;
      u.Assign(Sample());
      return u;
    }();
    TMemoryStream blz, wrapped;
    sample.SaveToBLZStream(blz);
    sample.SaveToBLZBmpStream(wrapped);
    Put("RCDATA/PLAIN", QByteArray(reinterpret_cast<const char*>(blz.Memory()), qsizetype(blz.Size())));
    // The loader of plain BLZ resources does not ask for the signature.
    QByteArray unsigned_(reinterpret_cast<const char*>(blz.Memory()), qsizetype(blz.Size()));
    unsigned_.replace(0, 4, "????");
    Put("RCDATA/#7", unsigned_);
    Put("RCDATA/WRAPPED", QByteArray(reinterpret_cast<const char*>(wrapped.Memory()), qsizetype(wrapped.Size())));
    Put("RCDATA/BMP", sample.SaveToBytes());
    Put("BITMAP/#3", sample.SaveToBytes());
    Put("RCDATA/DAMAGED", QByteArray("LZRW\x10\0\0\0\xff\xff", 10));
  }
  void Put(const QString& name, const QByteArray& data) {
    QFile f(dir.path() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
};

void ExpectSample(const TBitmap& b) {
  ASSERT_EQ(b.Width(), 9);
  ASSERT_EQ(b.Height(), 5);
  EXPECT_EQ(b.Dib().GetColor(0, 0), clRed);
  EXPECT_EQ(b.Dib().GetColor(8, 4), clBlue);
}

TEST(UniBitmapResources, EachLoaderReadsItsForm) {
  Module module;
  const QString m = module.dir.path();
  using Load = std::function<void(TUniBitmap&)>;
  const std::pair<const char*, Load> cases[] = {
      {"wrapped by name", [&](TUniBitmap& b) { b.LoadFromBLZBmpResName(m, "wrapped"); }},
      {"plain by name", [&](TUniBitmap& b) { b.LoadFromBLZResName(m, "Plain"); }},
      {"plain by id", [&](TUniBitmap& b) { b.LoadFromBLZResID(m, 7); }},
      {"any form", [&](TUniBitmap& b) { b.LoadFromResName(m, "WRAPPED"); }},
      {"any form, BMP", [&](TUniBitmap& b) { b.LoadFromResName(m, "bmp"); }},
      {"bitmap resource", [&](TUniBitmap& b) { b.LoadFromResourceID(m, 3); }},
      {"chained", [&](TUniBitmap& b) { EXPECT_EQ(&b.FnLoadFromBLZResName(m, "PLAIN"), &b); }},
  };
  for (const auto& [what, load] : cases) {
    SCOPED_TRACE(what);
    TUniBitmap b;
    load(b);
    ExpectSample(b);
  }
}

TEST(UniBitmapResources, MissingOrDamagedResourcesLeaveTheBitmapAlone) {
  Module module;
  const QString m = module.dir.path();
  TUniBitmap b;
  b.Assign(Sample());
  try {
    b.LoadFromResName(m, "NOTHERE");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid Resource");
  }
  EXPECT_THROW(b.LoadFromBLZBmpResID(m, 99), Exception);
  EXPECT_THROW(b.LoadFromBLZResName(m, "DAMAGED"), EInvalidGraphic);
  EXPECT_THROW(b.LoadFromBLZBmpResName(m, "PLAIN"), EInvalidGraphic);
  ExpectSample(b);
}

TEST(UniBitmapResources, HandlesAndMetafilesAreDrawnOverTheBitmap) {
  TUniBitmap b;
  b.Assign(Sample());
  const std::pair<const char*, std::function<void()>> refused[] = {
      {"Invalid Bitmap", [&] { b.AssignBitmapHandle(QImage()); }},
      {"Invalid Icon", [&] { b.AssignIconHandle(QIcon()); }},
      {"Invalid Metafile-Picture", [&] { b.AssignMetafile(nullptr); }},
      {"Invalid Metafile-Picture", [&] { QPicture empty; b.AssignMetafile(&empty); }},
  };
  for (const auto& [text, call] : refused) {
    try {
      call();
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), text);
    }
    ExpectSample(b);
  }

  QImage image(6, 4, QImage::Format_RGB32);
  image.fill(Qt::green);
  EXPECT_EQ(&b.FnAssignBitmapHandle(image), &b);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Dib().GetColor(5, 3), clLime);

  QImage iconImage(16, 16, QImage::Format_ARGB32);
  iconImage.fill(Qt::blue);
  b.AssignIconHandle(QIcon(QPixmap::fromImage(iconImage)));
  EXPECT_EQ(b.Width(), 16);
  EXPECT_EQ(b.Dib().GetColor(8, 8), clBlue);

  QPicture metafile;
  {
    QPainter p(&metafile);
    p.fillRect(QRect(10, 10, 20, 8), Qt::red);
  }
  b.AssignMetafile(&metafile);
  EXPECT_EQ(b.Width(), 20);
  EXPECT_EQ(b.Height(), 8);
  EXPECT_EQ(b.Dib().GetColor(10, 4), clRed);
}

}  // namespace
