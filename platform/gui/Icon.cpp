// Icon files: a directory of entries, each a DIB of twice the icon's height
// (colours, then a one-bit transparency mask) or a PNG.

#include "platform/gui/Icon.h"

#include <span>

#include "platform/gui/BmpCodec.h"
#include "platform/gui/Canvas.h"

namespace {

[[noreturn]] void Fail(const char* why) {
  throw EInvalidGraphic(std::string("Icon image is not valid: ") + why);
}

uint32_t U32(const QByteArray& d, qsizetype at) {
  if (at < 0 || at + 4 > d.size()) Fail("truncated");
  const auto* p = reinterpret_cast<const uint8_t*>(d.constData() + at);
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t U16(const QByteArray& d, qsizetype at) {
  if (at < 0 || at + 2 > d.size()) Fail("truncated");
  return uint16_t(uint8_t(d[at]) | (uint8_t(d[at + 1]) << 8));
}

QImage DecodeDibEntry(QByteArray entry) {
  const uint32_t headerSize = U32(entry, 0);
  if (headerSize < 40) Fail("unsupported entry header");
  const int32_t width = int32_t(U32(entry, 4));
  const int32_t doubled = int32_t(U32(entry, 8));
  const int bpp = U16(entry, 14);
  if (width <= 0 || width > 1024 || doubled <= 0 || doubled > 2048) Fail("bad entry size");
  const int height = doubled / 2;
  // The colour part is a DIB of half the stored height.
  entry[8] = char(height & 0xFF), entry[9] = char((height >> 8) & 0xFF), entry[10] = 0, entry[11] = 0;
  const TDib dib =
      ReadDib(std::span(reinterpret_cast<const uint8_t*>(entry.constData()), size_t(entry.size())));
  QImage image(width, height, QImage::Format_ARGB32);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = dib.GetColor(x, y);
      const uint32_t a = bpp == 32 ? (dib.GetRaw(x, y) >> 24) : 0xFF;
      anyAlpha |= bpp == 32 && a != 0;
      image.setPixel(x, y, qRgba(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF), int(a)));
    }
  if (bpp == 32 && anyAlpha) return image;
  // Otherwise the AND mask after the colour bits says what is transparent.
  uint32_t colours = headerSize >= 36 ? U32(entry, 32) : 0;
  if (bpp <= 8 && colours == 0) colours = 1u << bpp;
  if (bpp > 8) colours = 0;
  const qsizetype xorStride = ((qsizetype(width) * bpp + 31) / 32) * 4;
  const qsizetype maskAt = headerSize + colours * 4 + xorStride * height;
  const qsizetype maskStride = ((width + 31) / 32) * 4;
  const bool haveMask = maskAt + maskStride * height <= entry.size();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool transparent = false;
      if (haveMask) {
        const uint8_t bits = uint8_t(entry[maskAt + maskStride * (height - 1 - y) + x / 8]);
        transparent = (bits >> (7 - x % 8)) & 1;
      }
      const QRgb p = image.pixel(x, y);
      image.setPixel(x, y, transparent ? qRgba(0, 0, 0, 0) : (p | 0xFF000000u));
    }
  return image;
}

}  // namespace

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::SetImage(const QImage& image) {
  image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
  Changed();
}

void TIcon::LoadFromBytes(const QByteArray& data) {
  if (U16(data, 0) != 0 || (U16(data, 2) != 1 && U16(data, 2) != 2)) Fail("not an icon file");
  const int count = U16(data, 4);
  if (count == 0) Fail("no images");
  int best = -1;
  long long bestArea = -1;
  int bestBits = -1;
  for (int i = 0; i < count; ++i) {
    const qsizetype e = 6 + qsizetype(i) * 16;
    if (e + 16 > data.size()) Fail("truncated directory");
    const int w = uint8_t(data[e]) ? uint8_t(data[e]) : 256;
    const int h = uint8_t(data[e + 1]) ? uint8_t(data[e + 1]) : 256;
    const int bits = U16(data, e + 6);
    if (w * h > bestArea || (w * h == bestArea && bits > bestBits))
      best = i, bestArea = w * h, bestBits = bits;
  }
  const qsizetype e = 6 + qsizetype(best) * 16;
  const uint32_t size = U32(data, e + 8), offset = U32(data, e + 12);
  if (offset > uint64_t(data.size()) || size > uint64_t(data.size()) - offset || size < 8)
    Fail("entry outside the file");
  const QByteArray entry = data.mid(offset, size);
  QImage image;
  if (entry.startsWith("\x89PNG")) {
    image = QImage::fromData(entry, "PNG");
    if (image.isNull() || image.width() > 1024 || image.height() > 1024) Fail("bad PNG entry");
  } else {
    image = DecodeDibEntry(entry);
  }
  SetImage(image);
}

QByteArray TIcon::SaveToBytes() const {
  if (image_.isNull()) throw EInvalidGraphicOperation("Cannot save an empty icon");
  const int w = image_.width(), h = image_.height();
  QByteArray out;
  auto u16 = [&](int v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
  auto u32 = [&](uint32_t v) { u16(int(v & 0xFFFF)), u16(int(v >> 16)); };
  const qsizetype maskStride = ((w + 31) / 32) * 4;
  const uint32_t entrySize = uint32_t(40 + w * h * 4 + maskStride * h);
  u16(0), u16(1), u16(1);
  out.append(char(w >= 256 ? 0 : w)).append(char(h >= 256 ? 0 : h)).append(char(0)).append(char(0));
  u16(1), u16(32), u32(entrySize), u32(22);
  u32(40), u32(uint32_t(w)), u32(uint32_t(2 * h)), u16(1), u16(32), u32(0), u32(uint32_t(w * h * 4)), u32(0),
      u32(0), u32(0), u32(0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) u32(image_.pixel(x, y));
  for (int y = h - 1; y >= 0; --y) {
    QByteArray row(maskStride, '\0');
    for (int x = 0; x < w; ++x)
      if (qAlpha(image_.pixel(x, y)) == 0) row[x / 8] = char(uint8_t(row[x / 8]) | (0x80 >> (x % 8)));
    out.append(row);
  }
  return out;
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
  if (image_.isNull() || rect.IsEmpty()) return;
  QImage image = image_;
  if (image.size() != QSize(rect.Width(), rect.Height()))
    image = image.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  canvas.DrawImage(QPoint(rect.Left, rect.Top), image, std::nullopt, true);
}
