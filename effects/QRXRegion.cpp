#include "effects/QRXRegion.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/QRXClass.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"

namespace {

// The host's rounding: to nearest, halves to even.
int Round(double v) { return int(std::nearbyint(v)); }

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

constexpr std::size_t kRegionHeader = 32;
constexpr std::size_t kRegionRect = 16;

bool IsNorthCorner(TQRXExtPos pos) {
  return pos == TQRXExtPos::epLeftTop || pos == TQRXExtPos::epTopLeft || pos == TQRXExtPos::epTopRight ||
         pos == TQRXExtPos::epRightTop;
}

bool IsWestCorner(TQRXExtPos pos) {
  return pos == TQRXExtPos::epLeftTop || pos == TQRXExtPos::epTopLeft || pos == TQRXExtPos::epBottomLeft ||
         pos == TQRXExtPos::epLeftBottom;
}

void ShrinkAtCorner(TRect& r, int n, TQRXExtPos pos) {
  if (IsNorthCorner(pos))
    r.Top += n;
  else
    r.Bottom -= n;
  if (IsWestCorner(pos))
    r.Left += n;
  else
    r.Right -= n;
}

}  // namespace

// ---- region data ----

std::vector<std::uint8_t> RegionToData(const QRegion& region) {
  std::vector<std::uint8_t> out;
  const int count = region.rectCount();
  out.reserve(kRegionHeader + kRegionRect * std::size_t(count));
  const QRect box = region.boundingRect();
  Put32(out, kRegionHeader);
  Put32(out, 1);
  Put32(out, std::uint32_t(count));
  Put32(out, std::uint32_t(kRegionRect * std::size_t(count)));
  for (int v : {box.left(), box.top(), box.left() + box.width(), box.top() + box.height()}) Put32(out, std::uint32_t(v));
  for (const QRect& r : region)
    for (int v : {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}) Put32(out, std::uint32_t(v));
  return out;
}

bool RegionFromData(std::span<const std::uint8_t> data, QRegion& region) {
  if (data.size() < kRegionHeader || std::int64_t(data.size()) > kMaxRegionData) return false;
  const std::uint32_t headerSize = Get32(data.data());
  const std::uint32_t type = Get32(data.data() + 4);
  const std::uint32_t count = Get32(data.data() + 8);
  if (headerSize != kRegionHeader || type != 1) return false;
  // The rectangles must all be there; the stored byte size is not trusted.
  if (count > (data.size() - kRegionHeader) / kRegionRect) return false;
  QRegion built;
  // Rectangles of a region record come in bands, so adding them one by one
  // stays cheap; a record out of order only costs time, never memory.
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* p = data.data() + kRegionHeader + kRegionRect * i;
    const std::int64_t left = std::int32_t(Get32(p));
    const std::int64_t top = std::int32_t(Get32(p + 4));
    const std::int64_t right = std::int32_t(Get32(p + 8));
    const std::int64_t bottom = std::int32_t(Get32(p + 12));
    if (right <= left || bottom <= top) return false;
    constexpr std::int64_t kLimit = 1 << 24;
    if (left < -kLimit || top < -kLimit || right > kLimit || bottom > kLimit) return false;
    built += QRect(int(left), int(top), int(right - left), int(bottom - top));
  }
  region = built;
  return true;
}

// ---- builders ----

QRegion EllipseRegion(int x1, int y1, int x2, int y2) {
  const QRect box = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QSize(std::abs(x2 - x1), std::abs(y2 - y1)));
  if (box.isEmpty()) return {};
  return QRegion(box, QRegion::Ellipse);
}

QRegion RoundRectRegion(const TRect& r, int roundX, int roundY) {
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0) return {};
  const int rx = std::clamp(std::abs(roundX), 0, w);
  const int ry = std::clamp(std::abs(roundY), 0, h);
  if (rx < 2 || ry < 2) return QRegion(r.Left, r.Top, w, h);
  // The corner ellipses and the two bands between them.
  QRegion region(r.Left + rx / 2, r.Top, w - rx / 2 * 2, h);
  region += QRegion(r.Left, r.Top + ry / 2, w, h - ry / 2 * 2);
  region += QRegion(QRect(r.Left, r.Top, rx, ry), QRegion::Ellipse);
  region += QRegion(QRect(r.Right - rx, r.Top, rx, ry), QRegion::Ellipse);
  region += QRegion(QRect(r.Left, r.Bottom - ry, rx, ry), QRegion::Ellipse);
  region += QRegion(QRect(r.Right - rx, r.Bottom - ry, rx, ry), QRegion::Ellipse);
  return region;
}

// Scan conversion by the even-odd rule, pixel for pixel the host's own: an
// edge from (x1, y1) down to (x2, y2) crosses the rows y1 .. y2 - 1, each at
// the first pixel whose left side lies on or right of it, and a row's
// crossings pair up into spans. Rows with the same spans become one band.
// The work grows with the rows and the crossings, whatever the shape (the
// host's own conversion takes minutes for some large self-crossing
// polygons), and a polygon whose region needs more rectangles than a region
// record holds gives the empty region.
QRegion PolygonRegion(std::span<const TPoint> points) {
  struct Edge {
    int top, bottom;  // rows top .. bottom - 1
    std::int64_t x, dx, dy;
  };
  if (points.size() < 3) return {};
  std::vector<Edge> edges;
  for (std::size_t i = 0; i < points.size(); ++i) {
    TPoint a = points[i], b = points[(i + 1) % points.size()];
    if (a.Y == b.Y) continue;
    if (a.Y > b.Y) std::swap(a, b);
    edges.push_back({a.Y, b.Y, a.X, std::int64_t(b.X) - a.X, std::int64_t(b.Y) - a.Y});
  }
  if (edges.empty()) return {};
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.top < b.top; });
  const auto crossing = [](const Edge& e, int y) {
    // ceil((y - top) * dx / dy) without overflow, dy > 0
    const __int128 n = __int128(std::int64_t(y) - e.top) * e.dx;
    const __int128 q = n / e.dy;
    return std::int64_t(q + (n % e.dy > 0 ? 1 : 0)) + e.x;
  };
  constexpr std::int64_t kMaxRects = (kMaxRegionData - std::int64_t(kRegionHeader)) / std::int64_t(kRegionRect);
  std::vector<QRect> rects;
  std::vector<std::int64_t> band, row, xs;  // spans as left, right pairs
  std::int64_t bandTop = 0, bandBottom = 0;
  const auto flush = [&] {
    for (std::size_t i = 0; i < band.size(); i += 2)
      rects.emplace_back(QPoint(int(band[i]), int(bandTop)), QPoint(int(band[i + 1] - 1), int(bandBottom - 1)));
    band.clear();
    return std::int64_t(rects.size()) <= kMaxRects;
  };
  std::vector<const Edge*> active;
  std::size_t next = 0;
  std::int64_t y = edges.front().top;
  while (next < edges.size() || !active.empty()) {
    if (active.empty()) y = edges[next].top;
    while (next < edges.size() && edges[next].top == y) active.push_back(&edges[next++]);
    xs.clear();
    for (const Edge* e : active) xs.push_back(crossing(*e, int(y)));
    std::sort(xs.begin(), xs.end());
    row.clear();
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      if (xs[i] >= xs[i + 1]) continue;
      if (!row.empty() && row.back() >= xs[i])
        row.back() = std::max(row.back(), xs[i + 1]);
      else
        row.insert(row.end(), {xs[i], xs[i + 1]});
    }
    if (row != band || y != bandBottom) {
      if (!flush()) return {};
      band = row;
      bandTop = y;
    }
    bandBottom = y + 1;
    ++y;
    std::erase_if(active, [&](const Edge* e) { return e->bottom <= y; });
  }
  if (!flush()) return {};
  QRegion region;
  region.setRects(rects.data(), int(rects.size()));
  return region;
}

