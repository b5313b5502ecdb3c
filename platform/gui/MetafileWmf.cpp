// Windows metafiles: a placeable header (the picture's box and its units
// per inch) or none, the metafile header, then records of a size in words
// and a function number. Parameters of the 16-bit records come in reverse
// order of the host's call (y before x, bottom before top).

#include <QPainter>
#include <algorithm>
#include <vector>

#include "platform/gui/Graphic.h"
#include "platform/gui/MetafileFormats.h"
#include "platform/gui/MetafilePlayer.h"

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;

[[noreturn]] void Refuse(const char* why) { throw EInvalidGraphic(std::string("Invalid metafile: ") + why); }

struct WmfRecord {
  uint16_t function;
  std::span<const uint8_t> params;
};

// Calls `visit` for every record up to the end record; refuses a record
// whose size is below its own header or runs past the data.
template <class Visit>
void WalkRecords(std::span<const uint8_t> data, size_t first, Visit&& visit) {
  size_t pos = first;
  while (pos + 6 <= data.size()) {
    TMetafileReader r(data.subspan(pos, 6));
    const uint64_t words = r.U32();
    const uint16_t function = r.U16();
    if (words < 3) Refuse("a record is shorter than its header");
    if (words * 2 > data.size() - pos) Refuse("a record runs past the end of the file");
    if (function == 0) return;
    visit(WmfRecord{function, data.subspan(pos + 6, size_t(words * 2 - 6))});
    pos += size_t(words * 2);
  }
}

