// The stored records of the effects library come from form files: list
// records of every container kind (bitmap, image, wave and string items),
// region records and a region mask's properties. Any bytes must load or be
// refused with a stream or graphic error, leaving the target as it was;
// never a crash, a hang or a huge allocation. The first byte picks the
// reader. What loads must write and load back to the same record.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "effects/QRXImgList.h"
#include "effects/QRXRegion.h"
#include "platform/core/Streams.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

void Fill(TMemoryStream& stream, const std::uint8_t* data, std::size_t size) {
  if (size) stream.WriteBuffer(data, std::int64_t(size));
  stream.SetPosition(0);
}

template <class List>
void LoadList(const std::uint8_t* data, std::size_t size, bool skipOffsets) {
  List list;
  TMemoryStream stream;
  Fill(stream, data, size);
  try {
    list.LoadFromStream(stream, skipOffsets);
  } catch (const Exception&) {
    Check(list.Count() == 0);
    return;
  }
  TMemoryStream again;
  list.SaveToStream(again, false);
  again.SetPosition(0);
  List back;
  back.LoadFromStream(again, false);
  Check(back.Count() == list.Count());
}

void LoadRegion(const std::uint8_t* data, std::size_t size) {
  QRegion region;
  if (!RegionFromData({data, size}, region)) return;
  QRegion back;
  Check(RegionFromData(RegionToData(region), back));
  Check(back == region);
}

void LoadMask(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  TQRXRegionMask mask;
  std::int32_t claimed;
  std::memcpy(&claimed, data, 4);
  mask.SetRegionDataSize(claimed);
  TQRXBinaryProperties properties;
  const std::size_t half = (size - 4) / 2;
  properties.values["RegionData"].assign(data + 4, data + 4 + half);
  properties.values["BorderBmp"].assign(data + 4 + half, data + size);
  try {
    properties.Read(mask);
  } catch (const Exception&) {
  }
  Check(mask.RegionData().size() <= half);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::uint8_t pick = data[0];
  ++data, --size;
  switch (pick % 6) {
    case 0:
      LoadList<TQRXBitmapList>(data, size, pick & 0x80);
      break;
    case 1:
      LoadList<TQRXImageList>(data, size, pick & 0x80);
      break;
    case 2:
      LoadList<TQRXWaveList>(data, size, pick & 0x80);
      break;
    case 3:
      LoadList<TQRXStringList>(data, size, pick & 0x80);
      break;
    case 4:
      LoadRegion(data, size);
      break;
    case 5:
      LoadMask(data, size);
      break;
  }
  return 0;
}
