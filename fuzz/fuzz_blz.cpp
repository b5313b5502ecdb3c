// BLZ pictures come from users' folders and from forms: any bytes must load
// or be refused with EInvalidGraphic, never crash, hang or rebuild more than
// the limit. What loads must write and load back the same in both forms.
#include <cstdint>
#include <cstdlib>

#include "effects/UniBmp.h"
#include "platform/gui/BmpCodec.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

constexpr std::size_t kLimit = std::size_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  std::vector<std::uint8_t> bmp;
  try {
    switch (DetectBlzForm(bytes)) {
      case TBlzForm::bfBlz:
        bmp = DecodeBlz(bytes, kLimit);
        break;
      case TBlzForm::bfBlzBmp:
        bmp = DecodeBlzBmp(bytes, kLimit);
        break;
      case TBlzForm::bfBmp:
        return 0;
    }
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  Check(bmp.size() <= kLimit);
  Check(DecodeBlz(EncodeBlz(bmp), kLimit) == bmp);
  if (bmp.size() >= 54) {
    // The wrapped form keeps the size in the header's reserved fields, which
    // come back as zeros.
    std::vector<std::uint8_t> expected = bmp;
    std::fill_n(expected.begin() + 6, 4, 0);
    try {
      Check(DecodeBlzBmp(EncodeBlzBmp(bmp), kLimit) == expected);
    } catch (const EInvalidGraphic&) {
    }
  }
  try {
    const TDib dib = ReadBmp(bmp, BmpLimits{1 << 20});
    Check(ReadBmp(WriteBmp(dib)).width == dib.width);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
