#pragma once
// The rules of the push button, check box and radio button that need no
// window: the stock kinds (caption, modal result, default), where glyph and
// caption go inside a button, which image of a glyph strip is drawn and how
// its pixels are greyed, the check box's state cycle and the frame-control
// flags of the classic marks. The controls in se_buttons feed these from
// their properties and font; tests check them without a window.

#include <QString>
#include <optional>

#include "platform/gui/Buttons.h"
#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/StdCtrls.h"

enum TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
enum TSeButtonState { kbsNormal, kbsPressed };
enum TSeLeftRight { ktaLeftJustify, ktaRightJustify };

struct TSeKindInfo {
  const char* Caption;  // null: bkCustom keeps the button's own
  int ModalResult;
  bool Default;
  const char* Resource;  // the glyph's resource name, null for bkCustom
};
const TSeKindInfo& KindInfo(TBitBtnKind kind);

// The number of images a glyph strip of this size holds: width div height
// when the width is a whole multiple of the height, 1 when that exceeds 4;
// nothing when the size says nothing (the count stays as it was).
std::optional<int> GlyphCountForSize(int width, int height);

// What the content layout of a push button needs to know.
struct TSeButtonContent {
  int PaintedWidth = 0;
  int PaintedHeight = 0;
  TPoint Glyph;  // one image of the glyph; (0, 0) without one
  TPoint Text;   // the caption's extent on one line
  TButtonLayout Layout = blGlyphLeft;
  int Spacing = 4;
  bool WordWrap = false;
  bool Pressed = false;
};
// The rectangle glyph and caption share, centred in the painted area.
TRect ButtonContentRect(const TSeButtonContent& c);
TRect ButtonCaptionRect(const TSeButtonContent& c);
TRect ButtonGlyphRect(const TSeButtonContent& c);

// The image of a push button's glyph strip that is drawn.
int ButtonGlyphIndex(int numGlyphs, bool enabled, bool pressed);

// The colour a glyph pixel is drawn in: grey by lightness for a
// black-and-white glyph away from the mouse, and the light grey of a
// disabled single-image glyph.
TColor GlyphPixelColor(TColor pixel, bool blackAndWhite, bool disabledSingle);

// The check box's click: unchecked, (grayed,) checked, unchecked.
TCheckBoxState NextCheckBoxState(TCheckBoxState state, bool allowGrayed);
// DrawFrameControl state flags of the classic check mark and radio dot.
unsigned CheckBoxFrameFlags(TCheckBoxState state, bool enabled);
unsigned RadioFrameFlags(bool checked, bool enabled);

// The accelerator of a caption: the character after a single "&" ("&&"
// is a literal ampersand), lower-cased; null when there is none.
QChar AcceleratorOf(const QString& caption);
