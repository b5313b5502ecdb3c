// Metafile drawing state and its painter. Every shape is mapped to output
// pixels here and drawn with an identity painter transform and no
// antialiasing, as the host's drawing layer does: pen widths, fonts and
// clipping then follow the mapping the records set, whatever its axes.

#include "platform/gui/MetafilePlayer.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <cstring>

uint8_t TMetafileReader::U8() {
  const auto b = Bytes(1);
  return b.empty() ? 0 : b[0];
}

uint16_t TMetafileReader::U16() {
  const auto b = Bytes(2);
  return b.empty() ? 0 : uint16_t(b[0] | (b[1] << 8));
}

uint32_t TMetafileReader::U32() {
  const auto b = Bytes(4);
  return b.empty() ? 0 : uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

float TMetafileReader::F32() {
  const uint32_t bits = U32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return std::isfinite(value) ? value : 0.0f;
}

std::span<const uint8_t> TMetafileReader::Bytes(size_t count) {
  if (count > Remaining()) {
    ok_ = false;
    pos_ = data_.size();
    return {};
  }
  const auto result = data_.subspan(pos_, count);
  pos_ += count;
  return result;
}

void TMetafileReader::Seek(size_t position) {
  if (position > data_.size()) {
    ok_ = false;
    pos_ = data_.size();
    return;
  }
  pos_ = position;
}

QColor MetafileColor(uint32_t colorref) {
  return QColor(int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF));
}

QString MetafileAnsiText(std::span<const uint8_t> bytes) {
  // 0x80..0x9F of Windows-1252; the rest is Latin-1.
  static const char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x2026, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                     0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (uint8_t b : bytes) {
    if (b == 0) break;
    text += (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
  }
  return text;
}

namespace {

constexpr double kHugeExtent = 1e7;

bool Usable(const QSizeF& s) { return s.width() != 0 && s.height() != 0; }

QRegion Everything() { return QRegion(-int(kHugeExtent), -int(kHugeExtent), int(2 * kHugeExtent), int(2 * kHugeExtent)); }

// Raster operations of lines and fills (the host's ROP2 codes).
std::optional<QPainter::CompositionMode> Rop2Mode(int rop) {
  switch (rop) {
    case 7:  // xor pen
      return QPainter::RasterOp_SourceXorDestination;
    case 6:  // not destination
      return QPainter::RasterOp_NotDestination;
    case 9:  // mask pen
      return QPainter::RasterOp_SourceAndDestination;
    case 15:  // merge pen
      return QPainter::RasterOp_SourceOrDestination;
    case 4:  // not copy pen
      return QPainter::RasterOp_NotSource;
    default:
      return std::nullopt;
  }
}

}  // namespace

TMetafilePlayer::TMetafilePlayer(QPainter& painter, const QTransform& output) : painter_(painter), output_(output) {
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

TMetafilePlayer::~TMetafilePlayer() { painter_.restore(); }

void TMetafilePlayer::SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY) {
  if (pixelsPerMmX > 0 && std::isfinite(pixelsPerMmX)) pixels_per_mm_x_ = pixelsPerMmX;
  if (pixelsPerMmY > 0 && std::isfinite(pixelsPerMmY)) pixels_per_mm_y_ = pixelsPerMmY;
}

void TMetafilePlayer::SetObjectTableSize(size_t size) { objects_.assign(size, std::monostate{}); }

int TMetafilePlayer::AddObject(TMetafileObject object) {
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (std::holds_alternative<std::monostate>(objects_[i])) {
      objects_[i] = std::move(object);
      return int(i);
    }
  }
  return -1;  // a full table: the host drops the object too
}

void TMetafilePlayer::SetObject(uint32_t index, TMetafileObject object) {
  if (index < objects_.size()) objects_[index] = std::move(object);
}

const TMetafileObject* TMetafilePlayer::Object(uint32_t index) const {
  return index < objects_.size() ? &objects_[index] : nullptr;
}

void TMetafilePlayer::SelectObject(uint32_t index) {
  if (index & 0x80000000u) {
    SelectStockObject(index & 0x7FFFFFFFu);
    return;
  }
  const TMetafileObject* object = Object(index);
  if (!object) return;
  if (const auto* pen = std::get_if<TMetafilePen>(object)) state_.pen = *pen;
  if (const auto* brush = std::get_if<TMetafileBrush>(object)) state_.brush = *brush;
  if (const auto* font = std::get_if<TMetafileFont>(object)) state_.font = *font;
  if (std::holds_alternative<TMetafileRegion>(*object)) SelectClipObject(index);
}

