// The readers' common ground: the format registry, the size limit, and
// that a failed load leaves the picture as it was.

#include "pictures/RasterReaders.h"

#include <gtest/gtest.h>

#include "pictures/GraphicStrings.h"
#include "platform/gui/Jpeg.h"

namespace {

QString DescriptionOf(const QString& extension) {
  for (const TFileFormat& f : TPicture::FileFormats())
    if (f.extension == extension) return f.description;
  return {};
}

}  // namespace

TEST(RasterReaders, RegistrationReachesThePictureClassOnce) {
  RegisterRasterFormats();
  RegisterRasterFormats();  // a second call changes nothing
  ASSERT_NE(FileFormatList(), nullptr);
  EXPECT_EQ(DescriptionOf("vst"), "Truevision images");
  EXPECT_EQ(DescriptionOf("tif"), "PC TIF images");
  EXPECT_EQ(DescriptionOf("dib"), "Device independant Windows bitmaps");
  const auto tga = TPicture::FactoryFor("TGA");
  ASSERT_TRUE(tga);
  EXPECT_NE(dynamic_cast<TTargaGraphic*>(tga().get()), nullptr);
  // "jpeg" came with no common description: the class keeps "JPG images".
  const TFileFormatList& list = *FileFormatList();
  const int jpeg = list.FindGraphicClass(typeid(TJPEGImage));
  ASSERT_GE(jpeg, 0);
  EXPECT_EQ(list.ClassList()[size_t(jpeg)]->description, "JPG images");
  EXPECT_EQ(list.ClassList()[size_t(jpeg)]->count, 2);
  EXPECT_EQ(list.FindExtension("TIFF"), list.FindExtension("tiff"));
  EXPECT_EQ(list.FindExtension(""), -1);
}

TEST(RasterReaders, RegistryRefusesTwiceAndMovesOnReplace) {
  TFileFormatList list;
  list.RegisterFileFormat<TTargaGraphic>("rastertest-a", "Truevision images", "", 8, false);
  try {
    list.RegisterFileFormat<TTIFFGraphic>("RASTERTEST-A", "", "", 8, false);
    ADD_FAILURE() << "registered twice";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Attempt to register RASTERTEST-A files twice.");
  }
  EXPECT_EQ(list.ExtensionList()[0]->classEntry->graphicClass, std::type_index(typeid(TTargaGraphic)));
  // Replacing moves the extension; its old class had no other and goes.
  list.RegisterFileFormat<TTIFFGraphic>("rastertest-a", "TIFF", "", 8, true);
  EXPECT_EQ(list.FindGraphicClass(typeid(TTargaGraphic)), -1);
  EXPECT_EQ(list.ExtensionList()[0]->classEntry->graphicClass, std::type_index(typeid(TTIFFGraphic)));
  EXPECT_EQ(DescriptionOf("rastertest-a"), "TIFF");
  ASSERT_TRUE(TPicture::FactoryFor("rastertest-a"));
  EXPECT_NE(dynamic_cast<TTIFFGraphic*>(TPicture::FactoryFor("rastertest-a")().get()), nullptr);

  list.RegisterFileFormat<TTIFFGraphic>("rastertest-b", "", "", 8, false);
  list.UnregisterFileFormat("rastertest-a", typeid(TTIFFGraphic));
  EXPECT_GE(list.FindGraphicClass(typeid(TTIFFGraphic)), 0);  // "b" still uses it
  list.UnregisterFileFormat("", typeid(TTIFFGraphic));
  EXPECT_TRUE(list.ExtensionList().empty());
  EXPECT_TRUE(list.ClassList().empty());
}

TEST(RasterReaders, FailedLoadKeepsThePicture) {
  TTargaGraphic tga;
  // 2 x 1 true colour, bottom-up.
  const char good[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 1, 2, 3, 4, 5, 6};
  tga.LoadFromBytes(QByteArray(good, sizeof good));
  ASSERT_EQ(tga.Width(), 2);
  EXPECT_EQ(tga.Dib().GetColor(1, 0), 0x040506u);
  EXPECT_THROW(tga.LoadFromBytes(QByteArray(good, 20)), EInvalidGraphic);
  EXPECT_EQ(tga.Width(), 2);
  EXPECT_EQ(tga.Dib().GetColor(1, 0), 0x040506u);
}

TEST(RasterReaders, HugeDimensionsAreRefusedBeforeAllocation) {
  TDib dib;
  try {
    AllocateRaster(dib, 1 << 20, 1 << 20, pf32bit, "Test");
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Cannot load image. The Test image is too large.");
  }
  EXPECT_TRUE(dib.Empty());
  EXPECT_THROW(AllocateRaster(dib, 0, 5, pf8bit, "Test"), EInvalidGraphic);
}

TEST(RasterReaders, SharedRoutines) {
  uint16_t shorts[] = {0x1234, 0xABCD};
  SwapShort(shorts, 2);
  EXPECT_EQ(shorts[0], 0x3412);
  EXPECT_EQ(shorts[1], 0xCDAB);
  EXPECT_EQ(SwapLong(0x11223344), 0x44332211u);
  uint8_t row[] = {10, 20, 30, 1, 2, 3, 250, 250, 250};
  Depredict3(row, 2);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 9), (std::vector<uint8_t>{10, 20, 30, 11, 22, 33, 5, 16, 27}));
  EXPECT_EQ(GraphicMessage(gs::kImageNotSupported, gs::kCompression, "PNG"),
            "Cannot load image. The compression scheme is not supported for PNG files.");
}

TEST(RasterReaders, ReadOnlyFormatsRefuseToSave) {
  TTIFFGraphic tiff;
  tiff.SetSize(2, 2);
  try {
    tiff.SaveToBytes();
    ADD_FAILURE();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot save TIF/TIFF images; save the picture as a bitmap.");
  }
}
