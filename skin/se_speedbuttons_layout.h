#pragma once
// Geometry of the speed button (face, chevron strip and arrow, glyph and
// caption places with margins and spreads), the glyph image it draws for
// each state, the halves of a spin button and its slider band, and the
// timings of a held button's repeated click.

#include "platform/gui/Buttons.h"
#include "platform/gui/Geometry.h"

// bsUp .. bsExclusive are the class library's; the chevron state is ours.
enum TSeSpeedButtonState : unsigned char {
  kssUp = 0,
  kssDisabled = 1,
  kssDown = 2,
  kssExclusive = 3,
  kssChevron = 4
};

inline constexpr int kSeChevronWidth = 14;
inline constexpr int kSeChevronArrowWidth = 5;
inline constexpr int kSeChevronArrowHeight = 3;
// A held button clicks first after the delay, then at the rate.
inline constexpr unsigned kSeRepeatDelayMs = 400;
inline constexpr unsigned kSeRepeatRateMs = 100;

struct TSeSpeedButtonGeometry {
  int Width = 0;
  int Height = 0;
  bool ShowChevron = false;
  TPoint Glyph;  // (0, 0) without a glyph or with ShowGlyph off
  TPoint Text;   // (0, 0) without a caption or with ShowCaption off
  TButtonLayout Layout = blGlyphLeft;
  int Margin = -1;
  int Spacing = 4;

  TRect ButtonRect() const;
  TRect ChevronAreaRect() const;
  TRect ChevronArrowRect() const;
  TRect GlyphRect() const;
  TRect CaptionRect() const;
};

// The image of the strip drawn: disabled, exclusive and down offsets add.
int SpeedGlyphIndex(int numGlyphs, bool enabled, TSeSpeedButtonState state);

// The up half, the down half and the slider strip between them.
struct TSeSpinHalves {
  TRect Up;
  TRect Down;
  TRect Slider;
};
TSeSpinHalves LayoutSpinHalves(int width, int height, bool enabledSlider);
// The band a slider drag starts in (right and bottom edges excluded).
TRect SpinSliderBand(int paintedWidth, int paintedHeight);