void TMetafilePlayer::SelectStockObject(uint32_t stock) {
  auto brush = [&](QColor c, int style = 0) {
    state_.brush = TMetafileBrush{};
    state_.brush.style = style;
    state_.brush.color = c;
  };
  auto pen = [&](QColor c, int style = 0) {
    state_.pen = TMetafilePen{};
    state_.pen.style = style;
    state_.pen.color = c;
  };
  switch (stock) {
    case 0: brush(Qt::white); break;
    case 1: brush(QColor(192, 192, 192)); break;
    case 2: brush(QColor(128, 128, 128)); break;
    case 3: brush(QColor(64, 64, 64)); break;
    case 4: brush(Qt::black); break;
    case 5: brush(Qt::white, 1); break;
    case 6: pen(Qt::white); break;
    case 7: pen(Qt::black); break;
    case 8: pen(Qt::black, 5); break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
      state_.font = TMetafileFont{};
      state_.font.height = -12;
      break;
    default: break;
  }
}

void TMetafilePlayer::DeleteObject(uint32_t index) {
  if (index < objects_.size()) objects_[index] = std::monostate{};
}

void TMetafilePlayer::SetMapMode(int mode) {
  if (mode < 1 || mode > 8) return;
  state_.mapMode = mode;
  if (mode == 1) {
    state_.windowExt = state_.viewportExt = {1, 1};
  }
}

void TMetafilePlayer::SetWindowOrg(double x, double y) { state_.windowOrg = {x, y}; }
void TMetafilePlayer::SetViewportOrg(double x, double y) { state_.viewportOrg = {x, y}; }
void TMetafilePlayer::OffsetWindowOrg(double dx, double dy) { state_.windowOrg += QPointF(dx, dy); }
void TMetafilePlayer::OffsetViewportOrg(double dx, double dy) { state_.viewportOrg += QPointF(dx, dy); }

void TMetafilePlayer::SetWindowExt(double x, double y) {
  // Extents mean something only in the scalable mapping modes; zero ones
  // are refused as the host refuses them.
  if (state_.mapMode < 7 || x == 0 || y == 0) return;
  state_.windowExt = {x, y};
}

void TMetafilePlayer::SetViewportExt(double x, double y) {
  if (state_.mapMode < 7 || x == 0 || y == 0) return;
  state_.viewportExt = {x, y};
}

void TMetafilePlayer::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetWindowExt(state_.windowExt.width() * xNum / xDenom, state_.windowExt.height() * yNum / yDenom);
}

void TMetafilePlayer::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetViewportExt(state_.viewportExt.width() * xNum / xDenom, state_.viewportExt.height() * yNum / yDenom);
}

void TMetafilePlayer::ModifyWorldTransform(const QTransform& t, int mode) {
  switch (mode) {
    case 1: state_.world = QTransform(); break;
    case 2: state_.world = t * state_.world; break;
    case 3: state_.world = state_.world * t; break;
    case 4: state_.world = t; break;
    default: break;
  }
}

void TMetafilePlayer::SaveDC() {
  if (saved_.size() < 4096) saved_.push_back(state_);
}

void TMetafilePlayer::RestoreDC(int which) {
  if (saved_.empty() || which == 0) return;
  size_t level;
  if (which < 0) {
    if (size_t(-int64_t(which)) > saved_.size()) return;
    level = saved_.size() - size_t(-int64_t(which));
  } else {
    if (size_t(which) > saved_.size()) return;
    level = size_t(which) - 1;
  }
  state_ = saved_[level];
  saved_.resize(level);
}

QTransform TMetafilePlayer::LogicalToDevice() const {
  double sx = 1, sy = 1;
  // Fixed mapping modes: millimetres per logical unit on the reference
  // device, y growing upwards.
  const auto fixed = [&](double mmPerUnit) {
    sx = pixels_per_mm_x_ * mmPerUnit;
    sy = -pixels_per_mm_y_ * mmPerUnit;
  };
  switch (state_.mapMode) {
    case 2: fixed(0.1); break;
    case 3: fixed(0.01); break;
    case 4: fixed(0.254); break;
    case 5: fixed(0.0254); break;
    case 6: fixed(25.4 / 1440.0); break;
    case 7:
    case 8:
      if (Usable(state_.windowExt)) {
        sx = state_.viewportExt.width() / state_.windowExt.width();
        sy = state_.viewportExt.height() / state_.windowExt.height();
      }
      if (state_.mapMode == 7) {
        const double s = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
      }
      break;
    default: break;
  }
  QTransform mapping(sx, 0, 0, sy, state_.viewportOrg.x() - state_.windowOrg.x() * sx,
                     state_.viewportOrg.y() - state_.windowOrg.y() * sy);
  return state_.world * mapping;
}