std::vector<TPoint> DiamondPoints(const TRect& r) {
  const int midX = r.Left + (r.Right - r.Left) / 2;
  const int midY = r.Top + (r.Bottom - r.Top) / 2;
  return {{midX, r.Top}, {r.Left, midY}, {midX, r.Bottom}, {r.Right, midY}};
}

std::vector<TPoint> StarPoints(const TRect& r) {
  const double w = r.Right - r.Left;
  const double h = r.Bottom - r.Top;
  const int midX = r.Left + (r.Right - r.Left) / 2;
  const auto x = [&](double f) { return r.Left + Round(w * f); };
  const auto y = [&](double f) { return r.Top + Round(h * f); };
  return {{midX, r.Top},       {x(0.65), y(0.38)},  {r.Right, y(0.38)}, {x(0.7), y(0.6)},  {x(0.85), r.Bottom},
          {midX, y(0.75)},     {x(0.15), r.Bottom}, {x(0.3), y(0.6)},   {r.Left, y(0.38)}, {x(0.35), y(0.38)}};
}

std::vector<TPoint> OctagonPoints(const TRect& r) {
  const int a = (r.Right - r.Left) / 3;
  const int b = (r.Bottom - r.Top) / 3;
  return {{r.Left + 2 * a, r.Top},    {r.Left + a, r.Top},      {r.Left, r.Top + b},     {r.Left, r.Top + 2 * b},
          {r.Left + a, r.Bottom},     {r.Left + 2 * a, r.Bottom}, {r.Right, r.Top + 2 * b}, {r.Right, r.Top + b}};
}

std::vector<TPoint> CombPoints(const TRect& r) {
  const int q = (r.Bottom - r.Top) / 4;
  const int midX = r.Left + (r.Right - r.Left) / 2;
  return {{midX, r.Top},           {r.Left, r.Top + q},  {r.Left, r.Top + 3 * q},
          {midX, r.Bottom},        {r.Right, r.Top + 3 * q}, {r.Right, r.Top + q}};
}

QRegion DiamondRegion(const TRect& r) { return PolygonRegion(DiamondPoints(r)); }
QRegion StarRegion(const TRect& r) { return PolygonRegion(StarPoints(r)); }
QRegion OctagonRegion(const TRect& r) { return PolygonRegion(OctagonPoints(r)); }
QRegion CombRegion(const TRect& r) { return PolygonRegion(CombPoints(r)); }

namespace {

QRegion ShieldNotches(int w, int h) {
  QRegion notches = EllipseRegion(-w / 2, -h / 5, w / 2, h / 5);
  notches += EllipseRegion(w / 2, -h / 5, w / 2 + w, h / 5);
  notches += QRegion(0, -40, w, 40);
  return notches;
}

}  // namespace

QRegion RoundShieldRegion(const TRect& r) {
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  return EllipseRegion(0, h, w, h / 5 - h) - ShieldNotches(w, h);
}

QRegion SharpShieldRegion(const TRect& r) {
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  const int e = (8 * h) / 7;
  const QRegion lens = EllipseRegion(-w, -e, w, e) & EllipseRegion(0, -e, 2 * w, e);
  return lens - ShieldNotches(w, h);
}

void NosePoints(TRect& r, int n, TQRXExtPos pos, int offset, TPoint& p0, TPoint& p1, TPoint& p2) {
  ShrinkAtCorner(r, n, pos);
  const int d = Round(std::sqrt(2.0 * n * n));
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  switch (pos) {
    case TQRXExtPos::epLeftTop:
      p0 = {L - n, T - n}, p1 = {L, T + offset}, p2 = {L, T + offset + d};
      break;
    case TQRXExtPos::epTopLeft:
      p0 = {L - n, T - n}, p1 = {L + offset, T}, p2 = {L + offset + d, T};
      break;
    case TQRXExtPos::epTopRight:
      p0 = {R + n, T - n}, p1 = {R - offset, T}, p2 = {R - offset - d, T};
      break;
    case TQRXExtPos::epRightTop:
      p0 = {R + n, T - n}, p1 = {R, T + offset}, p2 = {R, T + offset + d};
      break;
    case TQRXExtPos::epRightBottom:
      p0 = {R + n, B + n}, p1 = {R, B - offset}, p2 = {R, B - offset - d};
      break;
    case TQRXExtPos::epBottomRight:
      p0 = {R + n, B + n}, p1 = {R - offset, B}, p2 = {R - offset - d, B};
      break;
    case TQRXExtPos::epBottomLeft:
      p0 = {L - n, B + n}, p1 = {L + offset, B}, p2 = {L + offset + d, B};
      break;
    case TQRXExtPos::epLeftBottom:
      p0 = {L - n, B + n}, p1 = {L, B - offset}, p2 = {L, B - offset - d};
      break;
  }
}

QRegion NoseRectRegion(const TRect& r, int n, TQRXExtPos pos) {
  TRect body = r;
  TPoint p[3];
  NosePoints(body, n, pos, 5, p[0], p[1], p[2]);
  return PolygonRegion(p) + QRegion(body.Left, body.Top, body.Right - body.Left, body.Bottom - body.Top);
}

namespace {

int NoseOffset(TQRXExtPos pos, int roundX, int roundY) {
  const bool vertical = pos == TQRXExtPos::epLeftTop || pos == TQRXExtPos::epRightTop ||
                        pos == TQRXExtPos::epRightBottom || pos == TQRXExtPos::epLeftBottom;
  return vertical ? roundY : roundX;
}

}  // namespace

QRegion RoundNoseRectRegion(const TRect& r, int n, int roundX, int roundY, TQRXExtPos pos) {
  TRect body = r;
  TPoint p[3];
  NosePoints(body, n, pos, NoseOffset(pos, roundX, roundY), p[0], p[1], p[2]);
  return PolygonRegion(p) + RoundRectRegion(body, roundX, roundY);
}

