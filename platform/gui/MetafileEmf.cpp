// Enhanced metafiles: a header record (the picture's frame in hundredths of
// a millimetre, the reference device's size in pixels and millimetres),
// then records of a type and a byte size, each a multiple of four. Data a
// record points at (strings, bitmaps, advances) is found by offsets from the
// record's start and checked against the record's own size.

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gui/Graphic.h"
#include "platform/gui/MetafileFormats.h"
#include "platform/gui/MetafilePlayer.h"

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kHeaderMinimum = 88;
// Slots a picture may ask for: the header keeps the count in 16 bits.
constexpr uint32_t kMaxHandles = 0xFFFF;
constexpr double kMaxFrame = 2e9;

[[noreturn]] void Refuse(const char* why) { throw EInvalidGraphic(std::string("Invalid metafile: ") + why); }

struct EmfRecord {
  uint32_t type;
  std::span<const uint8_t> bytes;  // the whole record, header included
};

template <class Visit>
void WalkRecords(std::span<const uint8_t> data, Visit&& visit) {
  size_t pos = 0;
  while (pos + 8 <= data.size()) {
    TMetafileReader r(data.subspan(pos, 8));
    const uint32_t type = r.U32();
    const uint32_t size = r.U32();
    if (size < 8 || size % 4 != 0) Refuse("a record has a bad size");
    if (size > data.size() - pos) Refuse("a record runs past the end of the file");
    if (type == 14) return;  // end of file
    visit(EmfRecord{type, data.subspan(pos, size)});
    pos += size;
  }
}

