// Dr. Halo CUT: 8-bit run-length rows, coloured by the companion palette
// file when there is one, else a grey ramp.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {

constexpr char kName[] = "CUT";

// The palette file: entry count at offset 12 (less one), entries of three
// 16-bit values from offset 40, none crossing offset 506 of a 512-byte block.
std::vector<TRGBQuad> LoadPalette(const QString& fileName) {
  std::vector<TRGBQuad> grey(256);
  for (int i = 0; i < 256; ++i) grey[size_t(i)] = TRGBQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  if (fileName.isEmpty()) return grey;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return grey;
  const QByteArray data = file.read(512 * 8);
  if (data.size() < 40) return grey;
  auto byte = [&](qsizetype at) { return at < data.size() ? uint8_t(data[at]) : uint8_t(0); };
  const int count = std::min(int(byte(12) | byte(13) << 8) + 1, 256);
  std::vector<TRGBQuad> palette(static_cast<size_t>(count));
  qsizetype at = 40;
  for (int i = 0; i < count; ++i) {
    if (at % 512 + 6 > 506) at = (at / 512 + 1) * 512;
    palette[size_t(i)] = TRGBQuad{byte(at + 4), byte(at + 2), byte(at), 0};
    at += 6;
  }
  return palette;
}

// The palette beside a picture: the same name with ".pal", or on a
// case-sensitive disk any case of it ("PIC.PAL" beside "PIC.CUT"). The exact
// name when none is there, so the caller's message names what it looked for.
QString FindPaletteFile(const QString& pictureFile) {
  const QFileInfo picture(pictureFile);
  const QString wanted = picture.completeBaseName() + ".pal";
  const QString exact = picture.dir().filePath(wanted);
  if (QFileInfo::exists(exact)) return exact;
  for (const QString& name : picture.dir().entryList(QDir::Files | QDir::Hidden)) {
    if (name.compare(wanted, Qt::CaseInsensitive) == 0) return picture.dir().filePath(name);
  }
  return exact;
}

}  // namespace

std::string TCUTGraphic::FormatName() const { return kName; }

void TCUTGraphic::LoadFromFile(const QString& fileName) {
  PaletteFile = FindPaletteFile(fileName);
  TGraphic::LoadFromFile(fileName);
}

void TCUTGraphic::Decode(TPictureReader& in, TDib& dib) {
  const int width = in.U16LE(), height = in.U16LE();
  in.U16LE();
  // Every row holds its length word and end byte; a run makes at most 127
  // pixels of 2 bytes.
  if (uint64_t(height) * 3 > in.Left() || uint64_t(width) * height / 64 > in.Left()) in.Truncated();
  AllocateRaster(dib, width, height, pf8bit, kName);
  dib.palette = LoadPalette(PaletteFile);
  const auto data = in.BytesUpTo(in.Left());
  const uint8_t* source = data.data();
  const uint8_t* end = data.data() + data.size();
  TCUTRLEDecoder decoder;
  for (int y = 0; y < height; ++y) {
    uint8_t* dest = dib.Row(y);
    decoder.Decode(source, dest, int(end - source), width);
  }
}