QTransform TMetafilePlayer::LogicalToOutput() const { return LogicalToDevice() * output_; }

double TMetafilePlayer::DevicePixelsPerLogical() const {
  const QTransform t = LogicalToOutput();
  const double sx = std::hypot(t.m11(), t.m12());
  const double sy = std::hypot(t.m21(), t.m22());
  return (sx + sy) / 2;
}

QPen TMetafilePlayer::MakePen() const {
  const TMetafilePen& p = state_.pen;
  const int style = p.style & 0x0F;
  if (style == 5) return Qt::NoPen;
  const double width = p.width <= 0 ? 1.0 : std::max(1.0, p.width * DevicePixelsPerLogical());
  QPen pen(p.color, width);
  pen.setCosmetic(true);
  switch (style) {
    case 1: pen.setStyle(Qt::DashLine); break;
    case 2: pen.setStyle(Qt::DotLine); break;
    case 3: pen.setStyle(Qt::DashDotLine); break;
    case 4: pen.setStyle(Qt::DashDotDotLine); break;
    default: pen.setStyle(Qt::SolidLine); break;
  }
  pen.setCapStyle(p.cap == 1 ? Qt::SquareCap : p.cap == 2 ? Qt::FlatCap : Qt::RoundCap);
  pen.setJoinStyle(p.join == 1 ? Qt::BevelJoin : p.join == 2 ? Qt::MiterJoin : Qt::RoundJoin);
  return pen;
}

QBrush TMetafilePlayer::MakeBrush(const TMetafileBrush& b) const {
  switch (b.style) {
    case 1: return Qt::NoBrush;
    case 2: {
      static const Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      return QBrush(b.color, kHatches[std::clamp(b.hatch, 0, 5)]);
    }
    case 3:
    case 5:
    case 6:
      if (!b.pattern.isNull()) return QBrush(b.pattern);
      return QBrush(b.color);
    default: return QBrush(b.color);
  }
}

void TMetafilePlayer::Prepare() {
  painter_.setTransform(QTransform());
  if (state_.clip)
    painter_.setClipRegion(*state_.clip);
  else
    painter_.setClipping(false);
  painter_.setCompositionMode(Rop2Mode(state_.rop2).value_or(QPainter::CompositionMode_SourceOver));
}

void TMetafilePlayer::DrawShape(const QPainterPath& logical, bool fill, bool stroke) {
  const QPainterPath out = LogicalToOutput().map(logical);
  if (in_path_) {
    path_.addPath(out);
    return;
  }
  if (state_.rop2 == 11) return;  // no-op raster mode
  Prepare();
  QPainterPath shape = out;
  shape.setFillRule(state_.winding ? Qt::WindingFill : Qt::OddEvenFill);
  if (fill && state_.brush.style != 1) {
    if (state_.brush.style == 2 && state_.bkOpaque) painter_.fillPath(shape, state_.bkColor);
    painter_.fillPath(shape, MakeBrush(state_.brush));
  }
  if (stroke) {
    const QPen pen = MakePen();
    if (pen.style() != Qt::NoPen) {
      painter_.setPen(pen);
      painter_.setBrush(Qt::NoBrush);
      painter_.drawPath(shape);
    }
  }
}

void TMetafilePlayer::AddToPath(const QPainterPath& logical) { path_.addPath(LogicalToOutput().map(logical)); }

void TMetafilePlayer::MoveTo(const QPointF& p) {
  state_.position = p;
  if (in_path_) path_.moveTo(LogicalToOutput().map(p));
}

void TMetafilePlayer::LineTo(const QPointF& p) {
  if (in_path_) {
    if (path_.elementCount() == 0) path_.moveTo(LogicalToOutput().map(state_.position));
    path_.lineTo(LogicalToOutput().map(p));
  } else {
    QPainterPath line(state_.position);
    line.lineTo(p);
    DrawShape(line, false, true);
  }
  state_.position = p;
}