QRectF RectL(TMetafileReader& r) {
  const double left = r.I32(), top = r.I32(), right = r.I32(), bottom = r.I32();
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPointF PointL(TMetafileReader& r) {
  const double x = r.I32();
  const double y = r.I32();
  return {x, y};
}

QPolygonF ReadPoints(TMetafileReader& r, uint32_t count, bool small) {
  QPolygonF points;
  if (!r.Fits(count, small ? 4 : 8)) {
    r.Skip(r.Remaining() + 1);  // marks the record short
    return points;
  }
  points.reserve(qsizetype(count));
  for (uint32_t i = 0; i < count; ++i) {
    if (small) {
      const double x = r.I16();
      const double y = r.I16();
      points.append({x, y});
    } else {
      points.append(PointL(r));
    }
  }
  return points;
}

QTransform XForm(TMetafileReader& r) {
  const double m11 = r.F32(), m12 = r.F32(), m21 = r.F32(), m22 = r.F32(), dx = r.F32(), dy = r.F32();
  return QTransform(m11, m12, m21, m22, dx, dy);
}

// A span `offset`..`offset + size` inside the record, or empty.
std::span<const uint8_t> Inside(const EmfRecord& rec, uint32_t offset, uint32_t size) {
  if (offset > rec.bytes.size() || size > rec.bytes.size() - offset) return {};
  return rec.bytes.subspan(offset, size);
}

QRegion ReadRegionData(TMetafileReader& r, uint32_t size) {
  QRegion region;
  if (size < 32) return region;
  r.Skip(8);  // header size, type
  const uint32_t count = r.U32();
  r.Skip(4 + 16);  // region size, bounds
  if (uint64_t(count) * 16 > size - 32 || !r.Fits(count, 16)) return region;
  for (uint32_t i = 0; i < count; ++i) {
    const QRectF rect = RectL(r).normalized();
    if (!rect.isEmpty()) region += rect.toRect();
  }
  return region;
}

TMetafileBrush DibBrush(const EmfRecord& rec, TMetafileReader& r) {
  r.Skip(4);  // colour usage
  const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32();
  TMetafileBrush brush;
  brush.style = 5;
  brush.color = Qt::gray;
  brush.pattern = MetafileDib(Inside(rec, offBmi, cbBmi), Inside(rec, offBits, cbBits));
  return brush;
}

TMetafileFont ReadFont(TMetafileReader& r) {
  TMetafileFont font;
  font.height = r.I32();
  r.Skip(4);  // width
  font.escapement = r.I32();
  r.Skip(4);  // orientation
  font.weight = r.I32();
  font.italic = r.U8() != 0;
  font.underline = r.U8() != 0;
  font.strikeOut = r.U8() != 0;
  r.Skip(5);
  QString face;
  for (int i = 0; i < 32 && r.Remaining() >= 2; ++i) {
    const char16_t c = r.U16();
    if (c == 0) break;
    face += QChar(c);
  }
  font.face = face;
  return font;
}

void PlayText(const EmfRecord& rec, TMetafileReader& r, TMetafilePlayer& p, bool wide) {
  r.Skip(16 + 4 + 8);  // bounds, graphics mode, scales
  const QPointF reference = PointL(r);
  const uint32_t chars = r.U32();
  const uint32_t offString = r.U32();
  const uint32_t options = r.U32();
  const QRectF rect = RectL(r);
  const uint32_t offDx = r.U32();
  if (!r.Ok()) return;
  const uint64_t textBytes = uint64_t(chars) * (wide ? 2 : 1);
  if (textBytes > rec.bytes.size()) return;
  const auto raw = Inside(rec, offString, uint32_t(textBytes));
  if (raw.size() != textBytes) return;
  QString text;
  if (wide) {
    text.reserve(qsizetype(chars));
    for (uint32_t i = 0; i < chars; ++i) text += QChar(char16_t(raw[2 * i] | (raw[2 * i + 1] << 8)));
  } else {
    text = MetafileAnsiText(raw);
  }
  std::vector<double> dx;
  // With ETO_PDY each character has an x and a y advance.
  const uint32_t perChar = (options & 0x2000) ? 8 : 4;
  if (offDx != 0 && uint64_t(chars) * perChar <= rec.bytes.size()) {
    const auto advances = Inside(rec, offDx, uint32_t(uint64_t(chars) * perChar));
    if (advances.size() == uint64_t(chars) * perChar) {
      TMetafileReader a(advances);
      for (uint32_t i = 0; i < chars; ++i) {
        dx.push_back(a.I32());
        if (perChar == 8) a.Skip(4);
      }
    }
  }
  p.TextOut(reference, text, options, rect, dx);
}

void PlayBlt(const EmfRecord& rec, TMetafileReader& r, TMetafilePlayer& p) {
  r.Skip(16);  // bounds
  if (rec.type == 81) {  // StretchDIBits
    const double xDest = r.I32(), yDest = r.I32(), xSrc = r.I32(), ySrc = r.I32(), cxSrc = r.I32(),
                 cySrc = r.I32();
    const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32();
    r.Skip(4);  // colour usage
    const uint32_t rop = r.U32();
    const double cxDest = r.I32(), cyDest = r.I32();
    if (!r.Ok()) return;
    const QImage image = MetafileDib(Inside(rec, offBmi, cbBmi), Inside(rec, offBits, cbBits));
    // Source rows count from the bottom of the picture.
    const double top = image.height() - ySrc - cySrc;
    p.StretchBlt(QRectF(xDest, yDest, cxDest, cyDest), image, QRectF(xSrc, top, cxSrc, cySrc), rop);
    return;
  }
  if (rec.type == 80) {  // SetDIBitsToDevice
    const double xDest = r.I32(), yDest = r.I32(), xSrc = r.I32(), ySrc = r.I32(), cx = r.I32(), cy = r.I32();
    const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32();
    if (!r.Ok()) return;
    const QImage image = MetafileDib(Inside(rec, offBmi, cbBmi), Inside(rec, offBits, cbBits));
    const double top = image.height() - ySrc - cy;
    p.StretchBlt(QRectF(xDest, yDest, cx, cy), image, QRectF(xSrc, top, cx, cy), 0x00CC0020);
    return;
  }
  // BitBlt (76) and StretchBlt (77).
  const double xDest = r.I32(), yDest = r.I32(), cxDest = r.I32(), cyDest = r.I32();
  const uint32_t rop = r.U32();
  const double xSrc = r.I32(), ySrc = r.I32();
  r.Skip(24 + 4 + 4);  // source transform, background colour, colour usage
  const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32();
  double cxSrc = cxDest, cySrc = cyDest;
  if (rec.type == 77) {
    cxSrc = r.I32();
    cySrc = r.I32();
  }
  if (!r.Ok()) return;
  if (cbBmi == 0) {  // no source: a pattern fill
    p.PatBlt(QRectF(xDest, yDest, cxDest, cyDest), rop);
    return;
  }
  const QImage image = MetafileDib(Inside(rec, offBmi, cbBmi), Inside(rec, offBits, cbBits));
  p.StretchBlt(QRectF(xDest, yDest, cxDest, cyDest), image, QRectF(xSrc, ySrc, cxSrc, cySrc), rop);
}

void PlayRecord(const EmfRecord& rec, TMetafilePlayer& p) {
  TMetafileReader r(rec.bytes);
  r.Skip(8);
  switch (rec.type) {
    case 2: case 3: case 4: case 5: case 6:
    case 85: case 86: case 87: case 88: case 89: {
      const bool small = rec.type >= 85;
      const uint32_t kind = small ? rec.type - 83 : rec.type;
      r.Skip(16);
      const QPolygonF points = ReadPoints(r, r.U32(), small);
      if (!r.Ok()) break;
      switch (kind) {
        case 2: p.PolyBezier(points); break;
        case 3: p.Polygon(points); break;
        case 4: p.Polyline(points); break;
        case 5: p.PolyBezierTo(points); break;
        case 6: p.PolylineTo(points); break;
      }
      break;
    }
    case 7: case 8: case 90: case 91: {
      const bool small = rec.type >= 90;
      r.Skip(16);
      const uint32_t polys = r.U32();
      const uint32_t total = r.U32();
      if (!r.Fits(polys, 4)) break;
      std::vector<uint32_t> counts(polys);
      uint64_t sum = 0;
      for (uint32_t& c : counts) sum += (c = r.U32());
      if (sum != total || !r.Fits(total, small ? 4 : 8)) break;
      std::vector<QPolygonF> shapes;
      for (uint32_t c : counts) shapes.push_back(ReadPoints(r, c, small));
      if (!r.Ok()) break;
      if (rec.type == 7 || rec.type == 90)
        p.PolyPolyline(shapes);
      else
        p.PolyPolygon(shapes);
      break;
    }
    case 9: { const double x = r.I32(), y = r.I32(); if (r.Ok()) p.SetWindowExt(x, y); break; }
    case 10: { const QPointF o = PointL(r); if (r.Ok()) p.SetWindowOrg(o.x(), o.y()); break; }
    case 11: { const double x = r.I32(), y = r.I32(); if (r.Ok()) p.SetViewportExt(x, y); break; }
    case 12: { const QPointF o = PointL(r); if (r.Ok()) p.SetViewportOrg(o.x(), o.y()); break; }
    case 15: {
      const QPointF pt = PointL(r);
      const uint32_t color = r.U32();
      if (r.Ok()) p.SetPixel(pt, color);
      break;
    }
    case 17: p.SetMapMode(int(r.U32())); break;
    case 18: p.SetBkMode(int(r.U32())); break;
    case 19: p.SetPolyFillMode(int(r.U32())); break;
    case 20: p.SetRop2(int(r.U32())); break;
    case 22: p.SetTextAlign(r.U32()); break;
    case 24: p.SetTextColor(r.U32()); break;
    case 25: p.SetBkColor(r.U32()); break;
    case 26: { const QPointF d = PointL(r); if (r.Ok()) p.OffsetClipRgn(d.x(), d.y()); break; }
    case 27: { const QPointF pt = PointL(r); if (r.Ok()) p.MoveTo(pt); break; }
    case 29: { const QRectF b = RectL(r); if (r.Ok()) p.ExcludeClipRect(b); break; }
    case 30: { const QRectF b = RectL(r); if (r.Ok()) p.IntersectClipRect(b); break; }
    case 31:
    case 32: {
      const double xNum = r.I32(), xDenom = r.I32(), yNum = r.I32(), yDenom = r.I32();
      if (!r.Ok()) break;
      if (rec.type == 31)
        p.ScaleViewportExt(xNum, xDenom, yNum, yDenom);
      else
        p.ScaleWindowExt(xNum, xDenom, yNum, yDenom);
      break;
    }
    case 33: p.SaveDC(); break;
    case 34: p.RestoreDC(r.I32()); break;
    case 35: { const QTransform t = XForm(r); if (r.Ok()) p.SetWorldTransform(t); break; }
    case 36: {
      const QTransform t = XForm(r);
      const int mode = int(r.U32());
      if (r.Ok()) p.ModifyWorldTransform(t, mode);
      break;
    }
    case 37: { const uint32_t i = r.U32(); if (r.Ok()) p.SelectObject(i); break; }
    case 38: {
      const uint32_t slot = r.U32();
      TMetafilePen pen;
      pen.style = int(r.U32());
      pen.width = r.I32();
      r.Skip(4);
      pen.color = MetafileColor(r.U32());
      if (r.Ok()) p.SetObject(slot, pen);
      break;
    }
    case 95: {  // extended pen
      const uint32_t slot = r.U32();
      r.Skip(16);  // bitmap offsets and sizes
      const uint32_t style = r.U32();
      TMetafilePen pen;
      pen.width = r.U32();
      r.Skip(4);  // brush style
      pen.color = MetafileColor(r.U32());
      pen.style = int(style & 0x0F);
      pen.cap = (style & 0xF00) == 0x100 ? 1 : (style & 0xF00) == 0x200 ? 2 : 0;
      pen.join = (style & 0xF000) == 0x1000 ? 1 : (style & 0xF000) == 0x2000 ? 2 : 0;
      if (!(style & 0x10000)) pen.width = 0;  // a cosmetic pen is one pixel wide
      if (r.Ok()) p.SetObject(slot, pen);
      break;
    }
    case 39: {
      const uint32_t slot = r.U32();
      TMetafileBrush brush;
      brush.style = int(r.U32());
      brush.color = MetafileColor(r.U32());
      brush.hatch = int(r.U32());
      if (r.Ok()) p.SetObject(slot, brush);
      break;
    }
    case 93:
    case 94: {
      const uint32_t slot = r.U32();
      if (r.Ok()) p.SetObject(slot, DibBrush(rec, r));
      break;
    }
    case 82: {
      const uint32_t slot = r.U32();
      const TMetafileFont font = ReadFont(r);
      if (r.Ok()) p.SetObject(slot, font);
      break;
    }
    case 49: { const uint32_t slot = r.U32(); if (r.Ok()) p.SetObject(slot, TMetafileOtherObject{}); break; }
    case 40: { const uint32_t i = r.U32(); if (r.Ok()) p.DeleteObject(i); break; }
    case 42: { const QRectF b = RectL(r); if (r.Ok()) p.Ellipse(b); break; }
    case 43: { const QRectF b = RectL(r); if (r.Ok()) p.Rectangle(b); break; }
    case 44: {
      const QRectF b = RectL(r);
      const double w = r.I32(), h = r.I32();
      if (r.Ok()) p.RoundRect(b, w, h);
      break;
    }
    case 45: case 46: case 47: case 55: {
      const QRectF b = RectL(r);
      const QPointF start = PointL(r), end = PointL(r);
      if (!r.Ok()) break;
      using K = TMetafilePlayer::ArcKind;
      p.Arc(rec.type == 45 ? K::Arc : rec.type == 46 ? K::Chord : rec.type == 47 ? K::Pie : K::ArcTo, b, start, end);
      break;
    }
    case 54: { const QPointF pt = PointL(r); if (r.Ok()) p.LineTo(pt); break; }
    case 59: p.BeginPath(); break;
    case 60: p.EndPath(); break;
    case 61: p.CloseFigure(); break;
    case 62: p.FillPath(); break;
    case 63: p.StrokeAndFillPath(); break;
    case 64: p.StrokePath(); break;
    case 67: p.SelectClipPath(TClipMode(std::clamp<uint32_t>(r.U32(), 1, 5))); break;
    case 68: p.AbortPath(); break;
    case 71: {  // FillRgn
      r.Skip(16);
      const uint32_t size = r.U32();
      const uint32_t brush = r.U32();
      if (!r.Ok() || size > r.Remaining()) break;
      p.FillDeviceRegion(ReadRegionData(r, size), brush);
      break;
    }
    case 75: {  // ExtSelectClipRgn
      const uint32_t size = r.U32();
      const uint32_t mode = std::clamp<uint32_t>(r.U32(), 1, 5);
      if (!r.Ok()) break;
      if (size == 0) {
        p.SelectClipRegion(nullptr, TClipMode(mode));
        break;
      }
      if (size > r.Remaining()) break;
      const QRegion region = ReadRegionData(r, size);
      p.SelectClipRegion(&region, TClipMode(mode));
      break;
    }
    case 76: case 77: case 80: case 81: PlayBlt(rec, r, p); break;
    case 83: PlayText(rec, r, p, false); break;
    case 84: PlayText(rec, r, p, true); break;
    default: break;  // comments, palettes, colour management: nothing to draw
  }
}

}  // namespace

