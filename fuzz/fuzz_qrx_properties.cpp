// The binary properties of the effects objects come from form files: a
// wave's sound, a gradient's colour list, a region's point list, a region
// mask's border pictures and an image list item's strip. Any bytes must read
// or be refused with an exception; what reads must be usable (the region
// builds and paints, the gradient builds its table, the wave passes its
// check, the images draw) and must write and read back the same. The first
// byte picks the property, the second sets a size where one is needed.
#include <cstdint>
#include <cstdlib>

#include "effects/QRXImgList.h"
#include "effects/QRXProps.h"
#include "effects/QRXRegion.h"
#include "effects/QRXWave.h"
#include "platform/gui/Bitmap.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

// Reads the bytes into the named property; false when the object refused them.
template <class Object>
bool ReadProperty(Object& object, const char* name, const std::uint8_t* data, std::size_t size) {
  TQRXBinaryProperties properties;
  properties.values[name].assign(data, data + size);
  try {
    properties.Read(object);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

// Writes the object's property and reads it into a fresh object.
template <class Object>
void ReadBack(Object& object, Object& back, const char* name) {
  TQRXBinaryProperties properties;
  properties.Write(object);
  TQRXBinaryProperties only;
  if (properties.Has(name)) only.values[name] = properties.values[name];
  only.Read(back);
}

void Wave(const std::uint8_t* data, std::size_t size) {
  TQRXWave wave;
  if (!ReadProperty(wave, "Data", data, size) || !wave.Data()) return;
  TQRXWaveInfo info;
  Check(TQRXWave::GetWaveData(*wave.Data(), info));
  Check(std::uint64_t(wave.Data()->Size()) + 4 <= size);
  TQRXWave back;
  ReadBack(wave, back, "Data");
  Check(back.Data() && back.Data()->Size() == wave.Data()->Size());
}

void Gradient(const std::uint8_t* data, std::size_t size, std::uint8_t knob) {
  TQRXGradient gradient;
  gradient.SetTwoColors(false);
  gradient.SetColorCount(2 + knob % 235);
  if (!ReadProperty(gradient, "ColorList", data, size)) return;
  Check(gradient.ColorList().size() == size / 4);
  Check(gradient.ColorTable().size() <= std::size_t(gradient.ColorCount()));
  TQRXGradient back;
  ReadBack(gradient, back, "ColorList");
  Check(back.ColorList() == gradient.ColorList());
}

void PointList(const std::uint8_t* data, std::size_t size, std::uint8_t knob) {
  TQRXRegion region;
  region.SetShape(TQRXRegionShape::rsPointList);
  if (!ReadProperty(region, "PointList", data, size)) return;
  const TRect r{0, 0, 8 + knob % 64, 8 + knob / 4};
  region.UpdateRegion(r);
  TBitmap target;
  target.SetSize(r.Right, r.Bottom);
  PaintRegionBorder(target.Canvas(), r, region);
  TQRXRegion back;
  back.SetShape(TQRXRegionShape::rsPointList);
  ReadBack(region, back, "PointList");
  Check(back.Points().Count() == region.Points().Count());
  Check(back.StoredRegionData() == region.StoredRegionData());
}

void MaskPictures(const std::uint8_t* data, std::size_t size, std::uint8_t knob) {
  static constexpr const char* kNames[] = {"BorderBmp", "BorderUpBmp", "BorderDnBmp"};
  const char* name = kNames[knob % 3];
  TQRXRegionMask mask;
  if (!ReadProperty(mask, name, data, size)) {
    Check(mask.BorderBmp().Empty() && mask.BorderUpBmp().Empty() && mask.BorderDnBmp().Empty());
    return;
  }
  TQRXRegionMask back;
  ReadBack(mask, back, name);
  Check(back.BorderBmp().Width() == mask.BorderBmp().Width());
  Check(back.BorderUpBmp().Height() == mask.BorderUpBmp().Height());
  Check(back.BorderDnBmp().Width() == mask.BorderDnBmp().Width());
}

void ImageStrip(const std::uint8_t* data, std::size_t size, std::uint8_t knob) {
  auto item = TQRXImageListItem::CreateSized(1 + knob % 16, 1 + (knob >> 4) % 8);
  item->SetMasked(knob & 0x80);
  if (!ReadProperty(*item, "Bitmap", data, size)) {
    Check(item->Count() == 0);
    return;
  }
  TBitmap target;
  target.SetSize(item->Width(), item->Height());
  for (int i = 0; i < item->Count() && i < 8; ++i) {
    item->Draw(target.Canvas(), 0, 0, i);
    item->DrawStyled(target.Canvas(), {0, 0, item->Width(), item->Height()}, i, 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::uint8_t pick = data[0], knob = data[1];
  data += 2, size -= 2;
  switch (pick % 5) {
    case 0:
      Wave(data, size);
      break;
    case 1:
      Gradient(data, size, knob);
      break;
    case 2:
      PointList(data, size, knob);
      break;
    case 3:
      MaskPictures(data, size, knob);
      break;
    case 4:
      ImageStrip(data, size, knob);
      break;
  }
  return 0;
}
