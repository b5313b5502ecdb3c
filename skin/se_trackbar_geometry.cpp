#include "skin/se_trackbar_geometry.h"

#include <algorithm>
#include <cmath>

#include "skin/se_drawing.h"

namespace {

// Halves go to the even neighbour.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

int TSeTrackGeometry::PixelFromPosition(int value) const {
  if (Max == Min) return 0;
  const int pixel =
      RoundEven(static_cast<double>(value - Min) * TrackLength() / (Max - Min)) + ThumbWidth / 2 + Margin;
  return std::clamp(pixel, 0, 0xFFFF);
}

int TSeTrackGeometry::PositionFromPixel(int pixel) const {
  // A control too short for its margins and thumb has no track to map.
  if (TrackLength() <= 0) return Min;
  const long long span = static_cast<long long>(pixel - Margin - ThumbWidth / 2) * (Max - Min);
  int v = RoundEven(static_cast<double>(span) / TrackLength() + Min);
  const int frequency = std::max(1, Frequency);
  const int r = v % frequency;
  v = r > frequency / 2 ? v - r + frequency : v - r;
  return std::clamp(v, Min, Max);
}

int TSeTrackGeometry::ThumbBandStart() const {
  return Offset + (ShowTicks && (TickMarks == tmTopLeft || TickMarks == tmBoth) ? 5 : 0);
}

TRect TSeTrackGeometry::Oriented(int alongFrom, int acrossFrom, int alongTo, int acrossTo) const {
  return Orientation == toHorizontal ? Rect(alongFrom, acrossFrom, alongTo, acrossTo)
                                     : Rect(acrossFrom, alongFrom, acrossTo, alongTo);
}

TPoint TSeTrackGeometry::OrientedPoint(int along, int across) const {
  return Orientation == toHorizontal ? Point(along, across) : Point(across, along);
}

std::vector<TPoint> TSeTrackGeometry::ThumbPolygon(int pixel) const {
  const int w = ThumbWidth;
  const int a = ThumbBandStart();
  const int u = pixel - w / 2;
  const int tl = ThumbLength;
  // Along u, across v; the point faces away from the band start for the
  // bottom/right ticks and toward it for the top/left ones.
  if (TickMarks == tmTopLeft)
    return {OrientedPoint(u + w / 2, a), OrientedPoint(u + w - 1, a + w / 2), OrientedPoint(u + w - 1, a + tl - 1),
            OrientedPoint(u, a + tl - 1), OrientedPoint(u, a + w / 2)};
  return {OrientedPoint(u, a), OrientedPoint(u + w - 1, a), OrientedPoint(u + w - 1, a + tl - w / 2 - 1),
          OrientedPoint(u + w / 2, a + tl - 1), OrientedPoint(u, a + tl - w / 2 - 1)};
}

TRect TSeTrackGeometry::ThumbRect(int pixel) const {
  const int u = pixel - ThumbWidth / 2;
  const int a = ThumbBandStart();
  return Oriented(u, a, u + ThumbWidth, a + ThumbLength);
}

bool TSeTrackGeometry::PtInThumb(int pixel, const TPoint& p) const {
  if (RectangularThumb()) return PtInRect(ThumbRect(pixel), p);
  return se::PtInPolygon(p, ThumbPolygon(pixel));
}

TRect TSeTrackGeometry::TrackRect(int start, int stop) const {
  const int w = ThumbWidth;
  const int shift = ShowTicks && (TickMarks == tmTopLeft || TickMarks == tmBoth) ? 5 : 0;
  int near = Offset + (TickMarks == tmTopLeft ? w / 2 : w / 4) + shift;
  int far;
  if (TickMarks == tmBoth) {
    far = near + ThumbLength - 2 * (w / 4);
    ++near;
    --far;
  } else {
    far = near + ThumbLength - w / 2 - w / 4;
  }
  return Oriented(start, near, stop, far);
}

TRect TSeTrackGeometry::IntervalRect(int start, int stop, int thumbPixel, TIntervalHighlightType type) const {
  if (type == htNone) return {};
  TRect r = TrackRect(start, stop);
  const bool low = type == htLowInterval;
  if (Orientation == toHorizontal) {
    r.Left = low ? start : thumbPixel;
    r.Right = low ? thumbPixel : stop;
  } else {
    r.Top = low ? start : thumbPixel;
    r.Bottom = low ? thumbPixel : stop;
  }
  return r;
}

std::vector<int> TSeTrackGeometry::TickValues() const {
  std::vector<int> values;
  const long long frequency = std::max(1, Frequency);
  // No more ticks than the track has pixels (twice over): a huge range would
  // otherwise take ages to paint one black band.
  const long long count = (static_cast<long long>(Max) - Min) / frequency;
  const long long limit = 2LL * std::max(1, Length);
  const long long step = count > limit ? frequency * ((count + limit - 1) / limit) : frequency;
  values.push_back(Min);
  long long v = static_cast<long long>(Min) - Min % frequency;  // a multiple, toward zero
  while (v <= Min) v += step;
  for (; v < Max; v += step) values.push_back(static_cast<int>(v));
  if (Max != Min) values.push_back(Max);
  return values;
}

std::vector<TSeTrackGeometry::Tick> TSeTrackGeometry::Ticks() const {
  std::vector<Tick> ticks;
  if (!ShowTicks) return ticks;
  const std::vector<int> values = TickValues();
  auto side = [&](bool upper) {
    for (int v : values) {
      const bool end = v == Min || v == Max;
      const int pixel = PixelFromPosition(v);
      if (upper) {
        ticks.push_back({pixel, true, Offset + 3, Offset - (end ? 1 : 0)});
      } else {
        const int b = ThumbLength + Offset + 2 + (TickMarks == tmBoth ? 4 : 0);
        ticks.push_back({pixel, false, b, b + (end ? 4 : 3)});
      }
    }
  };
  if (TickMarks == tmTopLeft || TickMarks == tmBoth) side(true);
  if (TickMarks == tmBottomRight || TickMarks == tmBoth) side(false);
  return ticks;
}
