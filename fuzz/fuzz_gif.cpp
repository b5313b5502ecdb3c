// GIF pictures come from users' folders, forms and the clipboard: any bytes
// must load or be refused with EInvalidGraphic, never crash, hang or ask for
// more memory than the limit; a picture that loads must render, and what we
// write of it must load again.
#include <cstdint>
#include <cstdlib>

#include "pictures/GifImage.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GifSettings().MaxPixels = 1 << 16;
  TGIFImage image;
  try {
    image.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  for (int i = 0; i < image.Images().Count(); ++i) {
    TGIFSubImage& frame = image.Images()[i];
    Check(frame.DataSize() == size_t(frame.Width()) * size_t(frame.Height()) || frame.DataSize() == 0);
    TBitmap* bitmap = frame.Bitmap();
    if (bitmap) Check(bitmap->Width() == frame.Width() && bitmap->Height() == frame.Height());
  }
  QByteArray written;
  try {
    written = image.SaveToBytes();
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  TGIFImage back;
  back.LoadFromBytes(written);
  return 0;
}