void TMetafilePlayer::Polyline(const QPolygonF& points) {
  if (points.size() < 2) return;
  QPainterPath line;
  line.addPolygon(points);
  DrawShape(line, false, true);
}

void TMetafilePlayer::PolylineTo(const QPolygonF& points) {
  for (const QPointF& p : points) LineTo(p);
}

void TMetafilePlayer::Polygon(const QPolygonF& points) {
  if (points.size() < 2) return;
  QPainterPath shape;
  shape.addPolygon(points);
  shape.closeSubpath();
  DrawShape(shape, true, true);
}

void TMetafilePlayer::PolyPolygon(const std::vector<QPolygonF>& polygons) {
  QPainterPath shape;
  for (const QPolygonF& p : polygons) {
    if (p.size() < 2) continue;
    shape.addPolygon(p);
    shape.closeSubpath();
  }
  DrawShape(shape, true, true);
}

void TMetafilePlayer::PolyPolyline(const std::vector<QPolygonF>& lines) {
  QPainterPath shape;
  for (const QPolygonF& p : lines) {
    if (p.size() >= 2) shape.addPolygon(p);
  }
  DrawShape(shape, false, true);
}

void TMetafilePlayer::PolyBezier(const QPolygonF& points) {
  if (points.size() < 4) return;
  QPainterPath curve(points[0]);
  for (qsizetype i = 1; i + 2 < points.size(); i += 3) curve.cubicTo(points[i], points[i + 1], points[i + 2]);
  DrawShape(curve, false, true);
}

void TMetafilePlayer::PolyBezierTo(const QPolygonF& points) {
  if (points.size() < 3) return;
  if (in_path_) {
    const QTransform t = LogicalToOutput();
    if (path_.elementCount() == 0) path_.moveTo(t.map(state_.position));
    for (qsizetype i = 0; i + 2 < points.size(); i += 3)
      path_.cubicTo(t.map(points[i]), t.map(points[i + 1]), t.map(points[i + 2]));
  } else {
    QPainterPath curve(state_.position);
    for (qsizetype i = 0; i + 2 < points.size(); i += 3) curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    DrawShape(curve, false, true);
  }
  state_.position = points[points.size() - 1 - (points.size() % 3)];
}

void TMetafilePlayer::Rectangle(const QRectF& r) {
  QPainterPath shape;
  // The host leaves out the right and bottom edge: one device pixel in.
  const double inset = 1.0 / std::max(1e-9, DevicePixelsPerLogical());
  QRectF box = r.normalized();
  box.setRight(box.right() - inset);
  box.setBottom(box.bottom() - inset);
  shape.addRect(box);
  DrawShape(shape, true, true);
}

void TMetafilePlayer::RoundRect(const QRectF& r, double cornerWidth, double cornerHeight) {
  QPainterPath shape;
  shape.addRoundedRect(r.normalized(), std::abs(cornerWidth) / 2, std::abs(cornerHeight) / 2);
  DrawShape(shape, true, true);
}

void TMetafilePlayer::Ellipse(const QRectF& r) {
  QPainterPath shape;
  shape.addEllipse(r.normalized());
  DrawShape(shape, true, true);
}

QPainterPath TMetafilePlayer::ArcPath(ArcKind kind, const QRectF& box, const QPointF& start,
                                      const QPointF& end) const {
  const QRectF r = box.normalized();
  const QPointF c = r.center();
  // Angles on the screen, anticlockwise from the x axis; a mapping that
  // flips y turns the direction round, so measure in device space.
  const QTransform t = LogicalToDevice();
  const QPointF dc = t.map(c), ds = t.map(start), de = t.map(end);
  const double a0 = std::atan2(-(ds.y() - dc.y()), ds.x() - dc.x()) * 180 / M_PI;
  const double a1 = std::atan2(-(de.y() - dc.y()), de.x() - dc.x()) * 180 / M_PI;
  double sweep = a1 - a0;
  while (sweep <= 0) sweep += 360;  // the host draws anticlockwise
  const QRectF dr = t.mapRect(r);
  QPainterPath device;
  if (kind == ArcKind::Pie) {
    device.moveTo(dr.center());
    QPainterPath probe;
    probe.arcMoveTo(dr, a0);
    device.lineTo(probe.currentPosition());
  } else {
    device.arcMoveTo(dr, a0);
  }
  device.arcTo(dr, a0, sweep);
  if (kind != ArcKind::Arc && kind != ArcKind::ArcTo) device.closeSubpath();
  return t.inverted().map(device);
}

