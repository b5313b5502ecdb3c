// Portable bitmaps, grey maps and pixel maps, plain and raw. Samples are
// scaled by the file's maximum, so maps of any depth up to 16 bits show
// their true levels.

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {

constexpr char kName[] = "PBM, PGM or PPM";

class PnmText {
 public:
  explicit PnmText(TPictureReader& in) : in_(in) {}

  int GetChar() {
    if (in_.AtEnd()) throw EInvalidGraphic(GraphicMessage(gs::kStreamReadError, "PPM"));
    return in_.U8();
  }

  std::string ReadLine() {
    std::string line;
    while (!in_.AtEnd()) {
      const int c = GetChar();
      if (c == '\n') break;
      if (c == '\r') {
        if (in_.Peek() == '\n') GetChar();
        break;
      }
      line += char(c);
    }
    return line;
  }

  // Skips to the first digit (a "#" starts a comment to the end of its
  // line), reads the digits and consumes the character after them.
  int GetDigit() {
    int c = GetChar();
    while (c < '0' || c > '9') {
      if (c == '#')
        while (c != '\n' && c != '\r') c = GetChar();
      c = GetChar();
    }
    return c - '0';
  }

  uint32_t GetNumber() {
    int c = GetChar();
    for (;;) {
      if (c == '#') {
        while (c != '\n' && c != '\r') c = GetChar();
      } else if (c >= '0' && c <= '9') {
        break;
      }
      c = GetChar();
    }
    uint64_t value = 0;
    while (c >= '0' && c <= '9') {
      value = std::min<uint64_t>(value * 10 + uint64_t(c - '0'), 0xFFFFFFFF);
      if (in_.AtEnd()) break;
      c = GetChar();
    }
    return uint32_t(value);
  }

 private:
  TPictureReader& in_;
};

}  // namespace

std::string TPPMGraphic::FormatName() const { return kName; }

void TPPMGraphic::Decode(TPictureReader& in, TDib& dib) {
  PnmText text(in);
  const std::string magic = in.AtEnd() ? std::string() : text.ReadLine();
  if (magic.size() < 2 || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') RaiseInvalidImage(kName);
  const int kind = magic[1] - '0';
  const uint32_t width = text.GetNumber();
  const uint32_t height = text.GetNumber();
  const bool bits = kind == 1 || kind == 4;
  const uint32_t maximum = bits ? 1 : text.GetNumber();
  if (maximum == 0 || maximum > 65535) RaiseInvalidImage(kName);
  const size_t channels = (kind == 3 || kind == 6) ? 3 : 1;
  const size_t sampleBytes = maximum > 255 ? 2 : 1;
  // Every sample needs at least one byte of the file, plain or raw.
  const uint64_t samples = uint64_t(width) * height * channels;
  if (kind == 4 ? (uint64_t(width) + 7) / 8 * height > in.Left()
                : samples * (kind >= 4 ? sampleBytes : 1) > in.Left())
    throw EInvalidGraphic(GraphicMessage(gs::kStreamReadError, "PPM"));

  TColorManager& cm = ColorManager();
  const TPixelFormat format = bits ? pf1bit : channels == 3 ? pf24bit : pf8bit;
  AllocateRaster(dib, width, height, format, kName);
  cm.SetTargetSamplesPerPixel(1);
  cm.SetTargetBitsPerSample(bits ? 1 : 8);
  if (channels == 1) dib.palette = cm.CreateGrayscalePalette(bits);

  auto sample = [&]() -> uint32_t {
    uint32_t v;
    if (kind <= 3) {
      v = text.GetNumber();
    } else if (sampleBytes == 2) {
      v = uint32_t(in.U8()) << 8;
      v |= in.U8();
    } else {
      v = in.U8();
    }
    return std::min(v, maximum) * 255 / maximum;
  };
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = dib.Row(int(y));
    if (kind == 4) {
      in.Read(row, (width + 7) / 8);
    } else if (kind == 1) {
      // Plain bitmaps may run their digits together ("0110"): one digit
      // is one pixel.
      for (uint32_t x = 0; x < width; ++x)
        if (text.GetDigit() & 1) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
    } else if (channels == 1) {
      for (uint32_t x = 0; x < width; ++x) row[x] = uint8_t(sample());
    } else {
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t r = uint8_t(sample()), g = uint8_t(sample()), b = uint8_t(sample());
        row[x * 3] = b, row[x * 3 + 1] = g, row[x * 3 + 2] = r;
      }
    }
  }
}
