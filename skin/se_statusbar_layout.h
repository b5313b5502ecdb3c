#pragma once
// Where the panels of a status bar go. Panels are laid out by priorities:
// those of low view priority drop out when the bar is too narrow, those of
// high stretch priority take the spare room (up to their MaxWidth), and a
// stretched panel that reaches the bar's end ends exactly at its edge.
// Also the panel under a point and the places of a panel's image and text.

#include <vector>

#include "platform/gui/Geometry.h"
#include "platform/gui/StdCtrls.h"

enum TSeStatusGliphLayout { sglGlyphLeft, sglGlyphRight };

// What the layout reads of a panel.
struct TSePanelSizing {
  int Width = 50;
  int MaxWidth = 10000;
  int ViewPriority = 100;
  int StretchPriority = 0;
};

// What the layout gives a panel.
struct TSePanelPlace {
  bool Shown = false;
  int CurrentWidth = 0;
  int Left = 0;
  int Right = 0;
};

// `client` is the bar's border client rectangle.
std::vector<TSePanelPlace> LayoutStatusPanels(const std::vector<TSePanelSizing>& panels, const TRect& client);
// The index of the panel under (x, y), or -1.
int StatusPanelAtPos(const std::vector<TSePanelSizing>& panels, const std::vector<TSePanelPlace>& places,
                     const TRect& client, int x, int y);

// The image and text places inside a panel's inner rectangle of width w
// and height h (relative to it).
struct TSePanelContent {
  int InnerWidth = 0;
  int InnerHeight = 0;
  TPoint Image;  // (0, 0) without an image
  TPoint Text;
  TSeStatusGliphLayout Layout = sglGlyphLeft;
  TAlignment Alignment = taLeftJustify;
  int Margin = 2;
  int Spacing = 4;

  TRect ImageRect() const;
  TRect TextRect() const;
};