void TMetafilePlayer::Arc(ArcKind kind, const QRectF& box, const QPointF& start, const QPointF& end) {
  const QPainterPath shape = ArcPath(kind, box, start, end);
  if (kind == ArcKind::ArcTo) {
    QPainterPath line(state_.position);
    line.lineTo(shape.pointAtPercent(0));
    line.connectPath(shape);
    DrawShape(line, false, true);
    state_.position = shape.currentPosition();
    return;
  }
  DrawShape(shape, kind != ArcKind::Arc, true);
}

void TMetafilePlayer::SetPixel(const QPointF& p, uint32_t colorref) {
  if (in_path_) return;
  Prepare();
  const QPointF o = LogicalToOutput().map(p);
  painter_.fillRect(QRectF(std::floor(o.x()), std::floor(o.y()), 1, 1), MetafileColor(colorref));
}

void TMetafilePlayer::PatBlt(const QRectF& r, uint32_t rop) {
  Prepare();
  QPainterPath shape;
  shape.addRect(r.normalized());
  const QPainterPath out = LogicalToOutput().map(shape);
  switch (rop) {
    case 0x00000042: painter_.fillPath(out, Qt::black); break;
    case 0x00FF0062: painter_.fillPath(out, Qt::white); break;
    case 0x00550009:
      painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
      painter_.fillPath(out, Qt::white);
      break;
    case 0x005A0049:
      painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter_.fillPath(out, MakeBrush(state_.brush));
      break;
    default:
      if (state_.brush.style != 1) painter_.fillPath(out, MakeBrush(state_.brush));
      break;
  }
}

void TMetafilePlayer::FillRegion(uint32_t regionIndex, uint32_t brushIndex) {
  const TMetafileObject* region = Object(regionIndex);
  if (!region || !std::holds_alternative<TMetafileRegion>(*region)) return;
  FillOutputRegion(ToOutput(std::get<TMetafileRegion>(*region).region), brushIndex);
}

QRegion TMetafilePlayer::DeviceToOutput(const QRegion& deviceRegion) const {
  QRegion out;
  for (const QRect& r : deviceRegion) out += output_.mapRect(QRectF(r)).toAlignedRect();
  return out;
}

void TMetafilePlayer::FillDeviceRegion(const QRegion& deviceRegion, uint32_t brushIndex) {
  FillOutputRegion(DeviceToOutput(deviceRegion), brushIndex);
}

void TMetafilePlayer::FillOutputRegion(const QRegion& outputRegion, uint32_t brushIndex) {
  const TMetafileObject* brush = Object(brushIndex);
  const TMetafileBrush b =
      brush && std::holds_alternative<TMetafileBrush>(*brush) ? std::get<TMetafileBrush>(*brush) : state_.brush;
  Prepare();
  for (const QRect& r : outputRegion) painter_.fillRect(r, MakeBrush(b));
}

void TMetafilePlayer::FrameRegion(uint32_t regionIndex, uint32_t brushIndex, double w, double h) {
  const TMetafileObject* region = Object(regionIndex);
  if (!region || !std::holds_alternative<TMetafileRegion>(*region)) return;
  const QRegion out = ToOutput(std::get<TMetafileRegion>(*region).region);
  const double s = DevicePixelsPerLogical();
  const int fw = std::max(1, int(std::lround(std::abs(w) * s))), fh = std::max(1, int(std::lround(std::abs(h) * s)));
  QRegion inner;
  for (const QRect& r : out) inner += r.adjusted(fw, fh, -fw, -fh);
  FillOutputRegion(out - inner, brushIndex);
}

void TMetafilePlayer::PaintRegion(uint32_t regionIndex) {
  const TMetafileObject* region = Object(regionIndex);
  if (!region || !std::holds_alternative<TMetafileRegion>(*region)) return;
  Prepare();
  for (const QRect& r : ToOutput(std::get<TMetafileRegion>(*region).region))
    painter_.fillRect(r, MakeBrush(state_.brush));
}

