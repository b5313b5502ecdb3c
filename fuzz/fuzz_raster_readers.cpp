// Picture files come from users' folders: any bytes must be read or refused
// with EInvalidGraphic by every reader, never crash, hang or allocate past
// the readers' limit. The first byte chooses the reader; the rest is the
// file.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "pictures/GraphicCompression.h"
#include "pictures/RasterReaders.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

std::unique_ptr<TRasterGraphic> Reader(uint8_t choice) {
  switch (choice % 13) {
    case 0:
      return std::make_unique<TTIFFGraphic>();
    case 1:
      return std::make_unique<TTargaGraphic>();
    case 2:
      return std::make_unique<TPNGGraphic>();
    case 3:
      return std::make_unique<TSGIGraphic>();
    case 4:
      return std::make_unique<TPCXGraphic>();
    case 5: {
      auto pcd = std::make_unique<TPCDGraphic>();
      pcd->Resolution = choice / 13 % 3;
      return pcd;
    }
    case 6:
      return std::make_unique<TAutodeskGraphic>();
    case 7:
      return std::make_unique<TPSDGraphic>();
    case 8:
      return std::make_unique<TPSPGraphic>();
    case 9:
      return std::make_unique<TRLAGraphic>();
    case 10:
      return std::make_unique<TCUTGraphic>();
    case 11:
      return std::make_unique<TPPMGraphic>();
    default:
      return nullptr;
  }
}

// The decoders on their own, with the room the data asks for capped.
void Decoders(const uint8_t* data, size_t size) {
  if (size < 3) return;
  const int room = (data[1] << 8 | data[2]) & 0x3FFF;
  std::vector<uint8_t> out(size_t(room) + 1);
  std::unique_ptr<TDecoder> d;
  switch (data[0] % 9) {
    case 0:
      d = std::make_unique<TPackbitsRLEDecoder>();
      break;
    case 1:
      d = std::make_unique<TPCXRLEDecoder>();
      break;
    case 2:
      d = std::make_unique<TSGIRLEDecoder>(1 + data[0] / 9 % 2);
      break;
    case 3:
      d = std::make_unique<TCUTRLEDecoder>();
      break;
    case 4:
      d = std::make_unique<TPSPRLEDecoder>();
      break;
    case 5:
      d = std::make_unique<TRLADecoder>();
      break;
    case 6:
      d = std::make_unique<TCCITTFax3Decoder>(data[0] & 0x80, room / 8 + 1);
      break;
    case 7:
      d = std::make_unique<TCCITTMHDecoder>(data[0] & 0x80, room / 8 + 1);
      break;
    default:
      d = std::make_unique<TTargaRLEDecoder>(8 * (1 + data[0] / 9 % 4));
      break;
  }
  const uint8_t* source = data + 3;
  uint8_t* dest = out.data();
  // Targa counts pixels: give it room for the widest.
  const int unpacked = data[0] % 9 == 8 ? room / 4 : room;
  d->Decode(source, dest, int(size - 3), unpacked);
  Check(source >= data + 3 && source <= data + size);
  Check(dest >= out.data() && dest <= out.data() + out.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::unique_ptr<TRasterGraphic> reader = Reader(data[0]);
  if (!reader) {
    Decoders(data + 1, size - 1);
    return 0;
  }
  try {
    reader->LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    const TDib& dib = reader->Dib();
    Check(dib.width > 0 && dib.height > 0);
    Check(dib.bits.size() == size_t(dib.stride) * size_t(dib.height));
    Check(dib.bits.size() <= size_t(kMaxRasterBytes));
    if (IsPaletteFormat(dib.format)) Check(dib.palette.size() <= (size_t(1) << BitsPerPixel(dib.format)));
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
