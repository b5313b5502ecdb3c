#pragma once
// The geometry of a track bar: values to pixels and back (with snapping to
// the tick frequency), the thumb's outline, the track and its highlighted
// interval, and where the ticks go. A plain value the control and its
// skinned subclass build from their current sizes.

#include <vector>

#include "platform/gui/Geometry.h"

enum TTrackOrientation { toHorizontal, toVertical };
enum TTickMark { tmBoth, tmBottomRight, tmTopLeft };
enum TIntervalHighlightType { htLowInterval, htHighInterval, htNone };

struct TSeTrackGeometry {
  TTrackOrientation Orientation = toHorizontal;
  int Min = 0;
  int Max = 10;
  int Frequency = 1;
  TTickMark TickMarks = tmBottomRight;
  bool ShowTicks = true;
  int Length = 0;       // S: the control's extent along the track
  int ThumbWidth = 9;   // w: the thumb along the track
  int ThumbLength = 20;  // the thumb across the track
  int Margin = 9;       // m: free length at each end
  int Offset = 7;       // a: where the thumb band starts across the track

  // L: the length the thumb's centre travels.
  int TrackLength() const { return Length - 2 * Margin - ThumbWidth; }
  // The thumb's centre line for a value.
  int PixelFromPosition(int value) const;
  // The value under a pixel, snapped to a multiple of Frequency and kept
  // within Min..Max.
  int PositionFromPixel(int pixel) const;

  // Where the thumb band starts: shifted past ticks drawn before it.
  int ThumbBandStart() const;
  bool RectangularThumb() const { return TickMarks == tmBoth; }
  // The five corners of a pointed thumb centred on `pixel`.
  std::vector<TPoint> ThumbPolygon(int pixel) const;
  TRect ThumbRect(int pixel) const;
  bool PtInThumb(int pixel, const TPoint& p) const;

  // The sunken track between `start` and `stop` along it.
  TRect TrackRect(int start, int stop) const;
  // The highlighted part of the track; empty for htNone.
  TRect IntervalRect(int start, int stop, int thumbPixel, TIntervalHighlightType type) const;

  struct Tick {
    int Pixel = 0;
    bool Upper = false;
    int From = 0;  // across the track; the line stops before To
    int To = 0;
    friend bool operator==(const Tick&, const Tick&) = default;
  };
  // The values that get a tick: Min, the multiples of Frequency, Max.
  std::vector<int> TickValues() const;
  // Every tick to draw, upper ones first; the ends are one pixel longer.
  std::vector<Tick> Ticks() const;

  // A rectangle given along/across the track, in the control's axes.
  TRect Oriented(int alongFrom, int acrossFrom, int alongTo, int acrossTo) const;
  TPoint OrientedPoint(int along, int across) const;
};