std::vector<TQRXBubble> BubbleTrail(TRect& r, int n, int count, TQRXExtPos pos) {
  ShrinkAtCorner(r, n, pos);
  std::vector<TQRXBubble> bubbles;
  if (count < 1) return bubbles;
  const int k = count + 1;
  const double s = (n * 2 * M_PI / 4) / count / count;
  const double step = 90.0 / k;
  constexpr double c = 1.57;
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  for (int i = 0; i <= count + 2; ++i) {
    const double a = i * step * M_PI / 180;
    TQRXBubble b;
    b.diameter = Round(i * s);
    const auto N = [n](double f) { return Round(f * n); };
    switch (pos) {
      case TQRXExtPos::epLeftTop:
        b.x = L - N(std::cos(a)), b.y = (T - n) + N(std::sin(a));
        break;
      case TQRXExtPos::epTopLeft:
        b.x = (L - n) + N(std::cos(c - a)), b.y = T - N(std::sin(c - a));
        break;
      case TQRXExtPos::epTopRight:
        b.x = (R + n) - N(std::cos(c - a)), b.y = T - N(std::sin(c + a));
        break;
      case TQRXExtPos::epRightTop:
        b.x = R + N(std::cos(a)), b.y = (T - n) + N(std::sin(a));
        break;
      case TQRXExtPos::epRightBottom:
        b.x = R + N(std::cos(a)), b.y = (B + n) - N(std::sin(a));
        break;
      case TQRXExtPos::epBottomRight:
        b.x = (R + n) - N(std::cos(c - a)), b.y = B + N(std::sin(c - a));
        break;
      case TQRXExtPos::epBottomLeft:
        b.x = (L - n) + N(std::cos(c - a)), b.y = B + N(std::sin(c - a));
        break;
      case TQRXExtPos::epLeftBottom:
        b.x = L - N(std::cos(a)), b.y = (B + n) - N(std::sin(a));
        break;
    }
    bubbles.push_back(b);
  }
  return bubbles;
}

QRegion BubbleTrailRegion(TRect& r, int n, int count, TQRXExtPos pos) {
  // Starts empty: a seed pixel at (0, 0) would show as a stray dot in the
  // window's corner.
  QRegion region;
  const std::vector<TQRXBubble> bubbles = BubbleTrail(r, n, count, pos);
  for (std::size_t i = 0; i + 1 < bubbles.size(); ++i) {
    const TQRXBubble& b = bubbles[i];
    const int radius = b.diameter / 2;
    region += EllipseRegion(b.x - radius, b.y - radius, b.x + radius, b.y + radius);
  }
  return region;
}

QRegion ThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos) {
  TRect body = r;
  const QRegion trail = BubbleTrailRegion(body, n, count, pos);
  return trail + QRegion(body.Left, body.Top, std::max(0, body.Right - body.Left), std::max(0, body.Bottom - body.Top));
}

QRegion EllipticThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos) {
  TRect body = r;
  const QRegion trail = BubbleTrailRegion(body, n, count, pos);
  return trail + EllipseRegion(body.Left, body.Top, body.Right, body.Bottom);
}

QRegion RoundThinkBubbleRegion(const TRect& r, int n, int count, TQRXExtPos pos, int roundX, int roundY) {
  TRect body = r;
  const QRegion trail = BubbleTrailRegion(body, n, count, pos);
  return trail + RoundRectRegion(body, roundX, roundY);
}

// ---- TQRXRegionMask ----

TQRXRegionMask::TQRXRegionMask()
    : border_bmp_(std::make_unique<TBitmap>()),
      border_up_bmp_(std::make_unique<TBitmap>()),
      border_dn_bmp_(std::make_unique<TBitmap>()) {}

TQRXRegionMask::~TQRXRegionMask() = default;

void TQRXRegionMask::SetRegionData(std::vector<std::uint8_t> data) {
  region_data_ = std::move(data);
  region_data_size_ = int(region_data_.size());
  Change();
}

void TQRXRegionMask::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXRegionMask*>(source);
  if (!other) {
    TQRXObject::Assign(source);
    return;
  }
  if (other == this) return;
  region_data_.clear();
  region_data_size_ = 0;
  if (other->region_data_size_ > 0 && std::size_t(other->region_data_size_) <= other->region_data_.size()) {
    region_data_.assign(other->region_data_.begin(), other->region_data_.begin() + other->region_data_size_);
    region_data_size_ = other->region_data_size_;
    border_bmp_->Assign(*other->border_bmp_);
    border_up_bmp_->Assign(*other->border_up_bmp_);
    border_dn_bmp_->Assign(*other->border_dn_bmp_);
  }
  Change();
}

void TQRXRegionMask::DefineProperties(TQRXFiler& filer) {
  filer.DefineBinaryProperty(
      "RegionData",
      [this](TStream& s) {
        // The size read before is a claim of the form file: it is checked
        // against what the property holds before anything is allocated.
        const std::int64_t size = region_data_size_;
        if (size < 0 || size > kMaxRegionData || size > s.Size() - s.Position())
          throw EReadError("RegionData: invalid size " + std::to_string(size));
        std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
        s.ReadBuffer(data.data(), size);
        region_data_ = std::move(data);
      },
      [this](TStream& s) {
        const std::int64_t size = std::min<std::int64_t>(region_data_size_, std::int64_t(region_data_.size()));
        s.WriteBuffer(region_data_.data(), size);
      },
      region_data_size_ != 0);
  const auto bitmap = [&](const char* name, TBitmap& bmp) {
    filer.DefineBinaryProperty(
        name,
        [this, &bmp](TStream& s) {
          const bool compressed = ReadStreamByte(s) != 0;
          TBitmap read;
          ReadBitmapFromStream(s, read, compressed);
          bmp.Assign(read);
          compressed_ = compressed;
        },
        [this, &bmp](TStream& s) {
          WriteStreamByte(s, compressed_ ? 1 : 0);
          WriteBitmapToStream(s, bmp, compressed_, -1);
        },
        !bmp.Empty());
  };
  bitmap("BorderBmp", *border_bmp_);
  bitmap("BorderUpBmp", *border_up_bmp_);
  bitmap("BorderDnBmp", *border_dn_bmp_);
}

// ---- TQRXRgnShadow, TQRXRegionBorder ----

TQRXRgnShadow::TQRXRgnShadow() { SetStyle(TQRXShadowStyle::hssNone); }

void TQRXRegionBorder::SetStyle(TQRXRegionBorderStyle value) {
  if (value == style_) return;
  style_ = value;
  Change();
}

void TQRXRegionBorder::SetLightColor(TColor value) {
  if (value == light_color_) return;
  light_color_ = value;
  Change();
}

void TQRXRegionBorder::SetShadowColor(TColor value) {
  if (value == shadow_color_) return;
  shadow_color_ = value;
  Change();
}

void TQRXRegionBorder::SetSingleColor(TColor value) {
  if (value == single_color_) return;
  single_color_ = value;
  Change();
}

