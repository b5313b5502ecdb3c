#pragma once
// Rectangles and points with the host's conventions: a rectangle is given by
// its corners, and Right and Bottom are exclusive (Right - Left is the width).

#include <QPoint>
#include <QRect>

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
  QPoint ToQPoint() const { return {X, Y}; }
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // QRect keeps the width, not the exclusive corner.
  QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
  static TRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int x, int y) { return {x, y}; }
inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// The overlap of two rectangles; empty rectangles give (0,0,0,0) as the host does.
TRect IntersectRect(const TRect& a, const TRect& b);
void InflateRect(TRect& r, int dx, int dy);
void OffsetRect(TRect& r, int dx, int dy);
bool PtInRect(const TRect& r, const TPoint& p);
