#pragma once
// The windows' tool buttons: flat skinned speed buttons with a drawn glyph
// above the caption, placed one after another along a tool bar.

#include <QString>

#include "app/StartArtwork.h"
#include "platform/gui/Bitmap.h"

class TComponent;
class TSeSkinEngine;
class TSeSkinSpeedButton;
class TSeSpeedContainer;
class TWinControl;

// Tool buttons are this high; a bar that holds them is this plus its border.
constexpr int kToolButtonHeight = 40;
constexpr int kToolGlyphSize = 20;
// A button as wide as the longer one-word captions need.
constexpr int kToolButtonWidth = 40;
// A combo box on a tool bar keeps this height, centred on the buttons.
constexpr int kToolComboHeight = 26;
// The drive box shows a whole drive id: its address, its letter and the
// drive's 28 characters of maker, model and revision.
constexpr int kDriveComboWidth = 286;
constexpr int kToolComboTop = (kToolButtonHeight - kToolComboHeight) / 2;

// The glyph as a speed button takes it: opaque where the drawing covers at
// least half a pixel, the bottom-left pixel's colour (magenta) elsewhere,
// so the button leaves those pixels out on every face.
TBitmap ToolGlyphBitmap(TToolGlyph glyph, int size = kToolGlyphSize);

// Where the next button of a bar goes.
struct TToolRow {
  TComponent* Owner;
  TWinControl* Bar;
  TSeSkinEngine* Engine;
  int X = 0;
};

// A button at the row's place, bound to the row's engine before it joins
// the bar (the bar lines its children up by their places, so each must
// arrive at its own).
TSeSkinSpeedButton* AddToolButton(TToolRow& row, const QString& caption, const QString& hint,
                                  TToolGlyph glyph, int width);
void AddToolDivider(TToolRow& row, int width);
// A transparent holder `width` wide for controls that are no buttons (the
// drive label and combo box): the bar stretches it to the buttons' height
// while what it holds keeps its own.
TSeSpeedContainer* AddToolHolder(TToolRow& row, int width);