void TQRXRegionBorder::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXRegionBorder*>(source);
  if (!other) {
    TQRXObject::Assign(source);
    return;
  }
  style_ = other->style_;
  light_color_ = other->light_color_;
  shadow_color_ = other->shadow_color_;
  single_color_ = other->single_color_;
  Change();
}

// ---- TQRXRegion ----

TQRXRegion::TQRXRegion(TComponent* owner)
    : mask_(std::make_unique<TQRXRegionMask>()),
      shadow_(std::make_unique<TQRXRgnShadow>()),
      points_(std::make_unique<TQRXPointList>()),
      border_(std::make_unique<TQRXRegionBorder>()),
      owner_(owner) {
  const auto forward = [this](TQRXObject*) { Change(); };
  mask_->OnChange = forward;
  shadow_->OnChange = forward;
  border_->OnChange = forward;
  points_->OnChange = [this](TQRXPointList*) { BuildPointListRegion(); };
}

TQRXRegion::~TQRXRegion() {
  points_->OnChange = nullptr;
  mask_->OnChange = nullptr;
  shadow_->OnChange = nullptr;
  border_->OnChange = nullptr;
  owner_ = nullptr;
}

bool TQRXRegion::OwnerDesigning() const { return owner_ && owner_->Designing(); }
bool TQRXRegion::OwnerDestroying() const { return owner_ && owner_->Destroying(); }

void TQRXRegion::SetShape(TQRXRegionShape value) {
  if (value == shape_) return;
  shape_ = value;
  if (shape_ == TQRXRegionShape::rsPointList) BuildPointListRegion();
  Change();
}

namespace {

bool UsesRounding(TQRXRegionShape shape) {
  return shape == TQRXRegionShape::rsRoundRect || shape == TQRXRegionShape::rsRoundNoseRect ||
         shape == TQRXRegionShape::rsRoundThinkBubble;
}

}  // namespace

void TQRXRegion::SetRoundX(int value) {
  if (value == round_x_) return;
  round_x_ = value;
  if (UsesRounding(shape_)) Change();
}

void TQRXRegion::SetRoundY(int value) {
  if (value == round_y_) return;
  round_y_ = value;
  if (UsesRounding(shape_)) Change();
}

void TQRXRegion::SetExtPos(TQRXExtPos value) {
  if (value == ext_pos_) return;
  ext_pos_ = value;
  Change();
}

void TQRXRegion::StoreRegionData(const QRegion& region) { stored_ = RegionToData(region); }

void TQRXRegion::BuildPointListRegion() {
  if (points_->Count() < 1 || shape_ != TQRXRegionShape::rsPointList) return;
  std::vector<TPoint> points;
  for (int i = 0; i < points_->Count(); ++i) points.push_back(points_->Point(i));
  StoreRegionData(PolygonRegion(points));
}

bool TQRXRegion::CreateRegion(QRegion& region, const TRect& r) const {
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  switch (shape_) {
    case TQRXRegionShape::rsRect:
      region = QRegion(r.Left, r.Top, std::max(0, w), std::max(0, h));
      return true;
    case TQRXRegionShape::rsRoundRect:
      region = RoundRectRegion(r, round_x_, round_y_);
      return true;
    case TQRXRegionShape::rsBitmap:
      return mask_->RegionDataSize() != 0 && RegionFromData(mask_->RegionData(), region);
    case TQRXRegionShape::rsNoseRect:
      region = NoseRectRegion(r, w / 10, ext_pos_);
      return true;
    case TQRXRegionShape::rsRoundNoseRect:
      region = RoundNoseRectRegion(r, w / 10, round_x_, round_y_, ext_pos_);
      return true;
    case TQRXRegionShape::rsElliptic:
      region = EllipseRegion(r.Left, r.Top, r.Right, r.Bottom);
      return true;
    case TQRXRegionShape::rsStar:
      region = StarRegion(r);
      return true;
    case TQRXRegionShape::rsRoundShield:
      region = RoundShieldRegion(r);
      return true;
    case TQRXRegionShape::rsSharpShield:
      region = SharpShieldRegion(r);
      return true;
    case TQRXRegionShape::rsDiamond:
      region = DiamondRegion(r);
      return true;
    case TQRXRegionShape::rsOctagon:
      region = OctagonRegion(r);
      return true;
    case TQRXRegionShape::rsComb:
      region = CombRegion(r);
      return true;
    case TQRXRegionShape::rsHalfRound:
      region = EllipseRegion(r.Left, r.Top - h, r.Right, r.Bottom);
      return true;
    case TQRXRegionShape::rsUserRegion:
      if (OwnerDesigning()) {
        region = QRegion(r.Left, r.Top, std::max(0, w), std::max(0, h));
        return true;
      }
      return !stored_.empty() && RegionFromData(stored_, region);
    case TQRXRegionShape::rsThinkBubble:
      region = ThinkBubbleRegion(r, w / 6, kBubbleCount, ext_pos_);
      return true;
    case TQRXRegionShape::rsRoundThinkBubble:
      region = RoundThinkBubbleRegion(r, w / 6, kBubbleCount, ext_pos_, round_x_, round_y_);
      return true;
    case TQRXRegionShape::rsEllipticThinkBubble:
      region = EllipticThinkBubbleRegion(r, w / 6, kBubbleCount, ext_pos_);
      return true;
    case TQRXRegionShape::rsPointList:
      return !stored_.empty() && RegionFromData(stored_, region);
  }
  return false;
}

void TQRXRegion::UpdateRegion(TRect r) {
  if (OwnerDestroying()) return;
  region_ = QRegion();
  if (shadow_->Style() != TQRXShadowStyle::hssNone) {
    r.Right -= shadow_->Depth();
    r.Bottom -= shadow_->Depth();
  }
  QRegion built;
  has_region_ = CreateRegion(built, r);
  if (has_region_) region_ = built;
}

void TQRXRegion::SetRectRegion(const TRect& r) {
  if (OwnerDestroying()) return;
  region_ = QRegion(r.Left, r.Top, std::max(0, r.Right - r.Left), std::max(0, r.Bottom - r.Top));
  has_region_ = true;
}

void TQRXRegion::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXRegion*>(source);
  if (!other) {
    TQRXObject::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  shape_ = other->shape_;
  round_x_ = other->round_x_;
  round_y_ = other->round_y_;
  shadow_->Assign(other->shadow_.get());
  ext_pos_ = other->ext_pos_;
  border_->Assign(other->border_.get());
  mask_->Assign(other->mask_.get());
  EndUpdate(false);
  Change();
}