QRectF Box(TMetafileReader& r) {
  const double bottom = r.I16(), right = r.I16(), top = r.I16(), left = r.I16();
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPointF PointYX(TMetafileReader& r) {
  const double y = r.I16();
  const double x = r.I16();
  return {x, y};
}

QPolygonF Points(TMetafileReader& r, int count) {
  QPolygonF points;
  if (count <= 0 || !r.Fits(uint64_t(count), 4)) return points;
  points.reserve(count);
  for (int i = 0; i < count; ++i) {
    const double x = r.I16();
    const double y = r.I16();
    points.append(QPointF(x, y));
  }
  return points;
}

// A DIB in a record: header and colours, then the pixels, all to the end.
QImage RecordDib(TMetafileReader& r) {
  const auto rest = r.Bytes(r.Remaining());
  return MetafileDib(rest, {});
}

TMetafileRegion ReadRegion(TMetafileReader& r) {
  r.Skip(2 + 2 + 4 + 2);  // next in chain, type, object count, size
  const int scans = r.I16();
  r.Skip(2);  // max scan
  const QRectF bounds = Box(r);
  QRegion region;
  bool ok = true;
  for (int i = 0; i < scans && ok; ++i) {
    const int count = r.U16();
    const int top = r.I16(), bottom = r.I16();
    if (!r.Fits(uint64_t(count), 2)) {
      ok = false;
      break;
    }
    for (int k = 0; k + 1 < count; k += 2) {
      const int left = r.I16(), right = r.I16();
      if (right > left && bottom > top) region += QRect(left, top, right - left, bottom - top);
    }
    r.Skip(2);  // the count again
    ok = r.Ok();
  }
  // Bounds alone where the scans cannot be read.
  const QRectF b = bounds.normalized();
  if (!ok || region.isEmpty()) region = QRegion(b.toRect());
  return {region};
}

void PlayRecord(const WmfRecord& rec, TMetafilePlayer& p) {
  TMetafileReader r(rec.params);
  switch (rec.function) {
    case 0x0201: p.SetBkColor(r.U32()); break;
    case 0x0102: p.SetBkMode(r.U16()); break;
    case 0x0103: p.SetMapMode(r.U16()); break;
    case 0x0104: p.SetRop2(r.U16()); break;
    case 0x0106: p.SetPolyFillMode(r.U16()); break;
    case 0x0209: p.SetTextColor(r.U32()); break;
    case 0x012E: p.SetTextAlign(r.U16()); break;
    case 0x020B: { const QPointF o = PointYX(r); if (r.Ok()) p.SetWindowOrg(o.x(), o.y()); break; }
    case 0x020C: { const QPointF e = PointYX(r); if (r.Ok()) p.SetWindowExt(e.x(), e.y()); break; }
    case 0x020D: { const QPointF o = PointYX(r); if (r.Ok()) p.SetViewportOrg(o.x(), o.y()); break; }
    case 0x020E: { const QPointF e = PointYX(r); if (r.Ok()) p.SetViewportExt(e.x(), e.y()); break; }
    case 0x020F: { const QPointF d = PointYX(r); if (r.Ok()) p.OffsetWindowOrg(d.x(), d.y()); break; }
    case 0x0211: { const QPointF d = PointYX(r); if (r.Ok()) p.OffsetViewportOrg(d.x(), d.y()); break; }
    case 0x0410:
    case 0x0412: {
      const double yDenom = r.I16(), yNum = r.I16(), xDenom = r.I16(), xNum = r.I16();
      if (!r.Ok()) break;
      if (rec.function == 0x0410)
        p.ScaleWindowExt(xNum, xDenom, yNum, yDenom);
      else
        p.ScaleViewportExt(xNum, xDenom, yNum, yDenom);
      break;
    }
    case 0x0214: { const QPointF pt = PointYX(r); if (r.Ok()) p.MoveTo(pt); break; }
    case 0x0213: { const QPointF pt = PointYX(r); if (r.Ok()) p.LineTo(pt); break; }
    case 0x0415: { const QRectF b = Box(r); if (r.Ok()) p.ExcludeClipRect(b); break; }
    case 0x0416: { const QRectF b = Box(r); if (r.Ok()) p.IntersectClipRect(b); break; }
    case 0x0220: { const QPointF d = PointYX(r); if (r.Ok()) p.OffsetClipRgn(d.x(), d.y()); break; }
    case 0x041B: { const QRectF b = Box(r); if (r.Ok()) p.Rectangle(b); break; }
    case 0x0418: { const QRectF b = Box(r); if (r.Ok()) p.Ellipse(b); break; }
    case 0x061C: {
      const double h = r.I16(), w = r.I16();
      const QRectF b = Box(r);
      if (r.Ok()) p.RoundRect(b, w, h);
      break;
    }
    case 0x0817:
    case 0x0830:
    case 0x081A: {
      const QPointF end = PointYX(r), start = PointYX(r);
      const QRectF b = Box(r);
      if (!r.Ok()) break;
      const auto kind = rec.function == 0x0817   ? TMetafilePlayer::ArcKind::Arc
                        : rec.function == 0x0830 ? TMetafilePlayer::ArcKind::Chord
                                                 : TMetafilePlayer::ArcKind::Pie;
      p.Arc(kind, b, start, end);
      break;
    }
    case 0x041F: {
      const uint32_t color = r.U32();
      const QPointF pt = PointYX(r);
      if (r.Ok()) p.SetPixel(pt, color);
      break;
    }
    case 0x061D: {
      const uint32_t rop = r.U32();
      const double h = r.I16(), w = r.I16();
      const QPointF at = PointYX(r);
      if (r.Ok()) p.PatBlt(QRectF(at, QSizeF(w, h)), rop);
      break;
    }
    case 0x0324:
    case 0x0325: {
      const QPolygonF points = Points(r, r.I16());
      if (!r.Ok()) break;
      if (rec.function == 0x0324)
        p.Polygon(points);
      else
        p.Polyline(points);
      break;
    }
    case 0x0538: {
      const int count = r.U16();
      if (!r.Fits(uint64_t(count), 2)) break;
      std::vector<int> sizes(static_cast<size_t>(count));
      for (int& s : sizes) s = r.U16();
      std::vector<QPolygonF> polygons;
      for (int s : sizes) {
        if (!r.Fits(uint64_t(s), 4)) return;
        polygons.push_back(Points(r, s));
      }
      p.PolyPolygon(polygons);
      break;
    }
    case 0x001E: p.SaveDC(); break;
    case 0x0127: p.RestoreDC(r.I16()); break;
    case 0x012D: { const uint16_t i = r.U16(); if (r.Ok()) p.SelectObject(i); break; }
    case 0x01F0: { const uint16_t i = r.U16(); if (r.Ok()) p.DeleteObject(i); break; }
    case 0x012C: { const uint16_t i = r.U16(); if (r.Ok()) p.SelectClipObject(i); break; }
    case 0x02FA: {
      TMetafilePen pen;
      pen.style = r.U16();
      pen.width = r.I16();
      r.Skip(2);
      pen.color = MetafileColor(r.U32());
      pen.cap = (pen.style >> 8) & 0x0F;
      pen.join = (pen.style >> 12) & 0x0F;
      if (r.Ok()) p.AddObject(pen);
      else p.AddObject(TMetafileOtherObject{});
      break;
    }
    case 0x02FC: {
      TMetafileBrush brush;
      brush.style = r.U16();
      brush.color = MetafileColor(r.U32());
      brush.hatch = r.U16();
      p.AddObject(brush);
      break;
    }
    case 0x0142: {  // pattern brush from a DIB
      r.Skip(4);  // style, colour usage
      TMetafileBrush brush;
      brush.style = 5;
      brush.pattern = RecordDib(r);
      brush.color = Qt::gray;
      p.AddObject(brush);
      break;
    }
    case 0x02FB: {
      TMetafileFont font;
      font.height = r.I16();
      r.Skip(2);  // width
      font.escapement = r.I16();
      r.Skip(2);  // orientation
      font.weight = r.I16();
      font.italic = r.U8() != 0;
      font.underline = r.U8() != 0;
      font.strikeOut = r.U8() != 0;
      r.Skip(5);  // character set, precisions, quality, pitch and family
      font.face = MetafileAnsiText(r.Bytes(std::min<size_t>(32, r.Remaining())));
      p.AddObject(font);
      break;
    }
    case 0x06FF: p.AddObject(ReadRegion(r)); break;
    case 0x00F7:
    case 0x01F9: p.AddObject(TMetafileOtherObject{}); break;
    case 0x0228: {
      const uint16_t region = r.U16(), brush = r.U16();
      if (r.Ok()) p.FillRegion(region, brush);
      break;
    }
    case 0x0429: {
      const uint16_t region = r.U16(), brush = r.U16();
      const double h = r.I16(), w = r.I16();
      if (r.Ok()) p.FrameRegion(region, brush, w, h);
      break;
    }
    case 0x012B: { const uint16_t region = r.U16(); if (r.Ok()) p.PaintRegion(region); break; }
    case 0x0521: {
      const int count = r.I16();
      if (count < 0) break;
      const auto text = r.Bytes(size_t(count));
      r.Skip(size_t(count) & 1);
      const QPointF at = PointYX(r);
      if (r.Ok()) p.TextOut(at, MetafileAnsiText(text));
      break;
    }
    case 0x0A32: {
      const QPointF at = PointYX(r);
      const int count = r.I16();
      const uint16_t options = r.U16();
      QRectF rect;
      if (options & 6) {
        const double left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
        rect = QRectF(QPointF(left, top), QPointF(right, bottom));
      }
      if (!r.Ok() || count < 0) break;
      const auto text = r.Bytes(size_t(count));
      if (!r.Ok()) break;
      r.Skip(size_t(count) & 1);
      std::vector<double> dx;
      if (r.Ok() && r.Fits(uint64_t(count), 2) && count > 0) {
        for (int i = 0; i < count; ++i) dx.push_back(r.I16());
      }
      p.TextOut(at, MetafileAnsiText(text), options, rect, dx);
      break;
    }
    case 0x0F43: {  // StretchDIB
      const uint32_t rop = r.U32();
      r.Skip(2);  // colour usage
      const double srcH = r.I16(), srcW = r.I16(), srcY = r.I16(), srcX = r.I16();
      const double dstH = r.I16(), dstW = r.I16(), dstY = r.I16(), dstX = r.I16();
      if (!r.Ok()) break;
      const QImage image = RecordDib(r);
      p.StretchBlt(QRectF(dstX, dstY, dstW, dstH), image, QRectF(srcX, srcY, srcW, srcH), rop);
      break;
    }
    case 0x0B41:
    case 0x0940: {  // DIB stretch and bit block transfers
      const bool stretch = rec.function == 0x0B41;
      const size_t fixed = stretch ? 4 + 8 * 2 : 4 + 6 * 2;
      const bool withBitmap = rec.params.size() > fixed + 2;
      const uint32_t rop = r.U32();
      if (!withBitmap) r.Skip(2);
      double srcH = 0, srcW = 0;
      if (stretch) {
        srcH = r.I16();
        srcW = r.I16();
      }
      const double srcY = r.I16(), srcX = r.I16();
      const double dstH = r.I16(), dstW = r.I16(), dstY = r.I16(), dstX = r.I16();
      if (!r.Ok()) break;
      if (!withBitmap) {
        p.PatBlt(QRectF(dstX, dstY, dstW, dstH), rop);
        break;
      }
      const QImage image = RecordDib(r);
      if (!stretch) {
        srcW = dstW;
        srcH = dstH;
      }
      p.StretchBlt(QRectF(dstX, dstY, dstW, dstH), image, QRectF(srcX, srcY, srcW, srcH), rop);
      break;
    }
    default: break;  // palettes, escapes and the like draw nothing here
  }
}

}  // namespace

