// Autodesk Animator CEL and PIC: 8 bits per pixel with a 6-bit palette.

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

std::string TAutodeskGraphic::FormatName() const { return "Autodesk"; }

void TAutodeskGraphic::Decode(TPictureReader& in, TDib& dib) {
  if (in.U16LE() != 0x9119) RaiseInvalidImage("Autodesk");
  const auto header = in.Bytes(30);
  const int width = header[0] | header[1] << 8, height = header[2] | header[3] << 8;
  const auto map = in.Bytes(768);
  if (uint64_t(width) * uint64_t(height) > in.Left()) in.Truncated();
  AllocateRaster(dib, width, height, pf8bit, "Autodesk");
  dib.palette.resize(256);
  for (size_t i = 0; i < 256; ++i)
    dib.palette[i] =
        TRGBQuad{uint8_t(map[i * 3 + 2] * 4), uint8_t(map[i * 3 + 1] * 4), uint8_t(map[i * 3] * 4), 0};
  for (int y = 0; y < height; ++y) in.Read(dib.Row(y), size_t(width));
}