void TQRXRegion::DefineProperties(TQRXFiler& filer) {
  // "PointList": i32 count of integers, then X1, Y1, X2, Y2, ... (the
  // form file's list of integers).
  filer.DefineBinaryProperty(
      "PointList",
      [this](TStream& s) {
        const std::int32_t n = ReadStreamInteger(s);
        if (n < 0 || n % 2 != 0 || std::int64_t(n) * 4 > s.Size() - s.Position())
          throw EReadError("PointList: invalid count " + std::to_string(n));
        points_->BeginUpdate();
        for (std::int32_t i = 0; i < n; i += 2) {
          const int x = ReadStreamInteger(s);
          const int y = ReadStreamInteger(s);
          points_->AddPoint({x, y});
        }
        points_->EndUpdate();
        points_->Changed();
      },
      [this](TStream& s) {
        WriteStreamInteger(s, points_->Count() * 2);
        for (int i = 0; i < points_->Count(); ++i) {
          const TPoint p = points_->Point(i);
          WriteStreamInteger(s, p.X);
          WriteStreamInteger(s, p.Y);
        }
      },
      points_->Count() > 0);
}

// ---- border painting ----

namespace {

using Style = TQRXRegionBorderStyle;

struct Colours {
  TColor light, shadow, single;
};

Colours SchemeOf(const TQRXRegionBorder& border) {
  Colours c{border.LightColor(), border.ShadowColor(), border.SingleColor()};
  const Style s = border.Style();
  if (s == Style::rbLowered || s == Style::rbSingleLowered || s == Style::rbLoweredpsb) std::swap(c.light, c.shadow);
  if (s == Style::rbRaisedpsb || s == Style::rbLoweredpsb) std::swap(c.single, c.shadow);
  return c;
}

void Line(TCanvas& canvas, std::initializer_list<TPoint> points, TColor colour) {
  canvas.Pen().SetColor(colour);
  canvas.Polyline(std::span<const TPoint>(points.begin(), points.size()));
}

void PolyLine(TCanvas& canvas, const std::vector<TPoint>& points, TColor colour) {
  canvas.Pen().SetColor(colour);
  canvas.Polyline(points);
}

void ArcOf(TCanvas& canvas, const TRect& box, TPoint from, TPoint to, TColor colour) {
  canvas.Pen().SetColor(colour);
  canvas.Arc(box.Left, box.Top, box.Right, box.Bottom, from.X, from.Y, to.X, to.Y);
}

// One shape's outline split into its light and its shadow part.
class ShapePainter {
 public:
  virtual ~ShapePainter() = default;
  virtual void Outline(TCanvas& canvas, const TRect& r, TColor colour) {
    Light(canvas, r, colour);
    Shadow(canvas, r, colour);
  }
  virtual void Light(TCanvas& canvas, const TRect& r, TColor colour) = 0;
  virtual void Shadow(TCanvas& canvas, const TRect& r, TColor colour) = 0;
  // The second line of the psb styles.
  virtual void Inner(TCanvas& canvas, const TRect& r, TColor colour) { Shadow(canvas, r, colour); }
  // The border pen is two pixels wide and half of it falls outside the
  // shape, so the second line moves in two pixels to lie beside the first.
  virtual void InsetFor(Style style, TRect& r) const {
    (void)style;
    r.Left += 2, r.Top += 2, r.Right -= 2, r.Bottom -= 2;
  }

  void Paint(TCanvas& canvas, TRect r, const TQRXRegionBorder& border) {
    const Colours c = SchemeOf(border);
    switch (border.Style()) {
      case Style::rbNone:
        return;
      case Style::rbLowered:
      case Style::rbRaised:
        Light(canvas, r, c.light);
        Shadow(canvas, r, c.shadow);
        return;
      case Style::rbSingle:
        Outline(canvas, r, c.single);
        return;
      case Style::rbSingleRaised:
      case Style::rbSingleLowered:
        Outline(canvas, r, c.single);
        InsetFor(border.Style(), r);
        Light(canvas, r, c.light);
        Shadow(canvas, r, c.shadow);
        return;
      case Style::rbRaisedpsb:
      case Style::rbLoweredpsb:
        Light(canvas, r, c.light);
        Shadow(canvas, r, c.shadow);
        InsetFor(border.Style(), r);
        Inner(canvas, r, c.single);
        return;
    }
  }
};

class RectPainter : public ShapePainter {
 public:
  void Outline(TCanvas& canvas, const TRect& r, TColor colour) override {
    Line(canvas, {{r.Right, r.Top}, {r.Left, r.Top}, {r.Left, r.Bottom}, {r.Right, r.Bottom}, {r.Right, r.Top}},
         colour);
  }
  void Light(TCanvas& canvas, const TRect& r, TColor colour) override {
    Line(canvas, {{r.Right, r.Top}, {r.Left, r.Top}, {r.Left, r.Bottom}}, colour);
  }
  void Shadow(TCanvas& canvas, const TRect& r, TColor colour) override {
    Line(canvas, {{r.Left, r.Bottom}, {r.Right, r.Bottom}, {r.Right, r.Top}}, colour);
  }
};

class RoundRectPainter : public ShapePainter {
 public:
  RoundRectPainter(int rx, int ry) : rx_(rx), ry_(ry) {}
  void Outline(TCanvas& canvas, const TRect& r, TColor colour) override {
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(colour);
    canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, rx_, ry_);
  }
  void Light(TCanvas& canvas, const TRect& r, TColor colour) override { Outline(canvas, r, colour); }
  void Shadow(TCanvas& canvas, const TRect& r, TColor colour) override {
    canvas.Pen().SetWidth(4);
    const int hx = rx_ / 2, hy = ry_ / 2;
    ArcOf(canvas, Rect(r.Left, r.Bottom - ry_, r.Left + rx_, r.Bottom), {r.Left, r.Bottom - hy}, {r.Left + hx, r.Bottom},
          colour);
    Line(canvas, {{r.Left + hx, r.Bottom - 1}, {r.Right - hx, r.Bottom - 1}}, colour);
    ArcOf(canvas, Rect(r.Right - rx_, r.Bottom - ry_, r.Right, r.Bottom), {r.Right - hx, r.Bottom},
          {r.Right, r.Bottom - hy}, colour);
    Line(canvas, {{r.Right - 1, r.Bottom - hy}, {r.Right - 1, r.Top + hy}}, colour);
    ArcOf(canvas, Rect(r.Right - rx_, r.Top, r.Right, r.Top + ry_), {r.Right, r.Top + hy}, {r.Right - hx, r.Top},
          colour);
  }
  void InsetFor(Style style, TRect& r) const override {
    if (style == Style::rbSingleRaised || style == Style::rbSingleLowered) {
      r.Left += 1, r.Top += 1, r.Right -= 3, r.Bottom -= 3;
      return;
    }
    ShapePainter::InsetFor(style, r);
  }

 private:
  int rx_, ry_;
};

class EllipsePainter : public ShapePainter {
 public:
  explicit EllipsePainter(bool half = false) : half_(half) {}
  TRect Box(const TRect& r) const { return half_ ? Rect(r.Left, 2 * r.Top - r.Bottom, r.Right, r.Bottom) : r; }
  void Outline(TCanvas& canvas, const TRect& r, TColor colour) override {
    const TRect b = Box(r);
    canvas.Pen().SetColor(colour);
    canvas.Ellipse(b.Left, b.Top, b.Right, b.Bottom);
  }
  void Light(TCanvas& canvas, const TRect& r, TColor colour) override {
    ArcOf(canvas, Box(r), {r.Right, r.Top}, {r.Left, r.Bottom}, colour);
  }
  void Shadow(TCanvas& canvas, const TRect& r, TColor colour) override {
    ArcOf(canvas, Box(r), {r.Left, r.Bottom}, {r.Right, r.Top}, colour);
  }