TMetafileInfo ReadWmfInfo(std::span<const uint8_t> data) {
  TMetafileInfo info;
  size_t header = 0;
  bool placeable = false;
  if (data.size() >= kPlaceableSize && TMetafileReader(data).U32() == kPlaceableKey) {
    TMetafileReader r(data);
    r.Skip(6);  // key, handle
    const double left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
    const int inch = r.U16();
    info.frame = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    info.unitsPerInch = inch > 0 ? inch : 1440;
    header = kPlaceableSize;
    placeable = true;
  }
  if (data.size() < header + 18) Refuse("the file is too short");
  TMetafileReader r(data.subspan(header, 18));
  const uint16_t type = r.U16();
  const uint16_t headerWords = r.U16();
  const uint16_t version = r.U16();
  r.Skip(4);  // size in words
  info.objectCount = r.U16();
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0300 && version != 0x0100))
    Refuse("not a Windows metafile");
  info.firstRecord = header + 18;

  // A plain metafile has no box: its window records give it one.
  QPointF windowOrg;
  QSizeF windowExt(0, 0);
  bool haveExt = false;
  WalkRecords(data, info.firstRecord, [&](const WmfRecord& rec) {
    TMetafileReader p(rec.params);
    if (rec.function == 0x020B && !haveExt) windowOrg = PointYX(p);
    if (rec.function == 0x020C && !haveExt) {
      const QPointF e = PointYX(p);
      windowExt = QSizeF(e.x(), e.y());
      haveExt = p.Ok();
    }
  });
  if (!placeable) {
    if (!haveExt || windowExt.width() == 0 || windowExt.height() == 0) Refuse("the picture has no size");
    info.frame = QRectF(windowOrg, windowExt).normalized();
    info.unitsPerInch = 96;  // the window is in device pixels
  }
  if (info.frame.isEmpty()) Refuse("the picture has no size");
  info.width = std::max(1, int(info.frame.width() * 96 / info.unitsPerInch + 0.5));
  info.height = std::max(1, int(info.frame.height() * 96 / info.unitsPerInch + 0.5));
  info.mmWidth = int(info.frame.width() * 2540 / info.unitsPerInch + 0.5);
  info.mmHeight = int(info.frame.height() * 2540 / info.unitsPerInch + 0.5);
  return info;
}

void PlayWmf(std::span<const uint8_t> data, const TMetafileInfo& info, QPainter& painter, const QRectF& target) {
  // Device units are the target's pixels: the box is mapped onto the
  // target, as a program playing a placeable metafile sets it up.
  TMetafilePlayer player(painter, QTransform::fromTranslate(target.left(), target.top()));
  player.SetObjectTableSize(info.objectCount);
  player.SetMapMode(8);
  player.SetWindowOrg(info.frame.left(), info.frame.top());
  player.SetWindowExt(info.frame.width(), info.frame.height());
  player.SetViewportOrg(0, 0);
  player.SetViewportExt(target.width(), target.height());
  player.IntersectClipRect(info.frame);
  WalkRecords(data, info.firstRecord, [&](const WmfRecord& rec) { PlayRecord(rec, player); });
}