QRegion TMetafilePlayer::ToOutput(const QPainterPath& logical) const {
  return QRegion(LogicalToOutput().map(logical).toFillPolygon().toPolygon());
}

QRegion TMetafilePlayer::ToOutput(const QRegion& logical) const {
  QRegion out;
  const QTransform t = LogicalToOutput();
  for (const QRect& r : logical) out += t.mapRect(QRectF(r)).toAlignedRect();
  return out;
}

void TMetafilePlayer::SetClip(const QRegion& outputRegion, TClipMode mode) {
  const QRegion current = state_.clip.value_or(Everything());
  switch (mode) {
    case TClipMode::And: state_.clip = current & outputRegion; break;
    case TClipMode::Or: state_.clip = current | outputRegion; break;
    case TClipMode::Xor: state_.clip = current ^ outputRegion; break;
    case TClipMode::Diff: state_.clip = current - outputRegion; break;
    case TClipMode::Copy: state_.clip = outputRegion; break;
  }
}

void TMetafilePlayer::IntersectClipRect(const QRectF& r) {
  QPainterPath p;
  p.addRect(r.normalized());
  SetClip(ToOutput(p), TClipMode::And);
}

void TMetafilePlayer::ExcludeClipRect(const QRectF& r) {
  QPainterPath p;
  p.addRect(r.normalized());
  SetClip(ToOutput(p), TClipMode::Diff);
}

void TMetafilePlayer::OffsetClipRgn(double dx, double dy) {
  if (!state_.clip) return;
  const QTransform t = LogicalToOutput();
  const QPointF d = t.map(QPointF(dx, dy)) - t.map(QPointF(0, 0));
  state_.clip->translate(int(std::lround(d.x())), int(std::lround(d.y())));
}

void TMetafilePlayer::SelectClipRegion(const QRegion* deviceRegion, TClipMode mode) {
  if (!deviceRegion) {
    if (mode == TClipMode::Copy) state_.clip.reset();
    return;
  }
  SetClip(DeviceToOutput(*deviceRegion), mode);
}

void TMetafilePlayer::SelectClipObject(uint32_t index) {
  const TMetafileObject* region = Object(index);
  if (!region || !std::holds_alternative<TMetafileRegion>(*region)) {
    state_.clip.reset();
    return;
  }
  SetClip(ToOutput(std::get<TMetafileRegion>(*region).region), TClipMode::Copy);
}

void TMetafilePlayer::SelectClipPath(TClipMode mode) {
  QPainterPath p = path_;
  p.setFillRule(state_.winding ? Qt::WindingFill : Qt::OddEvenFill);
  SetClip(QRegion(p.toFillPolygon().toPolygon(), state_.winding ? Qt::WindingFill : Qt::OddEvenFill), mode);
  path_ = QPainterPath();
  in_path_ = false;
}

void TMetafilePlayer::BeginPath() {
  path_ = QPainterPath();
  in_path_ = true;
}

void TMetafilePlayer::AbortPath() {
  path_ = QPainterPath();
  in_path_ = false;
}

void TMetafilePlayer::CloseFigure() {
  if (in_path_) path_.closeSubpath();
}

void TMetafilePlayer::FillPath() {
  in_path_ = false;
  Prepare();
  path_.setFillRule(state_.winding ? Qt::WindingFill : Qt::OddEvenFill);
  if (state_.brush.style != 1) painter_.fillPath(path_, MakeBrush(state_.brush));
  path_ = QPainterPath();
}

void TMetafilePlayer::StrokePath() {
  in_path_ = false;
  Prepare();
  const QPen pen = MakePen();
  if (pen.style() != Qt::NoPen) {
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(path_);
  }
  path_ = QPainterPath();
}

void TMetafilePlayer::StrokeAndFillPath() {
  const QPainterPath path = path_;
  FillPath();
  path_ = path;
  StrokePath();
}

