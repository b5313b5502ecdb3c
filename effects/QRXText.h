#pragma once
// The text half of the visual-effects drawing routines: text in the eleven
// three-dimensional styles, optionally rotated; its measurement for
// auto-sizing and alignment; a glyph arranged beside a caption with a
// drop-down arrow; and the faces of push buttons. The frame and picture
// half is QRXDraw.
//
// Rotated text is drawn upright into a buffer and turned by the angle with
// nearest-pixel sampling, so it stays as crisp and repeatable as the rest.
// Extra spacing between characters (Tracing) applies to single-line text,
// which is what captions with tracing are.

#include <QString>
#include <cstdint>

#include "effects/QRXConst.h"
#include "effects/QRXProps.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

// Draw3DText flags.
inline constexpr unsigned kQRXTextEnabled = 0x0002;
inline constexpr unsigned kQRXTextSunkenDisabled = 0x0004;
inline constexpr unsigned kQRXTextClip = 0x0008;

// Per channel c1 + (c2 - c1) x step / steps, rounded.
TColor BlendColor(TColor c1, TColor c2, int step, int steps);

// `caption` is a TQRX3DCaption, a TQRXFxCaption (rotation) or null (plain
// DrawText). clipRect (or rect when null) clips with kQRXTextClip.
void Draw3DText(TCanvas& canvas, const QString& text, const TQRX3DCaption* caption, const TRect& rect,
                unsigned format, unsigned flags, const TRect* clipRect = nullptr);

// The rectangle the text needs from rect's top-left, with the depths of
// the 3D style and a margin; for rotated text the bounds of the turned box,
// and the caption's PosX/PosY are set (without a notification).
void MeasureText(TCanvas& canvas, const QString& text, const TQRX3DCaption* caption, TRect& rect,
                 const TFont& font, bool multiLine, bool showAccelChar, int margin, unsigned format);
void MeasureTextTemp(const QString& text, const TQRX3DCaption* caption, TRect& rect, const TFont& font,
                     bool multiLine, bool showAccelChar, int margin, unsigned format);
// The measured text placed in rect by alignment.
TRect CalcAlignedTextRect(TQRXAlignment alignment, const QString& text, const TQRX3DCaption* caption,
                          const TRect& rect, const TFont& font, bool multiLine, bool showAccelChar,
                          unsigned format);

// Every font here is a scalable outline font.
bool IsTrueTypeFont(const TFont& font);
bool IsTrueTypeCanvas(const TCanvas& canvas);

// A button's glyph: the bitmap's source rectangle, drawn as it is, with
// `transparentColor` left out (unless clNone), or through `mask`.
struct TQRXGlyphSource {
  TBitmap* bitmap = nullptr;
  TRect rect;
  TColor transparentColor = clNone;
  TCanvas* mask = nullptr;
};

struct TQRXGlyphTextRects {
  TRect text;
  TRect glyph;
  TRect arrow;
};

// DrawGlyphText options.
inline constexpr unsigned kQRXGlyphMultiLine = 0x0001;
inline constexpr unsigned kQRXGlyphShowAccel = 0x0002;
inline constexpr unsigned kQRXGlyphNoAlign = 0x0004;  // the block starts at rect's top-left
inline constexpr unsigned kQRXGlyphCalcOnly = 0x0008;
// The glyph takes its room but is left for the caller to draw.
inline constexpr unsigned kQRXGlyphSkipGlyph = 0x0010;

// Arranges the glyph, the caption and (for a TQRXButtonLayout with Arrow)
// a drop-down arrow by the layout, draws them (unless kQRXGlyphCalcOnly)
// and answers where each went. textFlags are Draw3DText's flags.
TQRXGlyphTextRects DrawGlyphText(TCanvas& canvas, const QString& text, const TRect& rect,
                                 const TQRXGlyphTextLayout& layout, const TQRX3DCaption* fontFX,
                                 const TQRXGlyphSource* glyph, unsigned textFlags, unsigned options);

// DrawButtonFace flags.
inline constexpr unsigned kQRXFaceCorners = 0x0001;
inline constexpr unsigned kQRXFaceFocus = 0x0002;
inline constexpr unsigned kQRXFaceWin40Frame = 0x0004;

bool IsFlatButtonStyle(TQRXUserButtonStyle style);
// Draws the face and frame of a button in `state` (3 checked, 4, 6 and 7
// pressed, anything else up) and leaves rect at the content area.
void DrawButtonFace(TCanvas& canvas, bool plain, TRect& rect, TQRXUserButtonStyle style, int state,
                    unsigned flags, TColor color);