 private:
  bool half_;
};

class PolygonPainter : public ShapePainter {
 public:
  using Points = std::vector<TPoint> (*)(const TRect&);
  PolygonPainter(Points points, std::vector<std::vector<int>> light, std::vector<std::vector<int>> shadow,
                 std::vector<std::vector<int>> inner = {}, int insetSingle = 2, int insetPsb = 2)
      : points_(points),
        light_(std::move(light)),
        shadow_(std::move(shadow)),
        inner_(std::move(inner)),
        inset_single_(insetSingle),
        inset_psb_(insetPsb) {}
  void Outline(TCanvas& canvas, const TRect& r, TColor colour) override {
    std::vector<TPoint> p = points_(r);
    p.push_back(p.front());
    PolyLine(canvas, p, colour);
  }
  void Light(TCanvas& canvas, const TRect& r, TColor colour) override { Runs(canvas, r, light_, colour); }
  void Shadow(TCanvas& canvas, const TRect& r, TColor colour) override { Runs(canvas, r, shadow_, colour); }
  void Inner(TCanvas& canvas, const TRect& r, TColor colour) override {
    Runs(canvas, r, inner_.empty() ? shadow_ : inner_, colour);
  }
  void InsetFor(Style style, TRect& r) const override {
    const int n = (style == Style::rbRaisedpsb || style == Style::rbLoweredpsb) ? inset_psb_ : inset_single_;
    r.Left += n, r.Top += n, r.Right -= n, r.Bottom -= n;
  }

 private:
  void Runs(TCanvas& canvas, const TRect& r, const std::vector<std::vector<int>>& runs, TColor colour) {
    const std::vector<TPoint> p = points_(r);
    for (const auto& run : runs) {
      std::vector<TPoint> line;
      for (int i : run) line.push_back(p[std::size_t(i)]);
      PolyLine(canvas, line, colour);
    }
  }
  Points points_;
  std::vector<std::vector<int>> light_, shadow_, inner_;
  int inset_single_, inset_psb_;
};

// Shields: the notch arcs along the top and the body arcs, placed at the
// rectangle's corner.
class ShieldPainter : public ShapePainter {
 public:
  explicit ShieldPainter(bool sharp) : sharp_(sharp) {}
  void Light(TCanvas& canvas, const TRect& r, TColor colour) override {
    const int w = r.Right - r.Left, h = r.Bottom - r.Top, L = r.Left, T = r.Top;
    // The notches' lower halves, from the left corner to the middle and on.
    ArcOf(canvas, Rect(L - w / 2, T - h / 5, L + w / 2, T + h / 5), {L, T + h / 5}, {L + w / 2, T}, colour);
    ArcOf(canvas, Rect(L + w / 2, T - h / 5, L + w / 2 + w, T + h / 5), {L + w / 2, T}, {L + w, T + h / 5}, colour);
  }
  void Shadow(TCanvas& canvas, const TRect& r, TColor colour) override {
    const int w = r.Right - r.Left, h = r.Bottom - r.Top, L = r.Left, T = r.Top;
    if (!sharp_) {
      ArcOf(canvas, Rect(L, T + h / 5 - h, L + w, T + h), {L, T}, {L + w, T}, colour);
      return;
    }
    const int e = (8 * h) / 7;
    ArcOf(canvas, Rect(L, T - e, L + 2 * w, T + e), {L, T}, {L + w / 2, T + h}, colour);
    ArcOf(canvas, Rect(L - w, T - e, L + w, T + e), {L + w / 2, T + h}, {L + w, T}, colour);
  }

 private:
  bool sharp_;
};

std::unique_ptr<ShapePainter> PainterFor(TQRXRegionShape shape, int rx, int ry) {
  switch (shape) {
    case TQRXRegionShape::rsRect:
    case TQRXRegionShape::rsNoseRect:
    case TQRXRegionShape::rsThinkBubble:
      return std::make_unique<RectPainter>();
    case TQRXRegionShape::rsRoundRect:
    case TQRXRegionShape::rsRoundNoseRect:
    case TQRXRegionShape::rsRoundThinkBubble:
      return std::make_unique<RoundRectPainter>(rx, ry);
    case TQRXRegionShape::rsElliptic:
    case TQRXRegionShape::rsEllipticThinkBubble:
      return std::make_unique<EllipsePainter>();
    case TQRXRegionShape::rsHalfRound:
      return std::make_unique<EllipsePainter>(true);
    case TQRXRegionShape::rsDiamond:
      return std::make_unique<PolygonPainter>(DiamondPoints, std::vector<std::vector<int>>{{3, 0, 1}},
                                              std::vector<std::vector<int>>{{1, 2, 3}},
                                              std::vector<std::vector<int>>{{2, 3, 0}});
    case TQRXRegionShape::rsStar:
      return std::make_unique<PolygonPainter>(
          StarPoints, std::vector<std::vector<int>>{{1, 2}, {3, 4}, {6, 7}, {8, 9, 0}},
          std::vector<std::vector<int>>{{0, 1}, {2, 3}, {4, 5, 6}, {7, 8}}, std::vector<std::vector<int>>{}, 2, 3);
    case TQRXRegionShape::rsOctagon:
      return std::make_unique<PolygonPainter>(OctagonPoints, std::vector<std::vector<int>>{{7, 0, 1, 2, 3}},
                                              std::vector<std::vector<int>>{{3, 4, 5, 6, 7}});
    case TQRXRegionShape::rsComb:
      return std::make_unique<PolygonPainter>(CombPoints, std::vector<std::vector<int>>{{5, 0, 1, 2}},
                                              std::vector<std::vector<int>>{{2, 3, 4, 5}});
    case TQRXRegionShape::rsRoundShield:
      return std::make_unique<ShieldPainter>(false);
    case TQRXRegionShape::rsSharpShield:
      return std::make_unique<ShieldPainter>(true);
    default:
      return nullptr;
  }
}

void PaintPointList(TCanvas& canvas, TQRXRegion& region) {
  TQRXPointList& points = region.Points();
  if (points.Count() == 0) return;
  const TQRXRegionBorder& border = region.Border();
  Colours c = SchemeOf(border);
  if (border.Style() == Style::rbSingle) c.light = c.shadow = border.SingleColor();
  TColor colour = c.light;
  const auto edge = [&](TPoint from, TPoint to) {
    if (to.Y > from.Y) colour = c.shadow;
    if (to.Y < from.Y) colour = c.light;
    if (to.X < from.X) colour = c.shadow;
    if (to.X > from.X) colour = c.light;
    Line(canvas, {from, to}, colour);
  };
  for (int i = 1; i < points.Count(); ++i) edge(points.Point(i - 1), points.Point(i));
  edge(points.Point(points.Count() - 1), points.Point(0));
}

}  // namespace

