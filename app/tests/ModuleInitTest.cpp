#include <gtest/gtest.h>

#include <QString>

#include "app/ModuleInit.h"
#include "effects/UniBmp.h"
#include "pictures/GifImage.h"
#include "pictures/RasterReaders.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Jpeg.h"
#include "platform/gui/Picture.h"
#include "skin/se_skinobject.h"
#include "skin/se_skinsource.h"

namespace {

// The class that reads files of an extension once every module is set up.
template <class T>
bool ReadsThrough(const char* extension) {
  const TGraphicFactory factory = TPicture::FactoryFor(QString::fromLatin1(extension));
  if (!factory) return false;
  const std::unique_ptr<TGraphic> graphic = factory();
  return dynamic_cast<T*>(graphic.get()) != nullptr;
}

TEST(ModuleInit, EachExtensionReadsThroughTheClassThatRegisteredItLast) {
  InitializeModules();
  InitializeModules();  // twice changes nothing
  EXPECT_TRUE(ReadsThrough<TUniBitmap>("bmp"));
  EXPECT_TRUE(ReadsThrough<TUniBitmap>("dib"));
  EXPECT_TRUE(ReadsThrough<TUniBitmap>("blz"));
  EXPECT_TRUE(ReadsThrough<TGIFImage>("gif"));
  EXPECT_TRUE(ReadsThrough<TJPEGImage>("jpg"));
  EXPECT_TRUE(ReadsThrough<TJPEGImage>("jpeg"));
  // "rle" stays with the class library's bitmap, not the universal one.
  EXPECT_TRUE(ReadsThrough<TBitmap>("rle"));
  EXPECT_FALSE(ReadsThrough<TUniBitmap>("rle"));
  for (const char* ext : {"tif", "tga", "png", "pcx", "psd", "ppm", "sgi"}) {
    EXPECT_TRUE(ReadsThrough<TRasterGraphic>(ext)) << ext;
  }
  EXPECT_NE(FindSkinObjectClass("TSeSkinObject"), nullptr);
  EXPECT_NE(FindSkinFilter("Default.mskn"), nullptr);
  EXPECT_NE(FindSkinFilter("Plain.uskn"), nullptr);
}

}  // namespace