void TMetafilePlayer::TextOut(const QPointF& p, const QString& text, uint32_t options, const QRectF& rect,
                              const std::vector<double>& dx) {
  if (in_path_) return;
  Prepare();
  const QTransform t = LogicalToOutput();
  const bool updateCp = state_.textAlign & 1;
  const QPointF origin = t.map(updateCp ? state_.position : p);
  QRectF outRect;
  if (options & 6) outRect = t.mapRect(rect.normalized());
  if ((options & 2) && !outRect.isEmpty()) painter_.fillRect(outRect, state_.bkColor);
  if ((options & 4) && !outRect.isEmpty()) {
    const QRegion clip = state_.clip ? (*state_.clip & outRect.toAlignedRect()) : QRegion(outRect.toAlignedRect());
    painter_.setClipRegion(clip);
  }
  if (text.isEmpty()) return;

  const TMetafileFont& f = state_.font;
  const double scaleY = std::hypot(t.m21(), t.m22());
  const double scaleX = std::hypot(t.m11(), t.m12());
  double pixels = std::abs(f.height) * scaleY;
  if (pixels < 1) pixels = 12 * std::max(scaleY, 0.01);
  QFont font(f.face.isEmpty() ? QStringLiteral("DejaVu Sans") : f.face);
  font.setPixelSize(std::max(1, int(std::lround(pixels))));
  if (f.height > 0) {
    // A positive height is the cell (ascent plus descent), not the em.
    const QFontMetricsF cell(font);
    if (cell.height() > 0) font.setPixelSize(std::max(1, int(std::lround(pixels * pixels / cell.height()))));
  }
  font.setWeight(QFont::Weight(std::clamp(f.weight <= 0 ? 400 : f.weight, 100, 900)));
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strikeOut);
  font.setStyleStrategy(QFont::PreferAntialias);
  const QFontMetricsF metrics(font);

  std::vector<double> advances;
  double width = 0;
  if (!dx.empty()) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      const double a = i < qsizetype(dx.size()) ? dx[size_t(i)] * scaleX : metrics.horizontalAdvance(text[i]);
      advances.push_back(a);
      width += a;
    }
  } else {
    width = metrics.horizontalAdvance(text);
  }

  double x = 0;
  switch (state_.textAlign & 6) {
    case 6: x = -width / 2; break;
    case 2: x = -width; break;
    default: break;
  }
  double y = metrics.ascent();  // top alignment
  if ((state_.textAlign & 24) == 24)
    y = 0;
  else if (state_.textAlign & 8)
    y = -metrics.descent();

  painter_.save();
  painter_.translate(origin);
  // Escapement turns anticlockwise on the screen; a mapping that flips an
  // axis mirrors the direction.
  const double flip = (t.m11() * t.m22() - t.m12() * t.m21()) < 0 ? -1 : 1;
  if (f.escapement != 0) painter_.rotate(-f.escapement / 10.0 * flip);
  if (state_.bkOpaque && !(options & 2))
    painter_.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), state_.bkColor);
  painter_.setFont(font);
  painter_.setPen(state_.textColor);
  if (advances.empty()) {
    painter_.drawText(QPointF(x, y), text);
  } else {
    double cx = x;
    for (qsizetype i = 0; i < text.size(); ++i) {
      painter_.drawText(QPointF(cx, y), QString(text[i]));
      cx += advances[size_t(i)];
    }
  }
  painter_.restore();
  if (updateCp) {
    const QPointF advanced = t.inverted().map(origin + QPointF(width, 0));
    state_.position = advanced;
  }
}

void TMetafilePlayer::StretchBlt(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop) {
  if (image.isNull() || in_path_) return;
  Prepare();
  // Only the part of the source inside the picture is copied, into the
  // matching part of the destination: a record cannot make us allocate
  // more than the picture it carries.
  const QRectF wanted = source.normalized();
  const QRectF taken = wanted & QRectF(image.rect());
  if (taken.isEmpty() || wanted.width() <= 0 || wanted.height() <= 0) return;
  const QRectF d = dest.normalized();
  const double sx = d.width() / wanted.width(), sy = d.height() / wanted.height();
  const QRectF part(d.left() + (taken.left() - wanted.left()) * sx, d.top() + (taken.top() - wanted.top()) * sy,
                    taken.width() * sx, taken.height() * sy);
  const QTransform t = LogicalToOutput();
  const QRectF out = t.mapRect(part);
  QImage src = image.copy(taken.toAlignedRect());
  // Negative extents mirror the picture.
  const QPointF d0 = t.map(dest.topLeft()), d1 = t.map(dest.bottomRight());
  src = src.mirrored(d1.x() < d0.x(), d1.y() < d0.y());
  switch (rop) {
    case 0x008800C6: painter_.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case 0x00EE0086: painter_.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case 0x00660046: painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case 0x00330008: src.invertPixels(); break;
    default: painter_.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
  }
  painter_.drawImage(out, src);
}