void PaintRegionBorder(TCanvas& canvas, TRect r, TQRXRegion& region) {
  const TQRXRegionShape shape = region.Shape();
  const TQRXRegionBorder& border = region.Border();
  if (shape == TQRXRegionShape::rsBitmap || shape == TQRXRegionShape::rsUserRegion) return;
  if (shape == TQRXRegionShape::rsPointList) {
    PaintPointList(canvas, region);
    return;
  }
  const int w = r.Right - r.Left;
  if (shape == TQRXRegionShape::rsNoseRect || shape == TQRXRegionShape::rsRoundNoseRect) {
    const bool round = shape == TQRXRegionShape::rsRoundNoseRect;
    TPoint p0, p1, p2;
    NosePoints(r, w / 10, region.ExtPos(), round ? NoseOffset(region.ExtPos(), region.RoundX(), region.RoundY()) : 5,
               p0, p1, p2);
    // A gap in the border where the nose joins the body.
    const int widen = round ? 4 : 2;
    canvas.ExcludeClipRect(Rect(std::min(p1.X, p2.X) - widen, std::min(p1.Y, p2.Y) - widen,
                                std::max(p1.X, p2.X) + widen, std::max(p1.Y, p2.Y) + widen));
  }
  if (shape == TQRXRegionShape::rsThinkBubble || shape == TQRXRegionShape::rsRoundThinkBubble ||
      shape == TQRXRegionShape::rsEllipticThinkBubble) {
    const std::vector<TQRXBubble> bubbles = BubbleTrail(r, w / 6, TQRXRegion::kBubbleCount, region.ExtPos());
    EllipsePainter circle;
    for (std::size_t i = 0; i + 1 < bubbles.size(); ++i) {
      const int radius = bubbles[i].diameter / 2;
      if (radius <= 0) continue;
      const TRect box = Rect(bubbles[i].x - radius, bubbles[i].y - radius, bubbles[i].x + radius, bubbles[i].y + radius);
      circle.Paint(canvas, box, border);
      canvas.ExcludeClipRect(box);
    }
  }
  if (auto painter = PainterFor(shape, region.RoundX(), region.RoundY())) painter->Paint(canvas, r, border);
}

void TQRXRegion::PaintShadow(TCanvas& canvas, TRect& r) {
  if (shadow_->Style() == TQRXShadowStyle::hssNone) return;
  const int depth = shadow_->Depth();
  r.Right -= depth;
  r.Bottom -= depth;
  const QRegion shadow = region_.translated(depth, depth) - region_;
  if (shadow.isEmpty()) return;
  const bool hadClip = canvas.HasClipRegion();
  const QRegion oldClip = canvas.ClipRegion();
  const QRegion clip = hadClip ? (oldClip & shadow) : shadow;
  canvas.SelectClipRgn(&clip);
  const QRect box = shadow.boundingRect();
  const TRect area = Rect(box.left(), box.top(), box.left() + box.width(), box.top() + box.height());
  if (shadow_->Style() == TQRXShadowStyle::hssSolid) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(shadow_->Color());
    canvas.FillRect(area);
  } else {
    // Tracing: the pattern masks what is there, darkening every other pixel.
    TBitmap pattern;
    pattern.SetSize(area.Right - area.Left, area.Bottom - area.Top);
    pattern.Canvas().Brush().SetBitmap(&QRXApplication().GetPatternBitmap(shadow_->Color()));
    pattern.Canvas().SetBrushOrigin({-area.Left, -area.Top});
    pattern.Canvas().FillRect(Rect(0, 0, pattern.Width(), pattern.Height()));
    pattern.Canvas().Brush().SetBitmap(nullptr);
    const TCopyMode mode = canvas.CopyMode();
    canvas.SetCopyMode(cmSrcAnd);
    canvas.CopyRect(area, pattern.Canvas(), Rect(0, 0, pattern.Width(), pattern.Height()));
    canvas.SetCopyMode(mode);
  }
  canvas.SelectClipRgn(hadClip ? &oldClip : nullptr);
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetMode(pmCopy);
  canvas.Pen().SetStyle(psSolid);
}

void TQRXRegion::PaintBorder(TCanvas& canvas, TRect r) {
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetWidth(2);
  PaintShadow(canvas, r);
  PaintRegionBorder(canvas, r, *this);
}

// ---- TQRXFormShape ----

TQRXFormShape::TQRXFormShape(TComponent* owner)
    : TQRXWndProcComponent(owner),
      region_(std::make_unique<TQRXBorderRegion>(owner)),
      fill_object_(std::make_unique<TQRXFillObject>()),
      background_(std::make_unique<TBitmap>()),
      change_link_(std::make_unique<TQRXChangeLink>()) {
  if (Designing() && CheckOneInstance<TQRXFormShape>(owner)) throw QRXEOneInstError("TQRXFormShape", 0);
  const auto changed = [this](TQRXObject*) { GetChange(this); };
  region_->OnChange = changed;
  fill_object_->SetStyle(TQRXFillStyle::sfNone);
  fill_object_->OnChange = changed;
  change_link_->OnChange = [this](TComponent*) { GetChange(this); };
}

TQRXFormShape::~TQRXFormShape() {
  RemoveHook();
  change_link_->OnChange = nullptr;
  change_link_.reset();
  fill_object_->OnChange = nullptr;
  region_->OnChange = nullptr;
  region_->SetOwner(nullptr);
}

void TQRXFormShape::SetShowFormCaption(bool value) {
  if (value == show_form_caption_) return;
  show_form_caption_ = value;
  ApplyRegion();
}

void TQRXFormShape::SetUseRgnBitmap(bool value) {
  if (value == use_rgn_bitmap_) return;
  use_rgn_bitmap_ = value;
  GetChange(this);
}

void TQRXFormShape::SetImageList(TQRXCustomImageList* value) {
  if (image_list_) image_list_->UnregisterChanges(change_link_.get());
  image_list_ = value;
  if (image_list_) {
    image_list_->RegisterChanges(change_link_.get());
    FreeNotification(image_list_);
  }
  GetChange(this);
}

void TQRXFormShape::Notification(TComponent* component, TOperation operation) {
  TQRXWndProcComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == image_list_) image_list_ = nullptr;
}

void TQRXFormShape::GetChange(TComponent* sender) {
  TQRXWndProcComponent::GetChange(sender);
  ApplyRegion();
}

void TQRXFormShape::Loaded() {
  TQRXWndProcComponent::Loaded();
  if (Enabled()) ApplyRegion();
}

