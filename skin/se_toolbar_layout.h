#pragma once
// How a tool bar lines up its visible children: buttons and dividers sized
// by the bar, every child in the order of its position along the bar (the
// one that moved first), each stretched across the bar and set after the
// one before it. A plain computation the tool bar runs at every realign.

#include <vector>

#include "platform/gui/Geometry.h"

struct TSeToolBarItem {
  enum Kind { Button, Divider, Other };
  Kind ItemKind = Other;
  TRect Bounds;
  int ChevronWidth = 0;  // a button's chevron part when it shows one
};

struct TSeToolBarShape {
  bool Horizontal = true;
  TRect Client;  // the area the children share
  int ButtonWidth = 25;
  int DividerWidth = 8;
  bool ButtonAutoSize = true;
};

// True when the bar lines its children up from left to right.
bool ToolBarIsHorizontal(int width, int height, bool alignedTopOrBottom);

struct TSeToolBarPlacement {
  int Item = 0;  // index into the items given
  TRect Bounds;
};

// The visible items (all of `items`) in the order they are placed, each
// with its new bounds. `moved` is the index of the child whose move caused
// the realign, or -1.
std::vector<TSeToolBarPlacement> LayoutToolBar(const TSeToolBarShape& bar, const std::vector<TSeToolBarItem>& items,
                                               int moved);
