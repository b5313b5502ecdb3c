// BMP files come from users' folders and from skins: any bytes must be read
// or refused with EInvalidGraphic, never crash, hang or ask for more memory
// than the limit; a picture that reads must write and read back the same.
#include <cstdint>
#include <cstdlib>

#include "platform/gui/BmpCodec.h"
#include "platform/gui/Graphic.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

void Verify(const TDib& dib) {
  Check(dib.width > 0 && dib.height > 0);
  Check(dib.bits.size() == size_t(dib.stride) * size_t(dib.height));
  Check(dib.stride >= (dib.width * BitsPerPixel(dib.format) + 7) / 8);
  if (IsPaletteFormat(dib.format)) Check(dib.palette.size() <= (size_t(1) << BitsPerPixel(dib.format)));
  const std::vector<uint8_t> written = WriteBmp(dib);
  const TDib back = ReadBmp(written);
  Check(back.width == dib.width && back.height == dib.height);
  for (int y = 0; y < dib.height; ++y)
    for (int x = 0; x < dib.width; ++x) Check(back.GetColor(x, y) == dib.GetColor(x, y));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const BmpLimits limits{1 << 20};
  const std::span<const uint8_t> bytes(data, size);
  try {
    Verify(ReadBmp(bytes, limits));
  } catch (const EInvalidGraphic&) {
  }
  try {
    Verify(ReadDib(bytes, limits));
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
