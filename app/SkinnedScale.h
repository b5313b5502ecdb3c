#pragma once
// The scale pictures under the capacity bar and the playing-time bar: ticks
// and labelled red marks drawn in code, in the colours the skin gives the
// lists above them (white with dark text without a skin), drawn again at
// every change of skin.

#include <QString>
#include <vector>

#include "platform/gui/Color.h"

class TBitmap;
class TImage;
class TSeSkinEngine;

struct TScaleMark {
  int X;
  QString Label;
  // The label goes left of its line (where the next mark sits close).
  bool LabelLeft = false;
};

struct TScaleDrawing {
  int Width = 0;
  int Height = 0;
  std::vector<int> Ticks;  // short strokes up from the bottom
  std::vector<TScaleMark> Marks;
};

// `back` fills the picture, `ink` writes the labels; the ticks take a shade
// between the two, so they show on light and dark grounds alike.
void DrawScale(TBitmap& bitmap, const TScaleDrawing& scale, TColor back, TColor ink);

// `image` shows `scale` in the colours of `engine`'s skin and follows it.
void ShowSkinnedScale(TImage* image, TSeSkinEngine* engine, TScaleDrawing scale);
