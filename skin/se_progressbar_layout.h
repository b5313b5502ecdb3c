#pragma once
// How much of a progress bar is filled: the fraction of Position between
// Min and Max, the bar's inner rectangle, the filled part of a smooth bar
// and the blocks of a classic block bar.

#include <vector>

#include "platform/gui/Geometry.h"

enum TSeBarOrientation { kboHorizontal, kboVertical };

struct TSeProgressGeometry {
  int Min = 0;
  int Max = 100;
  int PaintedWidth = 0;
  int PaintedHeight = 0;
  TSeBarOrientation Orientation = kboHorizontal;
  bool ShowBorder = true;
  int BorderWidth = 0;

  // 0 for a value outside Min..Max, a negative Min or an empty range.
  float Fraction(int value) const;
  TRect BarRect() const;
  // The filled cut of BarRect: from the left, or from the bottom.
  TRect FilledRect(int value) const;
  // The blocks of a block bar, first (leftmost or lowest) first.
  std::vector<TRect> Blocks(int value) const;
};