bool LooksLikeEmf(std::span<const uint8_t> data) {
  if (data.size() < kHeaderMinimum) return false;
  TMetafileReader r(data);
  if (r.U32() != 1) return false;
  r.Seek(40);
  return r.U32() == kEmfSignature;
}

TMetafileInfo ReadEmfInfo(std::span<const uint8_t> data) {
  if (!LooksLikeEmf(data)) Refuse("not an enhanced metafile");
  TMetafileReader r(data);
  r.Skip(4);
  const uint32_t headerSize = r.U32();
  if (headerSize < kHeaderMinimum || headerSize > data.size()) Refuse("bad header size");
  r.Skip(16);  // bounds in device pixels
  const QRectF frame = RectL(r);
  r.Skip(4 + 4 + 4 + 4);  // signature, version, bytes, records
  const uint32_t handles = r.U16();
  r.Skip(2 + 4 + 4 + 4);  // reserved, description, palette entries
  const double deviceX = r.I32(), deviceY = r.I32(), mmX = r.I32(), mmY = r.I32();

  TMetafileInfo info;
  info.enhanced = true;
  info.frame = frame.normalized();
  if (info.frame.isEmpty()) Refuse("the picture has no size");
  // A frame of more than 20 km is no picture anybody drew, and its size in
  // hundredths of a millimetre would not fit the size fields.
  if (info.frame.width() > kMaxFrame || info.frame.height() > kMaxFrame) Refuse("the picture is too large");
  if (handles > kMaxHandles) Refuse("too many objects");
  info.objectCount = handles;
  if (deviceX > 0 && deviceY > 0 && mmX > 0 && mmY > 0) {
    info.devicePixelsPerMmX = deviceX / mmX;
    info.devicePixelsPerMmY = deviceY / mmY;
  }
  info.mmWidth = int(info.frame.width());
  info.mmHeight = int(info.frame.height());
  info.width = std::max(1, int(std::lround(info.frame.width() * 96 / 2540)));
  info.height = std::max(1, int(std::lround(info.frame.height() * 96 / 2540)));
  info.firstRecord = 0;
  WalkRecords(data, [](const EmfRecord&) {});
  return info;
}

void PlayEmf(std::span<const uint8_t> data, const TMetafileInfo& info, QPainter& painter, const QRectF& target) {
  // The frame, in reference-device pixels, is mapped onto the target.
  const double fx = info.frame.left() / 100 * info.devicePixelsPerMmX;
  const double fy = info.frame.top() / 100 * info.devicePixelsPerMmY;
  const double fw = info.frame.width() / 100 * info.devicePixelsPerMmX;
  const double fh = info.frame.height() / 100 * info.devicePixelsPerMmY;
  if (fw <= 0 || fh <= 0) return;
  QTransform output = QTransform::fromTranslate(-fx, -fy);
  output *= QTransform::fromScale(target.width() / fw, target.height() / fh);
  output *= QTransform::fromTranslate(target.left(), target.top());
  TMetafilePlayer player(painter, output);
  player.SetDeviceResolution(info.devicePixelsPerMmX, info.devicePixelsPerMmY);
  player.SetObjectTableSize(info.objectCount);
  WalkRecords(data, [&](const EmfRecord& rec) {
    if (rec.type != 1) PlayRecord(rec, player);
  });
}