void TQRXFormShape::DefineProperties(TQRXFiler& filer) {
  TQRXWndProcComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Internal",
      [this](TStream& s) {
        const std::int32_t n = ReadStreamInteger(s);
        if (n < 0 || n > 64 || n > s.Size() - s.Position()) throw EReadError("Internal: invalid list reference");
        std::string ref(std::size_t(n), '\0');
        s.ReadBuffer(ref.data(), n);
        SetImageList(dynamic_cast<TQRXCustomImageList*>(ReadGlobalListRef(ref)));
      },
      [this](TStream& s) {
        const std::string ref = WriteGlobalListRef(image_list_);
        WriteStreamInteger(s, std::int32_t(ref.size()));
        s.WriteBuffer(ref.data(), std::int64_t(ref.size()));
      },
      image_list_ && IsGlobalImageList(image_list_));
}

// The form's window is the client area: the window manager's frame and
// title bar lie outside it, so the frame sizes of the shape are 0 and the
// caption strip is the window manager's, shown or taken away as a whole.
void TQRXFormShape::ApplyRegion() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (Loading() || !form || Destroying()) return;
  const bool minimized = form->isMinimized();
  TQRXBorderRegion& region = *region_;
  const int depth = region.Shadow().Depth();
  if (!minimized && region.Shape() == TQRXRegionShape::rsBitmap) {
    TBitmap& picture = region.Mask().BorderBmp();
    form->SetBounds(form->Left(), form->Top(), picture.Width() + depth, picture.Height() + depth);
  }
  if (minimized) return;
  TRect r = Rect(0, 0, form->Width(), form->Height());
  r.Left -= 1, r.Top -= 1, r.Right += 1, r.Bottom += 1;
  region.UpdateRegion(r);
  // Without a shape the window keeps a single pixel, so it stays a window.
  QRegion window = region.HasRegion() ? region.RegionHandle() : QRegion(0, 0, 1, 1);
  if (region.Shadow().Style() != TQRXShadowStyle::hssNone) window += window.translated(depth, depth);
  window_region_ = window;
  if (Designing()) return;
  const bool caption = show_form_caption_ && form->BorderStyle() != bsNone;
  // The window manager draws the caption: taking it away makes the window
  // frameless (the other decoration flags would bring a frame back), and
  // showing it again restores the flags the form had.
  const bool frameless = form->windowFlags().testFlag(Qt::FramelessWindowHint);
  if (form->BorderStyle() != bsNone && frameless == caption) {
    const bool visible = form->isVisible();
    if (!caption) {
      saved_flags_ = form->windowFlags();
      form->setWindowFlags(Qt::Window | Qt::FramelessWindowHint |
                           (saved_flags_ & Qt::WindowStaysOnTopHint));
    } else {
      form->setWindowFlags(saved_flags_ ? saved_flags_ : (form->windowFlags() & ~Qt::FramelessWindowHint));
    }
    if (visible) form->show();
  }
  form->clearMask();
  form->setMask(window);
  form->update();
}

void TQRXFormShape::PaintBackground(TCanvas* canvas) {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form) return;
  if (!canvas) {
    // The form's canvas exists only while it paints: paint then.
    form->update();
    return;
  }
  const TRect r = Rect(0, 0, form->ClientWidth(), form->ClientHeight());
  TQRXBorderRegion& region = *region_;
  if (!use_rgn_bitmap_ || region.Shape() != TQRXRegionShape::rsBitmap) {
    if (fill_object_->Style() != TQRXFillStyle::sfNone) {
      background_->SetSize(r.Right, r.Bottom);
      if (fill_object_->Style() == TQRXFillStyle::sfBitmapList && image_list_ &&
          image_list_->IsValid(list_index_, image_index_))
        image_list_->GetBitmap(list_index_, image_index_, fill_object_->ListBitmap());
      fill_object_->DoFill(background_->Canvas(), r, 0xFFFFFF);
      if (!Designing()) canvas->Draw(0, 0, *background_);
    }
  } else if (!Designing()) {
    canvas->Draw(0, 0, region.Mask().BorderBmp());
  } else {
    QRegion stored;
    if (RegionFromData(region.Mask().RegionData(), stored)) {
      // A one-pixel frame along the stored region.
      const QRegion inner = stored & stored.translated(1, 0) & stored.translated(-1, 0) & stored.translated(0, 1) &
                            stored.translated(0, -1);
      const QRegion frame = (stored - inner).translated(0, -canvas->ClipRect().Top);
      for (const QRect& q : frame) canvas->FillRect(Rect(q.left(), q.top(), q.right() + 1, q.bottom() + 1));
    }
  }
  region.PaintBorder(*canvas, r);
}

bool TQRXFormShape::HasBackground() const {
  if (use_rgn_bitmap_ && region_->Shape() == TQRXRegionShape::rsBitmap) return true;
  return fill_object_->Style() != TQRXFillStyle::sfNone && !Designing();
}

TBitmap* TQRXFormShape::GetBackgroundBitmap() {
  if (use_rgn_bitmap_ && region_->Shape() == TQRXRegionShape::rsBitmap) return &region_->Mask().BorderBmp();
  if (fill_object_->Style() != TQRXFillStyle::sfNone) return background_.get();
  return nullptr;
}

bool TQRXFormShape::BackgroundHook(TCanvas& canvas, const TRect& r, const TPoint& offset) {
  if (!HasBackground()) return false;
  TBitmap* background = GetBackgroundBitmap();
  if (!background) return false;
  const TRect source = Rect(offset.X, offset.Y, offset.X + (r.Right - r.Left), offset.Y + (r.Bottom - r.Top));
  canvas.CopyRect(r, background->Canvas(), source);
  return true;
}

bool TQRXFormShape::WndProc(QEvent* event) {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      // A press on the form itself (controls get their own) grabs the
      // window, as its caption would.
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!form_dragable_ || mouse->button() != Qt::LeftButton) return false;
      QWindow* window = form->windowHandle();
      if (window && window->startSystemMove()) return true;
      dragging_ = true;
      drag_offset_ = mouse->globalPosition().toPoint() - form->pos();
      return true;
    }
    case QEvent::MouseMove:
      if (!dragging_) return false;
      form->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - drag_offset_);
      return true;
    case QEvent::MouseButtonRelease:
      if (!dragging_) return false;
      dragging_ = false;
      return true;
    case QEvent::Resize:
      ApplyRegion();
      return false;
    case QEvent::Paint: {
      if (painting_) return false;
      painting_ = true;
      const bool formFirst = fill_object_->Style() == TQRXFillStyle::sfNone &&
                             region_->Shape() != TQRXRegionShape::rsBitmap;
      // The form paints first when there is nothing of ours beneath it; our
      // fill or picture goes under the form's own painting otherwise.
      if (formFirst) QCoreApplication::sendEvent(form, event);
      {
        QPainter painter(form);
        TCanvas canvas;
        canvas.BeginPainting(&painter);
        PaintBackground(&canvas);
        canvas.EndPainting();
      }
      if (!formFirst) QCoreApplication::sendEvent(form, event);
      painting_ = false;
      return true;
    }
    default:
      return TQRXWndProcComponent::WndProc(event);
  }
}
